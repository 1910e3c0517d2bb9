#include "text.h"

#include <cstdint>
#include <cstdio>

namespace lumenmeta_tool {

namespace {

// Windows-1252 bytes 0x80-0x9F; the five unassigned bytes stand for
// themselves.
const char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The Windows-1252 byte of a UTF-16 unit, or -1 when it has none.
int Windows1252Byte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) return 0x80 + i;
    }
    return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `i`; returns its length, or 0 when the bytes
// there are ill-formed (then one byte is taken as U+FFFD).
size_t DecodeOne(const std::string& text, size_t i, uint32_t& code) {
    const auto byte = [&](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t length = 0;
    uint32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

// The invisible characters that reorder the text around them (U+202E shows
// "gpj.exe" as "exe.jpg"): marks, embeddings, overrides and isolates.
bool IsDirectionControl(uint32_t code) {
    return code == 0x061C || code == 0x200E || code == 0x200F || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string Utf8FromWide(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
    return out;
}

std::u16string WideFromUtf8(const std::string& text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = DecodeOne(text, i, code);
        if (length == 0) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

bool IsValidUtf8(const std::string& bytes) {
    for (size_t i = 0; i < bytes.size();) {
        uint32_t code = 0;
        const size_t length = DecodeOne(bytes, i, code);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string Shown(const std::string& text) {
    std::string out;
    char escaped[16];
    for (size_t i = 0; i < text.size();) {
        uint32_t code = 0;
        const size_t length = DecodeOne(text, i, code);
        if (code == '\\' && length == 1) {
            out += "\\\\";  // so that a real "\x1b" escape and the literal text differ
            ++i;
            continue;
        }
        if (length == 0 || code < 0x20 || code == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[i]));
            out += escaped;
            ++i;
            continue;
        }
        if ((code >= 0x80 && code <= 0x9F) || IsDirectionControl(code)) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(code));
            out += escaped;
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

std::string ExifDisplayText(const std::u16string& text) {
    std::string bytes;
    for (char16_t unit : text) {
        const int byte = Windows1252Byte(unit);
        if (byte < 0) return Utf8FromWide(text);
        bytes += static_cast<char>(byte);
    }
    return IsValidUtf8(bytes) ? bytes : Utf8FromWide(text);
}

Bstr::Bstr(const std::string& utf8) {
    const std::u16string wide = WideFromUtf8(utf8);
    text_ = SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
}

std::u16string Bstr::Text() const {
    return text_ ? std::u16string(text_, SysStringLen(text_)) : std::u16string();
}

}  // namespace lumenmeta_tool
