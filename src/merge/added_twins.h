// What a conversion may add to a file: a twin that is missing from its
// family, and only when it is valid where it lands.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// True when the datum, which a conversion added to `target` (the key was not
// in the file), may stay:
//  - no empty value;
//  - no date whose XMP twin is no valid date (day 00, "2014-09-259"), and
//    no Exif date-time from an XMP date without a time of day (no invented
//    00:00:00);
//  - none of a TIFF's image-structure tags in the Exif of another format;
//  - no version tag (ExifVersion, FlashpixVersion, InteroperabilityVersion)
//    that is not four digits.
bool KeepsAddedExif(const Exiv2::Exifdatum& datum, const std::string& key, const Exiv2::Image& target);
bool KeepsAddedIptc(const Exiv2::Iptcdatum& datum, const std::string& key, const Exiv2::XmpData& xmp);
bool KeepsAddedXmp(const Exiv2::Xmpdatum& datum, const std::string& key);

// Text in the XMP that is not valid UTF-8 (Exif text in Windows-1252 copied
// by a conversion) is read as Windows-1252 and stored as UTF-8, so that the
// packet encodes; only in the datums whose key `checks` accepts.
void MakeXmpTextUtf8(Exiv2::Xmpdatum& datum);
template <typename Checks>
void MakeXmpTextUtf8(Exiv2::XmpData& xmp, Checks checks) {
    for (Exiv2::Xmpdatum& datum : xmp) {
        if (checks(datum.key())) MakeXmpTextUtf8(datum);
    }
}

// Where the write creates an IFD0 or an Exif IFD that `hadExif` lacked, the
// tags the Exif standard requires there, when missing: resolution 72 dpi,
// ExifVersion 0232, FlashpixVersion 0100, ColorSpace uncalibrated, the pixel
// dimensions from the image's size; in a JPEG also YCbCrPositioning 1 and
// ComponentsConfiguration 1 2 3 0.
void AddRequiredExifTags(const Exiv2::ExifData& hadExif, Exiv2::Image& target);

// "YYYY:MM:DD HH:MM:SS" of a real calendar day.
bool IsValidExifDateTime(const std::string& text);
// An XMP date: "YYYY", "YYYY-MM", "YYYY-MM-DD", then optionally
// "THH:MM[:SS[.s]]" and a zone ("Z" or "+HH:MM"), of a real calendar day.
bool IsValidXmpDate(const std::string& text);
// An IPTC date "YYYY-MM-DD" (Exiv2's text of a DateValue) of a real day.
bool IsValidIptcDate(const std::string& text);

}  // namespace lumenmeta
