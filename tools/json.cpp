#include "json.h"

#include "text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace lumenmeta_tool {

namespace {

// What a byte asks of the writer: nothing, an escape (the control
// characters, the quote and the backslash), or a check of the UTF-8 it
// belongs to (bytes from 0x80 on).
enum : unsigned char { kPlain = 0, kEscaped = 1, kNotAscii = 2 };
struct ByteTable {
    unsigned char kind[256] = {};
    constexpr ByteTable() {
        for (int c = 0; c < 0x20; ++c) kind[c] = kEscaped;
        kind[static_cast<unsigned char>('"')] = kEscaped;
        kind[static_cast<unsigned char>('\\')] = kEscaped;
        for (int c = 0x80; c < 0x100; ++c) kind[c] = kNotAscii;
    }
};
constexpr ByteTable kBytes;

// Whether any of the eight bytes of `word` is not plain: a control
// character, the quote, the backslash, or a byte from 0x80 on.
bool AnyNotPlain(uint64_t word) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    const auto anyZero = [](uint64_t bytes) { return (bytes - kOnes) & ~bytes & kHighs; };
    const uint64_t belowBlank = (word - kOnes * 0x20) & ~word & kHighs;
    return (belowBlank | anyZero(word ^ (kOnes * '"')) | anyZero(word ^ (kOnes * '\\')) |
            (word & kHighs)) != 0;
}

// Appends `text` quoted, with the characters JSON does not take as they are
// escaped; runs of other characters are appended whole. Returns whether the
// text is all ASCII.
bool AppendEscaped(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    bool ascii = true;
    size_t run = 0;  // the start of the characters not yet appended
    const char* const data = text.data();
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        // Eight plain bytes at a time, then the eight that hold another one
        // byte by byte.
        uint64_t word;
        if (size - i >= 8 && (std::memcpy(&word, data + i, 8), !AnyNotPlain(word))) {
            i += 8;
            continue;
        }
        for (const size_t stop = std::min(size, i + 8); i < stop; ++i) {
            const unsigned char c = static_cast<unsigned char>(data[i]);
            const unsigned char kind = kBytes.kind[c];
            if (kind == kPlain) continue;
            if (kind == kNotAscii) {
                ascii = false;
                continue;
            }
            out.append(data + run, i - run);
            run = i + 1;
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default: {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                }
            }
        }
    }
    out.append(data + run, size - run);
    out += '"';
    return ascii;
}

// The length of the well-formed UTF-8 character at `i`, or 0 when the bytes
// there are ill-formed.
size_t CharacterAt(const std::string& text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + length > text.size() || !IsValidUtf8(text.substr(i, length))) return 0;
    return length;
}

// As AppendEscaped, for text that is not all well-formed UTF-8: each byte of
// ill-formed UTF-8 (a file name is any bytes) becomes the lone low surrogate
// U+DC00 + byte ("\udcff" for 0xFF), as Python's surrogateescape and
// os.fsencode read it, so the name maps back to its bytes exactly.
void AppendSurrogateEscaped(std::string& out, const std::string& raw) {
    out += '"';
    for (size_t i = 0; i < raw.size();) {
        const size_t length = CharacterAt(raw, i);
        if (length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", 0xDC00u + static_cast<unsigned char>(raw[i]));
            out += escaped;
            ++i;
            continue;
        }
        const size_t at = out.size();
        AppendEscaped(out, raw.substr(i, length));
        out.erase(at, 1);  // the quotes AppendEscaped puts around it
        out.pop_back();
        i += length;
    }
    out += '"';
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view raw) {
    const size_t start = out.size();
    if (AppendEscaped(out, raw)) return;
    const std::string bytes(raw);
    if (IsValidUtf8(bytes)) return;
    out.resize(start);
    AppendSurrogateEscaped(out, bytes);
}

std::string JsonString(const std::string& raw) {
    std::string out;
    AppendJsonString(out, raw);
    return out;
}

}  // namespace lumenmeta_tool
