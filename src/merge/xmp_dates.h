// XMP dates in Exif form, by their wall-clock time. Exiv2's own conversion
// moves an XMP date into the machine's time zone, so the same file would get
// other Exif dates under another TZ; the time written in the XMP value is
// the time the photographer's camera showed, and it is what Exif holds.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// The three Exif dates with their sub-seconds and zone offset tags, and the
// XMP properties that hold the same date (the first one present is the one
// Exiv2's conversion takes).
struct ExifDateTwins {
    const char* exifKey;
    const char* subSecondKey;
    const char* offsetKey;
    const char* xmpKeys[2];
};

constexpr ExifDateTwins kExifDateTwins[] = {
    {"Exif.Image.DateTime", "Exif.Photo.SubSecTime", "Exif.Photo.OffsetTime",
     {"Xmp.xmp.ModifyDate", "Xmp.tiff.DateTime"}},
    {"Exif.Photo.DateTimeOriginal", "Exif.Photo.SubSecTimeOriginal", "Exif.Photo.OffsetTimeOriginal",
     {"Xmp.photoshop.DateCreated", "Xmp.exif.DateTimeOriginal"}},
    {"Exif.Photo.DateTimeDigitized", "Exif.Photo.SubSecTimeDigitized", "Exif.Photo.OffsetTimeDigitized",
     {"Xmp.xmp.CreateDate", "Xmp.exif.DateTimeDigitized"}},
};

// "2004:06:21 23:37:53" with the sub-seconds "54" and the offset "+02:00"
// gives "2004-06-21T23:37:53.54+02:00"; without sub-seconds or offset they
// are left out. Empty for a text too short to be an Exif date.
std::string XmpDateFromExif(const std::string& exifDate, const std::string& subSeconds, const std::string& offset);

// The zone offset at the end of an XMP date-time ("+02:00", "Z"); empty when
// it has none or holds no time.
std::string XmpDateOffset(const std::string& xmpDate);

// "2016-09-13T11:58:16.81+01:00" gives "2016:09:13 11:58:16" and the
// sub-seconds "81"; a date without a time gives 00:00:00, a missing month or
// day 01. False when the text does not start with a four-digit year.
// `hasTime` tells whether the XMP value holds a time of day.
bool ExifDateFromXmp(const std::string& xmpDate, std::string& exifDate, std::string& subSeconds,
                     bool* hasTime = nullptr);

// Writes the Exif date `exifKey` (one of Exif.Image.DateTime,
// Exif.Photo.DateTimeOriginal, Exif.Photo.DateTimeDigitized) again from the
// XMP property Exiv2's conversion takes it from, by its wall-clock time, with
// its sub-seconds as written. Does nothing for another key or when `xmp`
// holds no such property. An XMP date without a time of day leaves `before`
// (the Exif date the conversion replaced, or null) when that is a time of the
// same day: the date-only value says less, not something else.
void RewriteDateFromXmp(const Exiv2::XmpData& xmp, const std::string& exifKey, Exiv2::ExifData& exif,
                        const std::string* before = nullptr);

}  // namespace lumenmeta
