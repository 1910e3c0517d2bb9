// XMP dates in Exif form, by their wall-clock time. Exiv2's own conversion
// moves an XMP date into the machine's time zone, so the same file would get
// other Exif dates under another TZ; the time written in the XMP value is
// the time the photographer's camera showed, and it is what Exif holds.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

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
