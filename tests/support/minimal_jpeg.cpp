#include "support/jpeg_bytes.h"

namespace lumenmeta::test {

const std::vector<unsigned char>& MinimalJpeg() {
    static const std::vector<unsigned char> jpeg = [] {
        // Start of image and one quantisation table, every step 1.
        std::vector<unsigned char> bytes = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00};
        bytes.insert(bytes.end(), 64, 0x01);
        // Baseline frame: 8 bits, height 8, width 16, one component.
        bytes.insert(bytes.end(), {0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x08, 0x00, 0x10, 0x01,
                                   0x01, 0x11, 0x00});
        // A DC and an AC Huffman table, each with the one code "0" for symbol 0.
        for (const unsigned char tableClass : {0x00, 0x10}) {
            bytes.insert(bytes.end(), {0xFF, 0xC4, 0x00, 0x14, tableClass, 0x01});
            bytes.insert(bytes.end(), 16, 0x00);
        }
        // Scan: two blocks of DC difference 0 and end of block (four 0 bits in
        // all, padded with 1 bits); then the end of image.
        bytes.insert(bytes.end(), {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00,
                                   0x0F, 0xFF, 0xD9});
        return bytes;
    }();
    return jpeg;
}

}  // namespace lumenmeta::test
