#include "platform/ole_string.h"

#include "platform/wide_text.h"

#include <cstdlib>
#include <cstring>

// Layout: malloc'd block | unused | uint32 byte count | text units | 0 unit.
// The text starts sizeof(void*) bytes into the block, and the byte count
// occupies the 4 bytes just before the text.

namespace lumenmeta {

namespace {

constexpr size_t kHeader = sizeof(void*);

char* BlockOf(BSTR text) { return reinterpret_cast<char*>(text) - kHeader; }

}  // namespace

BSTR AllocBstrLen(const char16_t* text, uint32_t length) {
    const uint64_t bytes = uint64_t{length} * sizeof(char16_t);
    if (bytes > UINT32_MAX) return nullptr;
    char* block = static_cast<char*>(std::malloc(kHeader + bytes + sizeof(char16_t)));
    if (!block) return nullptr;
    std::memset(block, 0, kHeader);
    const uint32_t count = static_cast<uint32_t>(bytes);
    std::memcpy(block + kHeader - sizeof(count), &count, sizeof(count));
    BSTR result = reinterpret_cast<BSTR>(block + kHeader);
    if (text) {
        std::memcpy(result, text, bytes);
    } else {
        std::memset(result, 0, bytes);
    }
    result[length] = 0;
    return result;
}

BSTR AllocBstr(const char16_t* text) {
    if (!text) return nullptr;
    const size_t length = WideLength(text);
    if (length > UINT32_MAX / sizeof(char16_t)) return nullptr;
    return AllocBstrLen(text, static_cast<uint32_t>(length));
}

void FreeBstr(BSTR text) {
    if (text) std::free(BlockOf(text));
}

uint32_t BstrLen(BSTR text) {
    if (!text) return 0;
    uint32_t count = 0;
    std::memcpy(&count, BlockOf(text) + kHeader - sizeof(count), sizeof(count));
    return count / sizeof(char16_t);
}

}  // namespace lumenmeta

extern "C" {

BSTR SysAllocString(const OLECHAR* text) { return lumenmeta::AllocBstr(text); }

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) {
    return lumenmeta::AllocBstrLen(text, length);
}

void SysFreeString(BSTR text) { lumenmeta::FreeBstr(text); }

uint32_t SysStringLen(BSTR text) { return lumenmeta::BstrLen(text); }

}  // extern "C"
