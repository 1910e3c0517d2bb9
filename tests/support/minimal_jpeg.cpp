#include "support/minimal_jpeg.h"

namespace lumenmeta::test {

namespace {

std::vector<unsigned char> BuildMinimalJpeg() {
    std::vector<unsigned char> jpeg = {0xFF, 0xD8};  // start of image
    // One quantisation table, every step 1.
    const unsigned char dqt[] = {0xFF, 0xDB, 0x00, 0x43, 0x00};
    jpeg.insert(jpeg.end(), dqt, dqt + sizeof(dqt));
    jpeg.insert(jpeg.end(), 64, 0x01);
    // Baseline frame: 8 bits, height 8, width 16, one component.
    const unsigned char sof[] = {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08,
                                 0x00, 0x10, 0x01, 0x01, 0x11, 0x00};
    jpeg.insert(jpeg.end(), sof, sof + sizeof(sof));
    // A DC and an AC Huffman table, each with the one code "0" for symbol 0.
    for (const unsigned char tableClass : {0x00, 0x10}) {
        const unsigned char dht[] = {0xFF, 0xC4, 0x00, 0x14, tableClass, 0x01};
        jpeg.insert(jpeg.end(), dht, dht + sizeof(dht));
        jpeg.insert(jpeg.end(), 15, 0x00);
        jpeg.push_back(0x00);
    }
    // Scan: each of the two blocks is DC difference 0 and end of block,
    // four 0 bits in all, padded with 1 bits.
    const unsigned char sos[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00,
                                 0x00, 0x3F, 0x00, 0x0F, 0xFF, 0xD9};
    jpeg.insert(jpeg.end(), sos, sos + sizeof(sos));
    return jpeg;
}

}  // namespace

const std::vector<unsigned char>& MinimalJpeg() {
    static const std::vector<unsigned char> jpeg = BuildMinimalJpeg();
    return jpeg;
}

}  // namespace lumenmeta::test
