// Exiv2's converters between Exif, IPTC and XMP, with what they do wrong on
// real files undone. Each conversion runs as Exiv2 does it; then every value
// it may touch is compared with what the container held before:
//  - a value that now means the same as before in another form (a date with
//    a zone offset, a coordinate in decimal minutes, sub-seconds in
//    nanoseconds, text in another encoding) gets its old bytes back;
//  - a value the conversion removed or emptied (Exiv2 erases a target before
//    it converts into it, and fails on some values) is put back;
//  - an empty value the conversion created is removed again;
//  - Exif dates converted from XMP keep the wall-clock time written in the
//    XMP, whatever the machine's time zone;
//  - IPTC datasets it created or changed are cut to the IIM standard's
//    length, and its own setting of the UTF-8 marker is undone (the merge
//    sets the marker by its own rules).
// A value that means something new replaces the old one, as in Exiv2.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

void ConvertXmpToExif(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif);
void ConvertXmpToIptc(const Exiv2::XmpData& xmp, Exiv2::IptcData& iptc);
// IPTC, then Exif, into XMP, compared once with what the XMP held before
// both. The IPTC text is read as UTF-8 where it is valid UTF-8 and as
// Windows-1252 elsewhere, dataset by dataset.
void ConvertIptcAndExifToXmp(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif, Exiv2::XmpData& xmp);
void SyncExifWithXmp(Exiv2::ExifData& exif, Exiv2::XmpData& xmp);

// True for the keys a conversion may write, per family.
bool IsConvertedExifKey(const std::string& key);
bool IsConvertedIptcKey(const std::string& key);
bool IsConvertedXmpKey(const std::string& key);

}  // namespace lumenmeta
