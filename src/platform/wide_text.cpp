#include "platform/wide_text.h"

#include <charconv>
#include <system_error>

namespace lumenmeta {

size_t WideLength(const char16_t* text) {
    size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

std::u16string_view UpToFirstZero(std::u16string_view text) {
    const size_t zero = text.find(u'\0');
    return zero == std::u16string_view::npos ? text : text.substr(0, zero);
}

std::u16string WideFromAscii(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::u16string FormatInteger(long long value) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    return WideFromAscii(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
}

std::u16string FormatFixed(double value, int decimals) {
    // Large enough for the 309 integer digits of DBL_MAX and the decimals.
    char digits[400];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return std::u16string();
    return WideFromAscii(std::string_view(digits, static_cast<size_t>(result.ptr - digits)));
}

double ParseLeadingDouble(std::u16string_view text) {
    size_t pos = 0;
    while (pos < text.size() &&
           (text[pos] == u' ' || (text[pos] >= u'\t' && text[pos] <= u'\r'))) {
        ++pos;
    }
    std::string ascii;
    for (; pos < text.size() && text[pos] > 0 && text[pos] < 0x80; ++pos) {
        ascii.push_back(static_cast<char>(text[pos]));
    }
    // from_chars takes no leading '+', which _wtof accepts.
    bool negative = false;
    std::string_view digits(ascii);
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    double value = 0;
    const auto result =
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (result.ec != std::errc()) return 0;
    return negative ? -value : value;
}

}  // namespace lumenmeta
