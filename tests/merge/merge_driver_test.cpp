#include "lumenmeta.h"

#include "support/handle_state.h"
#include "support/minimal_jpeg.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::HandlePtr;
using test::StderrCapture;
using test::TraceCapture;
using test::ValuesOf;
using Texts = std::vector<std::string>;

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
using ImageAutoPtr = Exiv2::Image::AutoPtr;
#pragma GCC diagnostic pop

// A target image in memory, as a writer holds it before the merge.
ImageAutoPtr NewTarget() {
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    ImageAutoPtr image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    image->readMetadata();
    return image;
}

void AddAscii(Exiv2::ExifData& exif, const std::string& key, const std::string& text) {
    Exiv2::AsciiValue value(text);
    exif.add(Exiv2::ExifKey(key), &value);
}

TEST(MergeMetaData, HandleXmpWinsInEveryFamily) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    handle->exifData["Exif.Image.Artist"] = "Exif Ann";
    handle->iptcData["Iptc.Application2.Caption"] = "iptc caption";
    handle->xmpData["Xmp.dc.creator"] = "Xmp Bob";
    ImageAutoPtr target = NewTarget();
    target->exifData()["Exif.Image.Make"] = "Target Make";

    MergeMetaData(handle.get(), &target);

    EXPECT_EQ(ValuesOf(target->exifData(), "Exif.Image.Artist"), Texts{"Xmp Bob"});
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.dc.creator"), Texts{"Xmp Bob"});
    EXPECT_EQ(ValuesOf(target->iptcData(), "Iptc.Application2.Byline"), Texts{"Xmp Bob"});
    // Exif and IPTC of the working set reach XMP through the refresh.
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.dc.description"),
              Texts{"lang=\"x-default\" iptc caption"});
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.tiff.Make"), Texts{"Target Make"});
}

TEST(MergeMetaData, ClearedKeysAreRemovedBeforeTheMerge) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    // Sorted: the unknown Exif key comes before keys that must still go.
    handle->deletedKeys = {"Exif.Image.AAANoSuchTag",
                           "Exif.Image.Artist",
                           "Exif.Image.Model",
                           "Iptc.Application2.Keywords",
                           "Iptc.Application2.NoSuchDataset",
                           "NoFullStop",
                           "Xmp.dc.creator",
                           "Xmp.dc.rights",
                           "Xmp.nosuchprefix.Thing",
                           "exif.Image.Make"};
    handle->exifData["Exif.Image.Model"] = "New model";  // set again after clearing
    handle->xmpData["Xmp.dc.rights"] = "New rights";
    ImageAutoPtr target = NewTarget();
    AddAscii(target->exifData(), "Exif.Image.Artist", "One");
    AddAscii(target->exifData(), "Exif.Image.Artist", "Two");
    target->exifData()["Exif.Image.Make"] = "Kept make";
    target->exifData()["Exif.Image.Model"] = "Old model";
    Exiv2::StringValue keyword("old keyword");
    target->iptcData().add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    target->iptcData().add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    target->xmpData()["Xmp.dc.rights"] = "Old rights";
    const test::HandleSnapshot before = test::Snapshot(*handle);

    StderrCapture stderrText;
    MergeMetaData(handle.get(), &target);

    EXPECT_EQ(stderrText.text(), "Catched Exiv2::AnyError");
    EXPECT_TRUE(ValuesOf(target->exifData(), "Exif.Image.Artist").empty());
    EXPECT_EQ(ValuesOf(target->exifData(), "Exif.Image.Make"), Texts{"Kept make"});
    EXPECT_EQ(ValuesOf(target->exifData(), "Exif.Image.Model"), Texts{"New model"});
    EXPECT_TRUE(ValuesOf(target->iptcData(), "Iptc.Application2.Keywords").empty());
    // Not produced again from Exif.Image.Artist (gone) nor kept from before.
    EXPECT_TRUE(ValuesOf(target->xmpData(), "Xmp.dc.creator").empty());
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.dc.rights"),
              Texts{"lang=\"x-default\" New rights"});
    EXPECT_EQ(ValuesOf(target->exifData(), "Exif.Image.Copyright"), Texts{"New rights"});
    EXPECT_TRUE(test::Snapshot(*handle) == before);
}

