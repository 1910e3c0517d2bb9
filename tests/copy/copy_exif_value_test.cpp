#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using Texts = std::vector<std::string>;

// The working Exif in order, as "key=type:value".
Texts ExifOf(const test::HandlePtr& handle) { return test::TypedEntries(handle->exifData); }

TEST(CopyExifDataValue, ReplacesEveryTargetDatumByTheFirstSourceDatumOrChangesNothing) {
    test::HandlePtr source = test::EmptyHandle(), target = test::EmptyHandle();
    const Exiv2::AsciiValue ann("Ann"), other("Other"), empty("");
    for (const auto* value : {&ann, &other}) {
        source->exifData.add(Exiv2::ExifKey("Exif.Image.Artist"), value);
        target->exifData.add(Exiv2::ExifKey("Exif.Image.Artist"), value);
        target->exifData.add(Exiv2::ExifKey("Exif.Image.Model"), value);
    }
    source->exifData["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    source->exifData.add(Exiv2::ExifKey("Exif.Image.Copyright"), nullptr);  // no value
    source->exifData.add(Exiv2::ExifKey("Exif.Image.Software"), &empty);
    source->iptcData["Iptc.Application2.Caption"] = "Caption";
    source->xmpData["Xmp.dc.format"] = "image/jpeg";
    const Texts sourceBefore = ExifOf(source);
    EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), "Exif.Image.Artist"), 1);
    EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), "Exif.Image.XResolution"), 1);
    const Texts copied = {"Exif.Image.Model=2:Ann", "Exif.Image.Model=2:Other",
                          "Exif.Image.Artist=2:Ann", "Exif.Image.XResolution=5:300/1"};
    EXPECT_EQ(ExifOf(target), copied);

    // Refused keys change nothing; keys Exiv2 rejects are reported on stderr.
    const std::string rejected = "Catched Exiv2::AnyError";
    for (const auto& [key, error] : std::vector<std::pair<const char*, std::string>>{
             {"Exif.Image.Model", ""}, {"Exif.Image.Copyright", ""}, {"Exif.Image.Software", ""},
             {"exif.Image.Artist", ""}, {"Exifx.Image.Artist", ""}, {"Exif", ""}, {"", ""},
             {"Iptc.Application2.Caption", ""}, {"Xmp.dc.format", ""}, {nullptr, ""},
             {"Exif.Image.NoSuchTag", rejected}, {"Exif.NoSuchGroup.Artist", rejected}}) {
        test::StderrCapture errors;
        EXPECT_EQ(CopyExifDataValue(source.get(), target.get(), key), 0) << (key ? key : "null");
        EXPECT_EQ(errors.text(), error) << (key ? key : "null");
    }
    EXPECT_EQ(CopyExifDataValue(nullptr, target.get(), "Exif.Image.Artist") +
                  CopyExifDataValue(source.get(), nullptr, "Exif.Image.Artist"), 0);
    EXPECT_EQ(ExifOf(target), copied);
    EXPECT_EQ(ExifOf(source), sourceBefore);
    EXPECT_TRUE(target->iptcData.empty() && target->xmpData.empty() && target->deletedKeys.empty());

    // One handle onto itself keeps the first datum, as it was.
    EXPECT_EQ(CopyExifDataValue(source.get(), source.get(), "Exif.Image.Artist"), 1);
    EXPECT_EQ(ExifOf(source), (Texts{sourceBefore[2], sourceBefore[3], sourceBefore[4],
                                     sourceBefore[0]}));
}

}  // namespace
}  // namespace lumenmeta
