#include "handle/text_rules.h"

#include "platform/code_page.h"
#include "platform/ole_string.h"
#include "platform/wide_text.h"

#include <algorithm>
#include <cstring>

namespace lumenmeta {

namespace {

std::string_view UpToFirstZeroByte(std::string_view text) {
    const size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

}  // namespace

std::string NarrowKeyFromWide(const char16_t* key) {
    return CodePageFromWide(std::u16string_view(key, WideLength(key)), kCodePageAnsi);
}

std::u16string WideFromValueText(std::string_view text, int codePage) {
    return std::u16string(UpToFirstZero(WideFromCodePage(UpToFirstZeroByte(text), codePage)));
}

int IptcCodePage(MetaHandle& handle) {
    if (handle.iptcCodePage == -1) {
        const char* charset = handle.iptcData.detectCharset();
        handle.iptcCodePage =
            charset && std::strcmp(charset, "UTF-8") == 0 ? kCodePageUtf8 : kCodePageAnsi;
    }
    return handle.iptcCodePage;
}

BSTR NewResultBstr(std::u16string_view text) {
    const std::u16string_view kept = UpToFirstZero(text);
    if (kept.size() > UINT32_MAX / sizeof(char16_t)) return nullptr;
    return AllocBstrLen(kept.data(), static_cast<uint32_t>(kept.size()));
}

void CopyToWideBuffer(std::u16string_view text, char16_t* buffer, int count) {
    if (!buffer || count <= 0) return;
    const std::u16string_view kept = UpToFirstZero(text);
    const size_t limit = static_cast<size_t>(count);
    const size_t copied = std::min(kept.size(), limit);
    std::copy_n(kept.data(), copied, buffer);
    std::fill(buffer + copied, buffer + limit, u'\0');
}

void CopyTextToNarrowBuffer(std::string_view text, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    const std::string_view kept = UpToFirstZeroByte(text);
    const size_t limit = static_cast<size_t>(size);
    const size_t copied = std::min(kept.size(), limit);
    std::memcpy(buffer, kept.data(), copied);
    std::memset(buffer + copied, 0, limit - copied);
}

void CopyValueToNarrowBuffer(const Exiv2::Value& value, char* buffer, int size) {
    if (!buffer || size <= 0) return;
    const Exiv2::TypeId type = value.typeId();
    const bool asText = type == Exiv2::asciiString || type == Exiv2::undefined ||
                        value.size() >= static_cast<long>(size);
    if (asText) {
        CopyTextToNarrowBuffer(value.toString(), buffer, size);
    } else {
        value.copy(reinterpret_cast<Exiv2::byte*>(buffer), Exiv2::littleEndian);
    }
}

void CopyIptcTextToBuffer(std::string_view text, char* buffer, int size) {
    if (!buffer || size < 0) return;
    // Copying min(size, L + 1) bytes and then terminating at min(L, size)
    // leaves the same bytes as copying min(size, L) and terminating after.
    const std::string_view kept = UpToFirstZeroByte(text);
    const size_t copied = std::min(static_cast<size_t>(size), kept.size());
    std::memcpy(buffer, kept.data(), copied);
    buffer[copied] = '\0';
}

}  // namespace lumenmeta
