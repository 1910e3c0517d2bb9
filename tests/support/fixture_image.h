// Test images made at run time: the minimal JPEG with Exif, IPTC and XMP put
// in through Exiv2 directly, and a file's metadata read back the same way, so
// that what the library wrote is checked independently of the library.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>
#include <vector>

namespace lumenmeta::test {

// Metadata to put into an image, filled with Exiv2's own API.
struct FixtureImage {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;

    std::vector<unsigned char> Bytes() const;  // the minimal JPEG with this metadata
    std::vector<unsigned char> BytesOn(const std::vector<unsigned char>& base) const;
    std::string WriteTo(const std::string& path) const;  // writes Bytes(), returns `path`
    // Writes a TIFF structure of this Exif (with a 1x1 size), IPTC and XMP,
    // as Exiv2 writes a TIFF image; returns `path`.
    std::string WriteTiffTo(const std::string& path) const;
};

// What Exiv2 reads from a file, with no code of the library involved.
struct FileMetadata {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    int width = 0;
};
FileMetadata ReadBack(const std::string& path);

// Exif Make, Model, Artist, Orientation and XResolution; IPTC Caption and two
// Keywords; XMP dc:title (langAlt), dc:subject (bag), a private variable.
FixtureImage SampleFixture();
// Every shape of value the reading exports deliver, in each family: text in
// Windows-1252 and UTF-8, numbers of each type and count, rationals of both
// signs, UTF-16 "XP" bytes, a user comment, repeated and empty datasets, a
// zero byte inside a text, language alternatives, arrays, empty values.
FixtureImage ReadingFixture();
// IPTC in UTF-8 without a character-set marker: Caption "Café", Keywords
// "Grüße" and "Straße".
FixtureImage Utf8IptcFixture();
// Keywords "first" and "second" separated on disk by a Caption.
FixtureImage SeparatedKeywordsFixture();
// Only an Exif user comment: raw undefined bytes (an 8-byte character-code
// header, then the comment), or an ASCII text that Exiv2 hands out as it is.
FixtureImage UserCommentBytesFixture(const std::vector<unsigned char>& bytes);
FixtureImage UserCommentTextFixture(const std::string& text);
// A camera file: Exif with a Nikon maker note, a date, the resolution tags;
// IPTC caption and two keywords; XMP title and a private variable.
FixtureImage CameraSource();
// A file with metadata of its own, partly under CameraSource's keys (Artist,
// Keywords, Caption, dc:title), partly not (resolution 300, Software, City,
// dc:format, Rating).
FixtureImage ExistingTarget();

// An XMP sidecar written by Exiv2 (nothing when `xmp` is empty).
void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp);
// A 12-byte JPEG holding only the comment "helo".
inline const std::vector<unsigned char> kTinyJpegWithComment = {
    0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x06, 'h', 'e', 'l', 'o', 0xFF, 0xD9};
std::string CommentOf(const std::string& path);    // read with Exiv2

// The smallest ISO base media file Exiv2 opens, of about 100 bytes: an
// "ftyp" box with `brands` (the major brand, then compatible ones, four
// characters each: "heicmif1", "avif", "crx "), an empty "meta" box with a
// picture handler, and padding. Exiv2 reads it as a HEIF, AVIF or CR3 file
// without metadata, which it cannot write.
std::vector<unsigned char> BmffBytes(const std::string& brands);

}  // namespace lumenmeta::test
