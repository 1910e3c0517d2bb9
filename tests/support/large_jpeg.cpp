#include "support/jpeg_bytes.h"

#include <algorithm>
#include <random>

namespace lumenmeta::test {

std::vector<unsigned char> LargeJpeg(size_t scanBytes, uint32_t seed) {
    // The minimal JPEG up to and including its scan header, 3000 lines of
    // 4000 pixels in its frame header.
    const std::vector<unsigned char>& minimal = MinimalJpeg();
    const unsigned char scan[] = {0xFF, 0xDA}, frame[] = {0xFF, 0xC0};
    std::vector<unsigned char> jpeg(
        minimal.begin(), std::search(minimal.begin(), minimal.end(), scan, scan + 2) + 10);
    auto size = std::search(jpeg.begin(), jpeg.end(), frame, frame + 2) + 5;
    for (const int byte : {3000 >> 8, 3000 & 0xFF, 4000 >> 8, 4000 & 0xFF}) *size++ = uint8_t(byte);

    std::mt19937 random(seed);
    jpeg.reserve(jpeg.size() + scanBytes + 2);
    for (size_t i = 0; i < scanBytes; ++i) {
        jpeg.push_back(static_cast<unsigned char>(random()));
        if (jpeg.back() == 0xFF) jpeg.push_back(0x00);
    }
    jpeg.insert(jpeg.end(), {0xFF, 0xD9});
    return jpeg;
}

}  // namespace lumenmeta::test
