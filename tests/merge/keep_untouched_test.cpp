// A write changes what it was asked to change: values the host did not edit
// keep their bytes in every family, also where the file's families disagree
// (a photo saved again by a program that updated Exif and left stale XMP);
// conversions only add missing twins, each valid where it lands.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumenmeta {
namespace {

using namespace test;

class KeepUntouched : public ::testing::Test {
protected:
    TempDir dir_;
};

struct UntouchedCase {
    const char* what;
    Texts exif, iptc, xmp;
    std::function<void(MetaHandle*)> edit;
    Texts expected;  // "key=text|text"; no text: no datum
};

void CheckUntouched(const TempDir& dir, const UntouchedCase& c) {
    SCOPED_TRACE(c.what);
    FixtureImage fixture;
    Fill(fixture.exif, c.exif);
    Fill(fixture.iptc, c.iptc);
    Fill(fixture.xmp, c.xmp);
    ExpectOnDisk(ReadBack(WriteInPlace(dir, fixture, c.edit)), c.expected);
}

const auto kLabel = [](MetaHandle* h) { Set(h, "Xmp.xmp.Label", u"Red"); };

TEST_F(KeepUntouched, ValuesNobodyEditedKeepTheirBytesWhereTheFamiliesDisagree) {
    // A resized photo: the editor updated Exif and left the camera's XMP.
    const Texts resizedExif = {"Exif.Image.Make=NIKON", "Exif.Image.DateTime=2020:05:05 10:00:00",
                               "Exif.Photo.PixelXDimension=100", "Exif.Photo.PixelYDimension=66"};
    const Texts cameraXmp = {"Xmp.exif.PixelXDimension=2730", "Xmp.exif.PixelYDimension=1790",
                             "Xmp.xmp.ModifyDate=2004-01-01T09:00:00", "Xmp.tiff.ImageWidth=2730",
                             "Xmp.tiff.ImageLength=1790", "Xmp.tiff.Compression=6",
                             "Xmp.tiff.SamplesPerPixel=3", "Xmp.tiff.PlanarConfiguration=1"};
    const Texts resizedKept = {
        "Exif.Photo.PixelXDimension=100", "Exif.Photo.PixelYDimension=66",
        "Exif.Image.DateTime=2020:05:05 10:00:00", "Xmp.exif.PixelXDimension=2730",
        "Xmp.xmp.ModifyDate=2004-01-01T09:00:00",
        // A TIFF's image structure has no place in a JPEG's Exif.
        "Exif.Image.ImageWidth=", "Exif.Image.ImageLength=", "Exif.Image.Compression=",
        "Exif.Image.SamplesPerPixel=", "Exif.Image.PlanarConfiguration="};
    const UntouchedCase cases[] = {
        {"stale XMP, no edit", resizedExif, {}, cameraXmp, nullptr, resizedKept},
        {"stale XMP, another edit", resizedExif, {}, cameraXmp, kLabel, resizedKept},
        {"a catalogue's dates: date-only DateCreated, UTC CreateDate, sub-seconds",
         {"Exif.Photo.DateTimeOriginal=2019:03:02 09:01:07", "Exif.Photo.SubSecTimeOriginal=54",
          "Exif.Photo.DateTimeDigitized=2019:03:02 09:01:07"},
         {},
         {"Xmp.photoshop.DateCreated=2019-03-02", "Xmp.xmp.CreateDate=2019-03-02T20:59:26Z"},
         kLabel,
         {"Exif.Photo.DateTimeOriginal=2019:03:02 09:01:07", "Exif.Photo.SubSecTimeOriginal=54",
          "Exif.Photo.DateTimeDigitized=2019:03:02 09:01:07", "Xmp.photoshop.DateCreated=2019-03-02",
          "Xmp.xmp.CreateDate=2019-03-02T20:59:26Z"}},
        {"an XMP date alone fills no Exif date-time, a malformed one nothing",
         {"Exif.Image.Make=Canon", "Exif.Photo.FNumber=28/10"},
         {},
         {"Xmp.photoshop.DateCreated=2019-03-02", "Xmp.xmp.CreateDate=2014-09-259T10:00:00"},
         kLabel,
         {"Exif.Photo.DateTimeOriginal=", "Exif.Photo.DateTimeDigitized=", "Iptc.Application2.DigitizationDate=",
          "Iptc.Application2.DateCreated=2019-03-02"}},
        {"an XMP ExifVersion that is no version",
         {"Exif.Photo.ExifVersion=48 50 50 49"}, {}, {"Xmp.exif.ExifVersion=Exif Version 2.21"}, kLabel,
         {"Exif.Photo.ExifVersion=48 50 50 49", "Xmp.exif.ExifVersion=Exif Version 2.21"}},
        {"no ExifVersion made from one that is not four digits",
         {"Exif.Photo.FNumber=28/10"}, {}, {"Xmp.exif.ExifVersion=0 2 2 0"}, kLabel,
         {"Exif.Photo.ExifVersion=", "Exif.Photo.FNumber=28/10"}},
        {"Windows-1252 Exif text reaches XMP as UTF-8",
         {"Exif.Image.Copyright=\xA9 J\xF6rg"}, {}, {}, kLabel,
         {"Exif.Image.Copyright=\xA9 J\xF6rg", "Xmp.dc.rights=lang=\"x-default\" \xC2\xA9 J\xC3\xB6rg",
          "Xmp.xmp.Label=Red"}},
        {"a missing twin is added",
         {"Exif.Image.Artist=Ann"}, {}, {"Xmp.xmp.Label=Blue"}, nullptr,
         {"Exif.Image.Artist=Ann", "Xmp.dc.creator=Ann", "Iptc.Application2.Byline=Ann"}},
    };
    for (const UntouchedCase& c : cases) CheckUntouched(dir_, c);
}

TEST_F(KeepUntouched, EditsStillReachTheirTwinsAndMirrorKeysWinInExif) {
    const Texts exif = {"Exif.Image.Artist=Old", "Exif.Image.Copyright=Old"};
    const Texts xmp = {"Xmp.dc.creator=Stale", "Xmp.xmp.ModifyDate=2004-01-01T09:00:00"};
    const UntouchedCase cases[] = {
        {"an edit replaces its twins, and only them", exif, {}, xmp,
         [](MetaHandle* h) { Set(h, "Exif.Image.Artist", u"Ann"); },
         {"Exif.Image.Artist=Ann", "Xmp.dc.creator=Ann", "Iptc.Application2.Byline=Ann",
          "Exif.Image.Copyright=Old", "Xmp.xmp.ModifyDate=2004-01-01T09:00:00"}},
        {"the mirror keys are the host's words for Exif", exif, {}, xmp,
         [](MetaHandle* h) {
             Set(h, "Xmp.dc.creator", u"Dublin Core");
             Set(h, "Xmp.Lumenframe.Exif.Image.Artist", u"Mirror");
             Set(h, "Xmp.dc.rights", u"DC rights");
             Set(h, "Xmp.Lumenframe.Exif.Image.Copyright", u"Mirror rights");
         },
         {"Exif.Image.Artist=Mirror", "Exif.Image.Copyright=Mirror rights",
          "Xmp.dc.rights=lang=\"x-default\" DC rights"}},
    };
    for (const UntouchedCase& c : cases) CheckUntouched(dir_, c);
}

TEST_F(KeepUntouched, AnExifBlockAWriteCreatesHoldsTheTagsTheStandardRequires) {
    FixtureImage fixture;
    Fill(fixture.xmp, {"Xmp.photoshop.DateCreated=2019-03-02T10:11:12", "Xmp.dc.creator=Ann"});
    const std::string path = WriteInPlace(dir_, fixture, kLabel);
    const FileMetadata file = ReadBack(path);
    ASSERT_GT(file.width, 0);
    ExpectOnDisk(file, {"Exif.Photo.DateTimeOriginal=2019:03:02 10:11:12", "Exif.Image.Artist=Ann",
                        "Exif.Photo.ExifVersion=48 50 51 50", "Exif.Photo.ComponentsConfiguration=1 2 3 0",
                        "Exif.Photo.FlashpixVersion=48 49 48 48", "Exif.Photo.ColorSpace=65535",
                        "Exif.Photo.PixelXDimension=" + std::to_string(file.width),
                        "Exif.Image.XResolution=72/1", "Exif.Image.YResolution=72/1",
                        "Exif.Image.ResolutionUnit=2", "Exif.Image.YCbCrPositioning=1"});
    // A file that has Exif already gets nothing it did not have.
    FixtureImage camera;
    Fill(camera.exif, {"Exif.Image.Make=Canon", "Exif.Photo.FNumber=28/10"});
    const FileMetadata kept = ReadBack(WriteInPlace(dir_, camera, kLabel, 1, "camera.jpg"));
    ExpectOnDisk(kept, {"Exif.Photo.ExifVersion=", "Exif.Image.XResolution=", "Exif.Photo.ColorSpace="});
}

TEST_F(KeepUntouched, IntoAnotherFileTheTargetKeepsWhatNothingReplaces) {
    FixtureImage source;
    Fill(source.exif, {"Exif.Image.Make=Canon"});
    const std::string sourcePath = source.WriteTo(dir_.File("source.jpg"));
    FixtureImage target;
    Fill(target.exif, {"Exif.Photo.DateTimeOriginal=2010:01:01 10:00:00", "Exif.Photo.PixelXDimension=100"});
    Fill(target.xmp, {"Xmp.photoshop.DateCreated=2011-02-02", "Xmp.exif.PixelXDimension=2730"});
    const std::string targetPath = target.WriteTo(dir_.File("target.jpg"));
    HandlePtr handle(OpenMetaHandle(sourcePath.c_str(), 0));
    Set(handle.get(), "Xmp.xmp.Label", u"Red");
    ASSERT_EQ(WriteData(handle.get(), targetPath.c_str(), 0, 0), 1);
    ExpectOnDisk(ReadBack(targetPath),
                 {"Exif.Image.Make=Canon", "Exif.Photo.DateTimeOriginal=2010:01:01 10:00:00",
                  "Exif.Photo.PixelXDimension=100", "Xmp.photoshop.DateCreated=2011-02-02",
                  "Xmp.exif.PixelXDimension=2730", "Xmp.xmp.Label=Red"});
}

}  // namespace
}  // namespace lumenmeta