TEST(MergeMetaData, AClearedXmpKeyStaysClearedAfterTheRefreshFromExif) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    handle->deletedKeys = {"Xmp.dc.creator", "Xmp.tiff.Make"};
    handle->xmpData["Xmp.tiff.Make"] = "Handle make";
    ImageAutoPtr target = NewTarget();
    target->exifData()["Exif.Image.Artist"] = "Target artist";
    target->exifData()["Exif.Image.Make"] = "Target make";

    MergeMetaData(handle.get(), &target);

    EXPECT_TRUE(ValuesOf(target->xmpData(), "Xmp.dc.creator").empty());
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.tiff.Make"), Texts{"Handle make"});
    EXPECT_EQ(ValuesOf(target->exifData(), "Exif.Image.Artist"), Texts{"Target artist"});
}

TEST(MergeMetaData, AnEmptyHandleStillChecksDatesAndConverts) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    ImageAutoPtr target = NewTarget();
    target->exifData()["Exif.Image.DateTime"] = "0000:00:00 00:00:00";
    target->exifData()["Exif.Image.Artist"] = "Ann";
    target->xmpData()["Xmp.photoshop.City"] = "Oslo";

    TraceCapture trace;
    MergeMetaData(handle.get(), &target);

    EXPECT_TRUE(ValuesOf(target->exifData(), "Exif.Image.DateTime").empty());
    EXPECT_EQ(ValuesOf(target->xmpData(), "Xmp.dc.creator"), Texts{"Ann"});
    EXPECT_EQ(ValuesOf(target->iptcData(), "Iptc.Application2.City"), Texts{"Oslo"});
    EXPECT_EQ(ValuesOf(target->iptcData(), "Iptc.Envelope.CharacterSet"), Texts{"\x1b%G"});
    EXPECT_EQ(trace.pieces(), (Texts{"Removed invalid date: ", "Exif.Image.DateTime", " Value: ",
                                     "0000:00:00 00:00:00", "\n"}));
}

TEST(MergeMetaData, TracesEachMergedDatumInFamilyOrder) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    handle->exifData["Exif.Image.Artist"] = "Ann";
    handle->exifData["Exif.Image.XResolution"] = Exiv2::URational(72, 1);  // not merged
    handle->iptcData["Iptc.Application2.City"] = "Oslo";
    handle->xmpData["Xmp.xmp.Rating"] = "4";
    ImageAutoPtr target = NewTarget();

    TraceCapture trace;
    MergeMetaData(handle.get(), &target);

    EXPECT_EQ(trace.pieces(),
              (Texts{"IPTC-Key: ", "Iptc.Application2.City", " Value: ", "Oslo", "\n",
                     "Exif-Key: ", "Exif.Image.Artist", " Value: ", "Ann", "\n",
                     "XMP-Key: ", "Xmp.xmp.Rating", " Value: ", "4", "\n"}));
    EXPECT_TRUE(ValuesOf(target->exifData(), "Exif.Image.XResolution").empty());
}

TEST(MergeMetaData, NullArgumentsDoNothing) {
    HandlePtr handle(OpenMetaHandle(nullptr, 0));
    handle->exifData["Exif.Image.Artist"] = "Ann";
    ImageAutoPtr target = NewTarget();
    ImageAutoPtr empty;
    TraceCapture trace;
    MergeMetaData(nullptr, &target);
    MergeMetaData(handle.get(), nullptr);
    MergeMetaData(handle.get(), &empty);
    EXPECT_TRUE(target->exifData().empty());
    EXPECT_TRUE(trace.pieces().empty());
}

}  // namespace
}  // namespace lumenmeta
