#include "json.h"

#include "text.h"

#include <cstdio>

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

// Appends `text` quoted, with the characters JSON does not take as they are
// escaped; runs of other characters are appended whole. Returns whether the
// text is all ASCII.
bool AppendEscaped(std::string& out, const std::string& text) {
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    bool ascii = true;
    size_t run = 0;  // the start of the characters not yet appended
    const char* const data = text.data();
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        const unsigned char kind = kBytes.kind[c];
        if (kind == kPlain) continue;
        if (kind == kNotAscii) {
            ascii = false;
            continue;
        }
        out.append(text, run, i - run);
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
    out.append(text, run, std::string::npos);
    out += '"';
    return ascii;
}

}  // namespace

void AppendJsonString(std::string& out, const std::string& raw) {
    // JSON text is UTF-8: ill-formed bytes (a file name, say) become U+FFFD.
    const size_t start = out.size();
    if (AppendEscaped(out, raw) || IsValidUtf8(raw)) return;
    out.resize(start);
    AppendEscaped(out, Utf8FromWide(WideFromUtf8(raw)));
}

std::string JsonString(const std::string& raw) {
    std::string out;
    AppendJsonString(out, raw);
    return out;
}

}  // namespace lumenmeta_tool
