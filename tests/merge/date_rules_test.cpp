// Dates are trimmed, and invalid ones removed with a trace line.
#include "merge/date_rules.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(MergeDates, ValidDatesAreTrimmedAndInvalidOnesRemovedWithATraceLine) {
    // {key, value, what stays; or "-" and the text the removal traces}
    const std::array<const char*, 3> cases[] = {
        {"Exif.Image.DateTime", "0000:00:00 00:00:00", "-0000:00:00 00:00:00"},
        // Trailing blanks go first; then a colon follows the leading blanks.
        {"Exif.Photo.DateTimeOriginal", "    :  :     ", "-    :  :"},
        {"Exif.Photo.DateTimeDigitized", "2024:05:01 10:00:00 . ", "2024:05:01 10:00:00"},
        {"Exif.Image.Artist", " . ", " . "},
        {"Exif.Photo.SubSecTime", "", "-"},
        {"Exif.Photo.SubSecTimeOriginal", "00", "00"},
        {"Exif.Photo.DateTimeOriginal", "-2024:01:01 00:00:00", "--2024:01:01 00:00:00"},
        {"Exif.GPSInfo.GPSTimeStamp", "0/1 30/1 0/1", "0/1 30/1 0/1"},  // its first hour is valid
        {"Exif.GPSInfo.GPSTimeStamp", "x", "-"},
        {"Xmp.tiff.DateTime", "0000-00-00T00:00:00", "-0000-00-00T00:00:00"},
        {"Xmp.exif.DateTimeDigitized", "0001-01-01T00:00:00. ", "0001-01-01T00:00:00"},
        {"Xmp.exif.GPSTimeStamp", "", "-"},
        {"Xmp.xmp.CreateDate", "0000-00-00", "0000-00-00"},
    };
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Texts exifLeft, xmpLeft, trace;
    for (const auto& [key, value, result] : cases) {
        const std::string k = key;
        k[0] == 'E' ? (void)Fill(exif, {k + "=" + value}) : (void)Fill(xmp, {k + "=" + value});
        if (*result != '-') (k[0] == 'E' ? exifLeft : xmpLeft).push_back(k + "=" + result);
        const Texts line = Lines({{"Removed invalid date: ", key, result + 1}});
        if (*result == '-') trace.insert(trace.end(), line.begin(), line.end());
    }
    TraceCapture traced;
    CheckExifDates(exif);
    CheckXmpDates(xmp);
    EXPECT_EQ(Entries(exif), exifLeft);
    EXPECT_EQ(Entries(xmp), xmpLeft);
    EXPECT_EQ(traced.pieces(), trace);
}

}  // namespace
}  // namespace lumenmeta
