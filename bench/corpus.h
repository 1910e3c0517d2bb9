// The benchmark corpus: JPEGs with the metadata a photo carries after a
// camera, a captioning tool and the host application have been at it, and
// synthetic files with very many XMP properties or IPTC keywords. Every byte
// is fixed by the arguments, so two runs measure the same files.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lumenmeta::bench {

// A JPEG of about `fileBytes` bytes with about 60 Exif tags (GPS and a
// thumbnail among them), IPTC caption, five keywords, byline and city, and
// XMP title (language alternative), subject (bag), creator (sequence) and
// custom properties. `variant` changes the texts and the scan, so that a
// second file of the same size has metadata of its own.
std::vector<unsigned char> RealisticJpeg(size_t fileBytes, int variant);

// A PNG with the realistic XMP and `count` custom properties. A PNG, because
// a JPEG holds at most 64 KB of XMP (Exiv2 writes no extended XMP) and
// Exiv2's sidecar writer looks every property up again from the start.
std::vector<unsigned char> ManyXmpPropertiesPng(int count, int variant);

// A small JPEG with `count` IPTC keywords besides the realistic metadata.
std::vector<unsigned char> ManyIptcKeywordsJpeg(int count, int variant);

// The keys a read benchmark asks for: Exif, IPTC and XMP, all present in
// every corpus file.
const std::vector<std::string>& ReadKeys();

// The three keys (one per family) a write benchmark sets, and the value
// given to each.
struct SetValue {
    const char* key;
    const char* value;
};
const std::vector<SetValue>& WriteValues();

}  // namespace lumenmeta::bench
