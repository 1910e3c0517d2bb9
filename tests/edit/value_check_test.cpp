// A value the key's type cannot hold is refused by every setter: the result
// says so, the key keeps its values, the trace says why, and a write then
// leaves the file's value as it was.
#include "lumenmeta.h"

#include "edit/value_check.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(ValueCheck, TextsOfEachTypeKnownAnswers) {
    struct Row {
        Exiv2::TypeId type;
        const char* text;
        bool fits;
        const char* stored;  // what the text becomes, where it fits
    };
    const Row rows[] = {
        {Exiv2::unsignedShort, "6", true, "6"},           {Exiv2::unsignedShort, "-1", false, ""},
        {Exiv2::unsignedShort, "65536", false, ""},       {Exiv2::unsignedShort, "sideways", false, ""},
        {Exiv2::unsignedShort, "8 8 8", true, "8 8 8"},   {Exiv2::unsignedShort, "1.5", false, ""},
        {Exiv2::unsignedShort, "", false, ""},            {Exiv2::signedShort, "-32768", true, "-32768"},
        {Exiv2::unsignedByte, "256", false, ""},          {Exiv2::unsignedLong, "4294967295", true, "4294967295"},
        {Exiv2::signedLong, "2147483648", false, ""},     {Exiv2::unsignedRational, "28/10", true, "28/10"},
        {Exiv2::unsignedRational, "2.8", true, "28/10"},  {Exiv2::unsignedRational, "F8", false, ""},
        {Exiv2::unsignedRational, "f/8", false, ""},      {Exiv2::unsignedRational, "-1/3", false, ""},
        {Exiv2::unsignedRational, "3", true, "3/1"},      {Exiv2::signedRational, "-0.25", true, "-25/100"},
        {Exiv2::signedRational, "1/3 -2.5", true, "1/3 -25/10"},
        {Exiv2::undefined, "48 50 51 50", true, "48 50 51 50"}, {Exiv2::undefined, "0232x", false, ""},
        {Exiv2::tiffDouble, "2.5e3", true, "2.5e3"},      {Exiv2::tiffDouble, "2,5", false, ""},
        {Exiv2::date, "2021-02-28", true, "2021-02-28"},  {Exiv2::date, "20240229", true, "20240229"},
        {Exiv2::date, "2021-02-30", false, ""},           {Exiv2::date, "2023-00-10", false, ""},
        {Exiv2::time, "10:11:12+01:00", true, "10:11:12+01:00"}, {Exiv2::time, "101112", true, "101112"},
        {Exiv2::time, "25:00:00", false, ""},             {Exiv2::asciiString, "anything at all", true, "anything at all"},
    };
    for (const Row& row : rows) {
        std::string text = row.text, reason;
        EXPECT_EQ(CheckTypedText(row.type, text, reason), row.fits) << row.type << " " << row.text;
        if (row.fits) {
            EXPECT_EQ(text, row.stored) << row.text;
        }
        EXPECT_EQ(reason.empty(), row.fits) << row.text;
    }
}

TEST(ValueCheck, SettersRefuseWhatTheTypeCannotHoldAndTheFileKeepsItsValue) {
    TempDir dir;
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Photo.FNumber=28/10", "Exif.Image.Orientation=1",
                        "Exif.Photo.DateTimeOriginal=2020:01:02 03:04:05"});
    Fill(fixture.iptc, {"Iptc.Application2.DateCreated=2020-01-02"});
    Fill(fixture.xmp, {"Xmp.xmp.Rating=3", "Xmp.photoshop.DateCreated=2020-01-02T03:04:05"});
    struct Row {
        const char* key;
        std::u16string text;
        int result;
    };
    const Row refused[] = {
        {"Exif.Photo.FNumber", u"f/8", 0},
        {"Exif.Image.Orientation", u"-1", 0},
        {"Exif.Image.Orientation", u"sideways", 0},
        {"Exif.Photo.DateTimeOriginal", u"yesterday", 0},
        {"Exif.Photo.DateTimeOriginal", u"2021:02:30 10:00:00", 0},
        {"Iptc.Application2.DateCreated", u"2021-02-30", 0},
        {"Xmp.xmp.Rating", u"five", 0},
        {"Xmp.exif.FNumber", u"F8", 0},
        {"Xmp.photoshop.DateCreated", u"yesterday", 0},
    };
    const std::string path = WriteInPlace(dir, fixture, [&](MetaHandle* h) {
        for (const Row& row : refused) {
            TraceCapture trace;
            EXPECT_EQ(AddMetaDataW(h, row.key, MakeBstr(row.text).get()), row.result) << row.key;
            std::string traced;
            for (const std::string& piece : trace.pieces()) traced += piece;
            EXPECT_EQ(traced.rfind(std::string("Refused value for ") + row.key + ": ", 0), 0u) << traced;
        }
        // Typed setters refuse with their own failure code.
        EXPECT_EQ(AddMeta(h, "Exif.Image.Orientation", "-1", Exiv2::unsignedShort), 1);
        EXPECT_EQ(ModifyMetaDataValueAsString(h, "Exif.Photo.FNumber", "F8", Exiv2::unsignedRational), 1);
        // A decimal rational is stored as n/d; the blank unknown date is taken.
        Set(h, "Exif.Photo.ExposureBiasValue", u"-0.5");
        Set(h, "Exif.Photo.DateTimeDigitized", u"    :  :     :  :  ");
    });
    const FileMetadata file = ReadBack(path);
    ExpectOnDisk(file, {"Exif.Photo.FNumber=28/10", "Exif.Image.Orientation=1",
                        "Exif.Photo.DateTimeOriginal=2020:01:02 03:04:05",
                        "Iptc.Application2.DateCreated=2020-01-02", "Xmp.xmp.Rating=3",
                        "Xmp.photoshop.DateCreated=2020-01-02T03:04:05", "Exif.Photo.ExposureBiasValue=-5/10",
                        // The date pass removes the blank date at the write.
                        "Exif.Photo.DateTimeDigitized="});
}

}  // namespace
}  // namespace lumenmeta
