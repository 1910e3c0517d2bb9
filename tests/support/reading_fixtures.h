// Fixture images holding every shape of value the reading exports deliver:
// XMP text, language alternatives, bags and sequences; repeated, empty,
// UTF-8 and Windows-1252 IPTC datasets; Exif ASCII text in both encodings,
// integers of each width and sign, rationals, the UTF-16 "XP" byte tags,
// user comments and empty values.
#pragma once

#include "support/fixture_image.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumenmeta::test {

// Exif:
//   Exif.Image.Artist            "Ann Example"
//   Exif.Image.Copyright         "Caf\xE9 Lumen" (Windows-1252)
//   Exif.Image.ImageDescription  "Caf\xC3\xA9" (UTF-8 bytes)
//   Exif.Image.Orientation       short 1
//   Exif.Photo.ISOSpeedRatings   shorts 100 200 300
//   Exif.Image.TimeZoneOffset    signed short -5
//   Exif.Photo.PixelXDimension   long 4000
//   Exif.Image.ImageWidth        long 3000000000 (beyond 31 bits)
//   Exif.Image.XResolution       72/1
//   Exif.Photo.ExposureTime      1/250
//   Exif.Photo.FocalLength       50/1
//   Exif.Photo.ExposureBiasValue signed -1/3
//   Exif.Image.XPTitle           UTF-16LE "Hafen \u2600" with its zero unit
//   Exif.Image.XPKeywords        the bytes 'A' 0 'b' 0 'c' (odd, unterminated)
//   Exif.Image.XPSubject         UTF-16LE "" then "A" (a zero unit first)
//   Exif.Image.Software          empty ASCII value
//   Exif.Photo.UserComment       "ASCII" header, "Hello there"
// IPTC (Windows-1252):
//   Iptc.Envelope.ModelVersion   short 4
//   Iptc.Application2.Keywords   harbour, boats, gulls
//   Iptc.Application2.Caption    "Caf\xE9 by the sea"
//   Iptc.Application2.DateCreated 2024-05-01
//   Iptc.Application2.Byline     empty
//   Iptc.Application2.Headline   "ab", a zero byte, "cd"
// XMP:
//   Xmp.dc.title    x-default "Harbour at dawn", de-DE "Hafen im Morgengrauen"
//   Xmp.dc.rights   de-DE "Alle Rechte" only
//   Xmp.dc.subject  bag red, green, blue
//   Xmp.dc.creator  seq Ann, Bob
//   Xmp.xmp.Label   "Caf\xC3\xA9 \xE2\x98\x80"
//   Xmp.xmp.Nickname a text that itself holds a language entry
//   Xmp.dc.source   empty
//   Xmp.exif.FNumber 28/10, Xmp.exif.ExposureTime 1/250,
//   Xmp.exif.FocalLength 1234567/10000, Xmp.tiff.XResolution 12345679/100,
//   Xmp.exif.GPSAltitude 0.3333333333
FixtureImage ReadingFixture();

// IPTC in UTF-8 without a character-set marker: Caption "Café", Keywords
// "Grüße" and "Straße".
FixtureImage Utf8IptcFixture();

// IPTC whose keywords are separated on disk by another dataset: Keywords
// "first", Caption "between", Keywords "second".
FixtureImage SeparatedKeywordsFixture();

// Only an Exif user comment, stored as raw undefined bytes (an 8-byte
// character-code header, then the comment) ...
FixtureImage UserCommentBytesFixture(const std::vector<unsigned char>& bytes);
// ... or stored as an ASCII text, which Exiv2 hands out as it stands.
FixtureImage UserCommentTextFixture(const std::string& text);

// `text` as UTF-16LE bytes, followed by `zeroUnits` zero units.
std::vector<unsigned char> Utf16LeBytes(std::u16string_view text, int zeroUnits = 1);

}  // namespace lumenmeta::test
