// JPEG files as bytes, made at run time, and the Exif block cut out of one.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace lumenmeta::test {

// The smallest JPEG the fixtures build on: a 16 x 8 grey baseline image
// without metadata.
constexpr int kMinimalJpegWidth = 16;
constexpr int kMinimalJpegHeight = 8;
const std::vector<unsigned char>& MinimalJpeg();

// A JPEG for realistic file sizes: the frame of a 4000 x 3000 grey photo whose
// scan holds `scanBytes` deterministic, entropy-coded-looking bytes (0xFF
// stuffed as in real scans). Exiv2 reads and writes it as it does photos.
std::vector<unsigned char> LargeJpeg(size_t scanBytes, uint32_t seed = 1);

// The Exif APP1 segment of `jpeg` from its marker on (marker, length,
// "Exif\0\0", TIFF structure); empty when there is none.
inline std::vector<unsigned char> ExifApp1Segment(const std::vector<unsigned char>& jpeg) {
    for (size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA;) {
        const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3], end = at + 2 + length;
        if (end > jpeg.size()) break;
        if (jpeg[at + 1] == 0xE1 && length >= 8 && std::memcmp(&jpeg[at + 4], "Exif\0\0", 6) == 0) {
            return std::vector<unsigned char>(jpeg.begin() + at, jpeg.begin() + end);
        }
        at = end;
    }
    return {};
}

}  // namespace lumenmeta::test
