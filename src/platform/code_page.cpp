#include "platform/code_page.h"

#include <stdexcept>

namespace lumenmeta {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Windows-1252 bytes 0x80 to 0x9F. The five bytes Windows-1252 leaves
// unassigned decode to the code point of the same number, as Windows does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// The length of a well-formed sequence that starts with `lead` and the range
// its second byte must fall in (Unicode's table of well-formed UTF-8); 0 for
// a byte that cannot start a sequence.
struct Utf8Lead {
    int length;
    unsigned char secondLow;
    unsigned char secondHigh;
};

Utf8Lead ClassifyLead(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
    if (lead == 0xE0) return {3, 0xA0, 0xBF};
    if (lead == 0xED) return {3, 0x80, 0x9F};
    if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
    if (lead == 0xF0) return {4, 0x90, 0xBF};
    if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
    if (lead == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

std::u16string WideFromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            ++i;
            continue;
        }
        const Utf8Lead form = ClassifyLead(lead);
        if (form.length == 0) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t cp = lead & (0x7F >> form.length);
        int taken = 1;
        while (taken < form.length && i + taken < bytes.size()) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + taken]);
            const unsigned char low = taken == 1 ? form.secondLow : 0x80;
            const unsigned char high = taken == 1 ? form.secondHigh : 0xBF;
            if (next < low || next > high) break;
            cp = (cp << 6) | (next & 0x3F);
            ++taken;
        }
        if (taken == form.length) {
            AppendCodePoint(out, cp);
        } else {
            out.push_back(kReplacement);  // one for the whole maximal subpart
        }
        i += static_cast<size_t>(taken);
    }
    return out;
}

std::string Utf8FromWide(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string WideFromWindows1252(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const unsigned char byte = static_cast<unsigned char>(c);
        out.push_back(byte >= 0x80 && byte <= 0x9F ? kWindows1252High[byte - 0x80] : byte);
    }
    return out;
}

char Windows1252Byte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] == unit) return static_cast<char>(0x80 + i);
    }
    return '?';
}

std::string Windows1252FromWide(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;  // a pair is one code point, and none is in Windows-1252
            out.push_back('?');
            continue;
        }
        out.push_back(Windows1252Byte(text[i]));
    }
    return out;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        const Utf8Lead form = ClassifyLead(lead);
        if (form.length == 0 || bytes.size() - i < static_cast<size_t>(form.length)) return false;
        const unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
        if (second < form.secondLow || second > form.secondHigh) return false;
        for (int k = 2; k < form.length; ++k) {
            const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if (next < 0x80 || next > 0xBF) return false;
        }
        i += static_cast<size_t>(form.length);
    }
    return true;
}

bool IsAscii(std::string_view bytes) {
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80) return false;
    }
    return true;
}

std::string Utf8FromNarrowText(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Utf8FromWide(WideFromWindows1252(bytes));
}

std::u16string WideFromCodePage(std::string_view bytes, int codePage) {
    if (codePage == kCodePageUtf8) return WideFromUtf8(bytes);
    if (codePage == kCodePageUtf8OrAnsi) {
        return IsValidUtf8(bytes) ? WideFromUtf8(bytes) : WideFromWindows1252(bytes);
    }
    if (codePage == kCodePageAnsi) return WideFromWindows1252(bytes);
    throw std::invalid_argument("unsupported code page");
}

std::string CodePageFromWide(std::u16string_view text, int codePage) {
    if (codePage == kCodePageUtf8) return Utf8FromWide(text);
    if (codePage == kCodePageAnsi) return Windows1252FromWide(text);
    throw std::invalid_argument("unsupported code page");
}

}  // namespace lumenmeta
