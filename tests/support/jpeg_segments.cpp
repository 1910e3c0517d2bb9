#include "support/jpeg_segments.h"

#include <cstring>

namespace lumenmeta::test {

std::vector<unsigned char> ExifApp1Segment(const std::vector<unsigned char>& jpeg) {
    size_t at = 2;  // after the start-of-image marker
    while (at + 4 <= jpeg.size() && jpeg[at] == 0xFF && jpeg[at + 1] != 0xDA) {
        const size_t length = size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
        const size_t end = at + 2 + length;
        if (end > jpeg.size()) break;
        if (jpeg[at + 1] == 0xE1 && length >= 8 && std::memcmp(&jpeg[at + 4], "Exif\0\0", 6) == 0) {
            return std::vector<unsigned char>(jpeg.begin() + at, jpeg.begin() + end);
        }
        at = end;
    }
    return {};
}

}  // namespace lumenmeta::test
