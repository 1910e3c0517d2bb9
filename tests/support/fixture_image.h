// Test images made at run time: the minimal JPEG with Exif, IPTC and XMP put
// in through Exiv2 directly, and a file's metadata read back the same way, so
// that what the library wrote is checked independently of the library.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>
#include <vector>

namespace lumenmeta::test {

// Metadata to put into the minimal JPEG. Fill the containers with Exiv2's own
// API, e.g. `fixture.exif["Exif.Image.Artist"] = "Ann";`.
struct FixtureImage {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;

    std::vector<unsigned char> Bytes() const;  // the minimal JPEG with this metadata
    // The bytes of another image (`base`) with this metadata.
    std::vector<unsigned char> BytesOn(const std::vector<unsigned char>& base) const;
    std::string WriteTo(const std::string& path) const;  // writes Bytes(), returns `path`
};

// What Exiv2 reads from a file, with no code of the library involved.
struct FileMetadata {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    int width = 0;
};
FileMetadata ReadBack(const std::string& path);

// A little of each family: Exif Make, Model, Artist, Orientation and
// XResolution; IPTC Caption and two Keywords; XMP dc:title (langAlt),
// dc:subject (bag) and a private-namespace variable.
FixtureImage SampleFixture();

// Every shape of value the reading exports deliver: Exif text in Windows-1252
// and in UTF-8 bytes, shorts (one and three components), signed shorts, longs
// (one beyond 31 bits), rationals of both signs, the UTF-16 "XP" byte tags (one
// odd-sized, one starting with a zero unit), an ASCII user comment and an
// empty value; Windows-1252 IPTC with three adjacent keywords, a short, a
// date, an empty dataset and a text with a zero byte inside; XMP text,
// language alternatives with and without x-default, a bag, a sequence, an
// empty value and rational properties. The source file lists each value.
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
// A file with metadata of its own, partly under the same keys as CameraSource
// (Artist, Keywords, Caption, dc:title) and partly not (resolution 300,
// Software, City, dc:format, Rating).
FixtureImage ExistingTarget();

// Writes an XMP sidecar with Exiv2 holding `xmp` (nothing when empty).
void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp);
// A 12-byte JPEG holding only the comment "helo".
std::vector<unsigned char> TinyJpegWithComment();
// The comment of the image file at `path`, read with Exiv2.
std::string CommentOf(const std::string& path);

}  // namespace lumenmeta::test
