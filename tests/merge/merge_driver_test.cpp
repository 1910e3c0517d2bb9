// The whole merge of a handle into an image, through its export.
#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(MergeMetaData, RunsItsStepsInOrderOnTheImageAndLeavesTheHandleAlone) {
    HandlePtr handle = EmptyHandle();
    // Sorted: keys Exiv2 rejects come before keys that must still go. The
    // family is the exact text before the first full stop.
    handle->deletedKeys = {"Exif.Image.AAANoSuchTag", "Exif.Image.Model", "Exif.Image.Software",
                           "Iptc.Application2.Keywords", "Iptc.Application2.NoSuchDataset",
                           "NoFullStop", "Xmp.dc.rights", "Xmp.nosuchprefix.Thing", "Xmp.tiff.Make",
                           "exif.Image.Make"};
    Fill(handle->exifData, {"Exif.Image.Artist=Ann", "Exif.Image.XResolution=7/1",
                            "Exif.Image.Model=New"});
    Fill(handle->iptcData, {"Iptc.Application2.Caption=caption"});
    handle->xmpData["Xmp.dc.creator"] = "Bob";
    handle->xmpData["Xmp.dc.creator"] = "Cy";
    // Exiv2 cannot assign the one item of this title to the mirror: reported.
    Fill(handle->xmpData, {"Xmp.dc.title=lang=x-default lang=\"bad", "Xmp.dc.rights=New"});
    // The image in memory, as a writer holds it before the merge.
    auto image = Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg);
    decltype(image) none;
    Fill(image->exifData(), {"Exif.Image.Software=A", "Exif.Image.Software=B", "Exif.Image.Make=K",
                             "Exif.Image.Model=Old", "Exif.Image.DateTime=0000:00"});
    Fill(image->iptcData(), {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"});
    Fill(image->xmpData(), {"Xmp.dc.rights=Old"});
    const HandleSnapshot before = Snapshot(*handle);

    TraceCapture trace;
    StderrCapture stderrText;
    MergeMetaData(nullptr, &image);  // null arguments do nothing
    MergeMetaData(handle.get(), nullptr);
    MergeMetaData(handle.get(), &none);
    MergeMetaData(handle.get(), &image);

    EXPECT_EQ(stderrText.text(), "Catched Exiv2::AnyErrorCan't write metadata to xmp Block");
    // Exif and IPTC reach XMP through the refresh; the handle's XMP, merged
    // after it, is mirrored into Exif and IPTC. The cleared tiff:Make takes
    // its Exif twin with it.
    EXPECT_EQ(Entries(image->exifData()),
              (Texts{"Exif.Image.ImageDescription=caption",
                     "Exif.Image.Model=New", "Exif.Image.Artist=Bob, Cy",
                     "Exif.Image.Copyright=New"}));
    EXPECT_EQ(Entries(image->iptcData()),
              (Texts{"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.ObjectName=lang=\"bad",
                     "Iptc.Application2.Byline=Bob", "Iptc.Application2.Byline=Cy",
                     "Iptc.Application2.Copyright=New", "Iptc.Application2.Caption=caption"}));
    EXPECT_EQ(Entries(image->xmpData()),
              (Texts{"Xmp.dc.description=lang=\"x-default\" caption", "Xmp.tiff.Model=New",
                     "Xmp.dc.creator=Bob, Cy", "Xmp.dc.title=lang=\"x-default\" lang=\"bad",
                     "Xmp.dc.rights=lang=\"x-default\" New"}));
    EXPECT_EQ(trace.pieces(), Lines({{"IPTC-Key: ", "Iptc.Application2.Caption", "caption"},
                                     {"Exif-Key: ", "Exif.Image.Artist", "Ann"},
                                     {"Exif-Key: ", "Exif.Image.Model", "New"},
                                     {"Removed invalid date: ", "Exif.Image.DateTime", "0000:00"},
                                     {"XMP-Key: ", "Xmp.dc.creator", "Bob, Cy"},
                                     {"XMP-Key: ", "Xmp.dc.title", "lang=\"x-default\" lang=\"bad"},
                                     {"XMP-Key: ", "Xmp.dc.rights", "lang=\"x-default\" New"}}));
    EXPECT_TRUE(Snapshot(*handle) == before);
}

}  // namespace
}  // namespace lumenmeta
