// The date passes of a merge: date and time values lose trailing blanks and
// full stops, and those that do not begin with a positive number are removed
// with the trace line "Removed invalid date: ", as are empty sub-second
// values.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Checks Exif.Image.DateTime, Exif.Photo.DateTimeOriginal,
// Exif.Photo.DateTimeDigitized and Exif.GPSInfo.GPSTimeStamp, and removes
// empty Exif.Photo.SubSecTime, SubSecTimeOriginal and SubSecTimeDigitized.
// A GPS time stamp of the first hour of the day (its hour a written 0) is a
// valid time and stays.
// With `traced` false, removals are not traced (a pass run again over
// values the first pass has already judged).
void CheckExifDates(Exiv2::ExifData& exif, bool traced = true);

// Checks Xmp.tiff.DateTime, Xmp.exif.DateTimeOriginal,
// Xmp.exif.DateTimeDigitized and Xmp.exif.GPSTimeStamp, whose leading number
// is the year.
void CheckXmpDates(Exiv2::XmpData& xmp, bool traced = true);

}  // namespace lumenmeta
