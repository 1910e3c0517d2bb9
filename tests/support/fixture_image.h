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

    // The JPEG's bytes with this metadata.
    std::vector<unsigned char> Bytes() const;
    // The bytes of another image (`base`) with this metadata.
    std::vector<unsigned char> BytesOn(const std::vector<unsigned char>& base) const;
    // Writes the JPEG to `path` and returns the path.
    std::string WriteTo(const std::string& path) const;
};

// A fixture with a little of each family: Exif Make, Model, Artist,
// Orientation and XResolution; IPTC Caption and two Keywords; XMP dc:title
// (langAlt), dc:subject (bag) and a private-namespace variable.
FixtureImage SampleFixture();

// What Exiv2 reads from a file, with no code of the library involved.
struct FileMetadata {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    int width = 0;
    int height = 0;
};

FileMetadata ReadBack(const std::string& path);

}  // namespace lumenmeta::test
