#include "support/large_jpeg.h"

#include "support/minimal_jpeg.h"

#include <algorithm>
#include <random>

namespace lumenmeta::test {

std::vector<unsigned char> LargeJpeg(size_t scanBytes, uint32_t seed) {
    const std::vector<unsigned char>& minimal = MinimalJpeg();
    // Everything of the minimal JPEG up to and including its scan header.
    const unsigned char scanHeader[] = {0xFF, 0xDA};
    auto scan = std::search(minimal.begin(), minimal.end(), scanHeader, scanHeader + 2);
    std::vector<unsigned char> jpeg(minimal.begin(), scan + 10);
    // Frame size: 3000 lines of 4000 pixels.
    const unsigned char frameHeader[] = {0xFF, 0xC0};
    auto frame = std::search(jpeg.begin(), jpeg.end(), frameHeader, frameHeader + 2);
    frame[5] = 3000 >> 8;
    frame[6] = 3000 & 0xFF;
    frame[7] = 4000 >> 8;
    frame[8] = 4000 & 0xFF;

    std::mt19937 random(seed);
    jpeg.reserve(jpeg.size() + scanBytes + 2);
    for (size_t i = 0; i < scanBytes; ++i) {
        const unsigned char byte = static_cast<unsigned char>(random());
        jpeg.push_back(byte);
        if (byte == 0xFF) jpeg.push_back(0x00);
    }
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

}  // namespace lumenmeta::test
