#include "merge/date_rules.h"

#include "support/handle_state.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::KeysOf;
using test::TraceCapture;
using test::ValuesOf;
using Pieces = std::vector<std::string>;

void Append(Pieces& pieces, const std::string& key, const std::string& value) {
    for (const std::string& piece : {std::string("Removed invalid date: "), key,
                                     std::string(" Value: "), value, std::string("\n")}) {
        pieces.push_back(piece);
    }
}

TEST(ExifDatePass, TrimsValidDatesAndRemovesInvalidOnes) {
    Exiv2::ExifData exif;
    exif["Exif.Image.DateTime"] = "0000:00:00 00:00:00";
    exif["Exif.Photo.DateTimeOriginal"] = "    :  :     ";
    exif["Exif.Photo.DateTimeDigitized"] = "2024:05:01 10:00:00 . ";
    exif["Exif.Image.Artist"] = " . ";
    exif["Exif.Photo.SubSecTime"] = "";
    exif["Exif.Photo.SubSecTimeOriginal"] = "00";
    exif["Exif.Photo.SubSecTimeDigitized"] = "";
    exif["Exif.Image.Make"] = "Lumen";

    TraceCapture trace;
    CheckExifDates(exif);

    EXPECT_EQ(KeysOf(exif),
              (std::vector<std::string>{"Exif.Photo.DateTimeDigitized", "Exif.Image.Artist",
                                        "Exif.Photo.SubSecTimeOriginal", "Exif.Image.Make"}));
    EXPECT_EQ(ValuesOf(exif, "Exif.Photo.DateTimeDigitized"),
              std::vector<std::string>{"2024:05:01 10:00:00"});
    EXPECT_EQ(ValuesOf(exif, "Exif.Image.Artist"), std::vector<std::string>{" . "});
    EXPECT_EQ(ValuesOf(exif, "Exif.Photo.SubSecTimeOriginal"), std::vector<std::string>{"00"});
    Pieces expected;
    Append(expected, "Exif.Image.DateTime", "0000:00:00 00:00:00");
    // Trailing blanks go first; then a colon follows the leading blanks.
    Append(expected, "Exif.Photo.DateTimeOriginal", "    :  :");
    Append(expected, "Exif.Photo.SubSecTime", "");
    Append(expected, "Exif.Photo.SubSecTimeDigitized", "");
    EXPECT_EQ(trace.pieces(), expected);
}

TEST(ExifDatePass, BlanksAndStopsOnlyAreRemovedAndGpsTimeKeepsItsFirstHour) {
    Exiv2::ExifData exif;
    exif["Exif.Image.DateTime"] = " . .  ";
    exif["Exif.GPSInfo.GPSTimeStamp"] = "0/1 30/1 0/1";
    exif["Exif.Photo.DateTimeOriginal"] = "-2024:01:01 00:00:00";
    Exiv2::ExifData later;
    later["Exif.GPSInfo.GPSTimeStamp"] = "14/1 5/1 0/1";
    Exiv2::ExifData missingHour;
    Exiv2::AsciiValue text("x");
    missingHour.add(Exiv2::ExifKey("Exif.GPSInfo.GPSTimeStamp"), &text);

    TraceCapture trace;
    CheckExifDates(exif);
    CheckExifDates(later);
    CheckExifDates(missingHour);

    EXPECT_EQ(KeysOf(exif), std::vector<std::string>{"Exif.GPSInfo.GPSTimeStamp"});
    EXPECT_EQ(ValuesOf(exif, "Exif.GPSInfo.GPSTimeStamp"),
              std::vector<std::string>{"0/1 30/1 0/1"});
    EXPECT_EQ(later.count(), 1);
    EXPECT_TRUE(missingHour.empty());
    Pieces expected;
    Append(expected, "Exif.Image.DateTime", "");
    Append(expected, "Exif.Photo.DateTimeOriginal", "-2024:01:01 00:00:00");
    Append(expected, "Exif.GPSInfo.GPSTimeStamp", "x");
    EXPECT_EQ(trace.pieces(), expected);
}

TEST(XmpDatePass, ChecksTheYearOfTheDateKeysOnly) {
    Exiv2::XmpData xmp;
    xmp["Xmp.exif.DateTimeOriginal"] = "2024-05-01T10:00:00";
    xmp["Xmp.tiff.DateTime"] = "0000-00-00T00:00:00";
    xmp["Xmp.exif.DateTimeDigitized"] = "0001-01-01T00:00:00. ";
    xmp["Xmp.exif.GPSTimeStamp"] = "";
    xmp["Xmp.xmp.CreateDate"] = "0000-00-00";
    xmp["Xmp.photoshop.DateCreated"] = "";

    TraceCapture trace;
    CheckXmpDates(xmp);

    EXPECT_EQ(KeysOf(xmp),
              (std::vector<std::string>{"Xmp.exif.DateTimeOriginal", "Xmp.exif.DateTimeDigitized",
                                        "Xmp.xmp.CreateDate", "Xmp.photoshop.DateCreated"}));
    EXPECT_EQ(ValuesOf(xmp, "Xmp.exif.DateTimeDigitized"),
              std::vector<std::string>{"0001-01-01T00:00:00"});
    Pieces expected;
    Append(expected, "Xmp.tiff.DateTime", "0000-00-00T00:00:00");
    Append(expected, "Xmp.exif.GPSTimeStamp", "");
    EXPECT_EQ(trace.pieces(), expected);
}

}  // namespace
}  // namespace lumenmeta
