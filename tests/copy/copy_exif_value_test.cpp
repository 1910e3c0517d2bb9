#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/handle_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FixtureImage;
using test::ReadBytes;
using test::TempDir;

using Handle = test::HandlePtr;

// The working Exif in order, as "key=type:value".
std::vector<std::string> ExifListing(const MetaHandle& handle) {
    std::vector<std::string> listing;
    for (const auto& datum : handle.exifData) {
        listing.push_back(datum.key() + "=" + std::to_string(datum.typeId()) + ":" +
                          datum.toString());
    }
    return listing;
}

void AddAscii(Exiv2::ExifData& exif, const char* key, const char* text) {
    Exiv2::AsciiValue value;
    value.read(text);
    exif.add(Exiv2::ExifKey(key), &value);
}

TEST(CopyExifDataValue, ReplacesEveryTargetDatumAndKeepsTypeAndBytes) {
    TempDir dir;
    FixtureImage sourceImage;
    sourceImage.exif["Exif.Image.Artist"] = "Ann Example";
    sourceImage.exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    const std::string sourcePath = sourceImage.WriteTo(dir.File("source.jpg"));
    FixtureImage targetImage;
    targetImage.exif["Exif.Image.Model"] = "LX-1";
    const std::string targetPath = targetImage.WriteTo(dir.File("target.jpg"));
    const std::vector<unsigned char> targetBytes = ReadBytes(targetPath);

    Handle source(OpenMetaHandle(sourcePath.c_str(), 0));
    Handle target(OpenMetaHandle(targetPath.c_str(), 0));
    AddAscii(target->exifData, "Exif.Image.Artist", "Old One");
    AddAscii(target->exifData, "Exif.Image.Artist", "Old Two");
    const std::vector<std::string> sourceBefore = ExifListing(*source);
    test::StderrCapture errors;

    EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), "Exif.Image.Artist"), 1);
    EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), "Exif.Image.XResolution"), 1);

    EXPECT_EQ(ExifListing(*target),
              (std::vector<std::string>{"Exif.Image.Model=2:LX-1",
                                        "Exif.Image.Artist=2:Ann Example",
                                        "Exif.Image.XResolution=5:300/1"}));
    EXPECT_EQ(ExifListing(*source), sourceBefore);
    EXPECT_TRUE(target->deletedKeys.empty());
    EXPECT_EQ(ReadBytes(targetPath), targetBytes);  // nothing is written
    EXPECT_EQ(errors.text(), "");
}

TEST(CopyExifDataValue, OneHandleOntoItselfKeepsTheFirstDatum) {
    Handle handle(OpenMetaHandle(nullptr, 0));
    AddAscii(handle->exifData, "Exif.Image.Artist", "First");
    AddAscii(handle->exifData, "Exif.Image.Model", "LX-1");
    AddAscii(handle->exifData, "Exif.Image.Artist", "Second");
    EXPECT_EQ(CopyExifDataValue(handle.get(), handle.get(), "Exif.Image.Artist"), 1);
    EXPECT_EQ(ExifListing(*handle), (std::vector<std::string>{"Exif.Image.Model=2:LX-1",
                                                              "Exif.Image.Artist=2:First"}));
}

TEST(CopyExifDataValue, RefusedKeysLeaveBothHandlesAlone) {
    Handle source(OpenMetaHandle(nullptr, 0));
    Handle target(OpenMetaHandle(nullptr, 0));
    AddAscii(source->exifData, "Exif.Image.Artist", "Ann");
    source->exifData.add(Exiv2::ExifKey("Exif.Image.Copyright"), nullptr);  // no value
    const Exiv2::AsciiValue empty("");
    source->exifData.add(Exiv2::ExifKey("Exif.Image.Software"), &empty);
    source->iptcData["Iptc.Application2.Caption"] = "Caption";
    source->xmpData["Xmp.dc.format"] = "image/jpeg";
    AddAscii(target->exifData, "Exif.Image.Artist", "Kept");
    AddAscii(target->exifData, "Exif.Image.Copyright", "Kept too");
    AddAscii(target->exifData, "Exif.Image.Software", "Kept as well");
    AddAscii(target->exifData, "Exif.Image.Model", "Absent from the source");
    const std::vector<std::string> sourceBefore = ExifListing(*source);
    const std::vector<std::string> targetBefore = ExifListing(*target);

    test::StderrCapture errors;
    for (const char* key :
         {"Exif.Image.Model", "Exif.Image.Copyright", "Exif.Image.Software",
          "exif.Image.Artist", "EXIF.Image.Artist", "Exifx.Image.Artist", "Exif",
          "ExifImageArtist", "", ".Exif.Image.Artist", "Iptc.Application2.Caption",
          "Xmp.dc.format"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), key), 0);
    }
    EXPECT_EQ(CopyExifDataValue(nullptr, target.get(), "Exif.Image.Artist"), 0);
    EXPECT_EQ(CopyExifDataValue(source.get(), nullptr, "Exif.Image.Artist"), 0);
    EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), nullptr), 0);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(target->iptcData.count(), 0u);
    EXPECT_EQ(target->xmpData.count(), 0);

    // Keys Exiv2 rejects are reported on the standard error stream.
    for (const char* key : {"Exif.Image.NoSuchTag", "Exif.NoSuchGroup.Artist", "Exif."}) {
        SCOPED_TRACE(key);
        test::StderrCapture rejected;
        EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), key), 0);
        EXPECT_EQ(rejected.text(), "Catched Exiv2::AnyError");
    }
    EXPECT_EQ(ExifListing(*source), sourceBefore);
    EXPECT_EQ(ExifListing(*target), targetBefore);
}

}  // namespace
}  // namespace lumenmeta
