#include "platform/ascii.h"

#include <cstdint>
#include <cstring>

namespace lumenmeta {

namespace {

int FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

int CompareNoCaseN(const char* a, const char* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const int ca = FoldAscii(static_cast<unsigned char>(a[i]));
        const int cb = FoldAscii(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
    }
    return 0;
}

int CompareNoCase(const char* a, const char* b) { return CompareNoCaseN(a, b, SIZE_MAX); }

bool StartsWithNoCase(const char* text, const char* prefix) {
    return CompareNoCaseN(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace lumenmeta
