// Helpers for UTF-16 text held in char16_t, where the C library's wide
// functions (which work on the 4-byte wchar_t here) do not apply. Numbers are
// formatted and parsed in the C locale, whatever locale the host has set.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace lumenmeta {

// Units before the first zero unit (wcslen).
size_t WideLength(const char16_t* text);

// `text` up to its first zero unit.
std::u16string_view UpToFirstZero(std::u16string_view text);

// Widens ASCII text unit by unit.
std::u16string WideFromAscii(std::string_view text);

// "%d" of `value`.
std::u16string FormatInteger(long long value);

// "%.<decimals>f" of `value`: "%f" of 72 is 72.000000.
std::u16string FormatFixed(double value, int decimals = 6);

// The number at the start of `text` after leading white space, as _wtof reads
// it; 0 when there is none.
double ParseLeadingDouble(std::u16string_view text);

}  // namespace lumenmeta
