#include "save/iptc_digest.h"

#include <cstdint>
#include <cstring>

namespace lumenmeta {

namespace {

uint32_t RotateLeft(uint32_t x, int c) { return (x << c) | (x >> (32 - c)); }

void Md5Block(uint32_t state[4], const unsigned char block[64]) {
    static const uint32_t kSines[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
    };
    static const int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<uint32_t>(block[i * 4]) | static_cast<uint32_t>(block[i * 4 + 1]) << 8 |
                   static_cast<uint32_t>(block[i * 4 + 2]) << 16 | static_cast<uint32_t>(block[i * 4 + 3]) << 24;
    }
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        uint32_t f;
        int g;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const uint32_t next = d;
        d = c;
        c = b;
        b = b + RotateLeft(a + f + kSines[i] + words[g], kShifts[i]);
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

uint16_t BigEndian16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

constexpr char kPhotoshopHeader[] = "Photoshop 3.0";  // and its zero byte

// Updates the digest among the resources of one APP13 segment's payload.
bool RefreshInResources(unsigned char* data, size_t size) {
    const size_t headerSize = sizeof(kPhotoshopHeader);
    if (size < headerSize || std::memcmp(data, kPhotoshopHeader, headerSize) != 0) return false;
    const unsigned char* iptc = nullptr;
    size_t iptcSize = 0;
    unsigned char* digest = nullptr;
    size_t at = headerSize;
    while (at + 12 <= size && std::memcmp(data + at, "8BIM", 4) == 0) {
        const uint16_t id = BigEndian16(data + at + 4);
        size_t nameSize = 1 + data[at + 6];
        nameSize += nameSize % 2;
        const size_t sizeAt = at + 6 + nameSize;
        if (sizeAt + 4 > size) break;
        const size_t length = BigEndian32(data + sizeAt);
        const size_t start = sizeAt + 4;
        if (length > size - start) break;
        if (id == 0x0404) {
            iptc = data + start;
            iptcSize = length;
        } else if (id == 0x0425 && length == 16) {
            digest = data + start;
        }
        at = start + length + length % 2;
    }
    if (!iptc || !digest) return false;
    const std::string md5 = Md5(iptc, iptcSize);
    if (std::memcmp(digest, md5.data(), 16) == 0) return false;
    std::memcpy(digest, md5.data(), 16);
    return true;
}

}  // namespace

std::string Md5(const unsigned char* data, size_t size) {
    uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    size_t done = 0;
    for (; size - done >= 64; done += 64) Md5Block(state, data + done);
    unsigned char tail[128] = {};
    const size_t rest = size - done;
    std::memcpy(tail, data + done, rest);
    tail[rest] = 0x80;
    const size_t tailSize = rest < 56 ? 64 : 128;
    const uint64_t bits = static_cast<uint64_t>(size) * 8;
    for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<unsigned char>(bits >> (8 * i));
    for (size_t block = 0; block < tailSize; block += 64) Md5Block(state, tail + block);
    std::string digest(16, '\0');
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<char>(state[i / 4] >> (8 * (i % 4)));
    return digest;
}

bool RefreshIptcDigest(unsigned char* jpeg, size_t size) {
    if (size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    size_t at = 2;
    while (at + 4 <= size && jpeg[at] == 0xFF) {
        const unsigned char marker = jpeg[at + 1];
        if (marker == 0xDA || marker == 0xD9) break;  // the image data begins
        if (marker == 0xFF) {
            ++at;  // fill byte
            continue;
        }
        const size_t length = BigEndian16(jpeg + at + 2);
        if (length < 2 || length > size - at - 2) break;
        if (marker == 0xED) return RefreshInResources(jpeg + at + 4, length - 2);
        at += 2 + length;
    }
    return false;
}

}  // namespace lumenmeta
