// Conversions between UTF-16 and the two code pages the library uses:
// 65001 (UTF-8) and 0 (the ANSI code page, Windows-1252 here).
#pragma once

#include <string>
#include <string_view>

namespace lumenmeta {

constexpr int kCodePageAnsi = 0;
constexpr int kCodePageUtf8 = 65001;

// Not a Windows code page: narrow text of unknown encoding, as old Exif and
// IPTC hold it. Bytes that are valid UTF-8 decode as UTF-8, any other text as
// Windows-1252. Only WideFromCodePage accepts it.
constexpr int kCodePageUtf8OrAnsi = -65001;

// Converts every byte of `bytes` (zero bytes included) to UTF-16. UTF-8 input
// replaces each maximal ill-formed subpart with one U+FFFD. Throws
// std::invalid_argument for any other code page.
std::u16string WideFromCodePage(std::string_view bytes, int codePage);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// True when every byte is below 0x80.
bool IsAscii(std::string_view bytes);

// Narrow text of unknown encoding as UTF-8: valid UTF-8 unchanged, anything
// else decoded as Windows-1252.
std::string Utf8FromNarrowText(std::string_view bytes);

// Converts every unit of `text` to the code page. A lone surrogate becomes
// U+FFFD in UTF-8; in code page 0 every code point that Windows-1252 lacks
// (a surrogate pair counting as one) becomes one "?". Throws
// std::invalid_argument for any other code page.
std::string CodePageFromWide(std::u16string_view text, int codePage);

}  // namespace lumenmeta
