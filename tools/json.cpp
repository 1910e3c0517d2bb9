#include "json.h"

#include "text.h"

#include <cstdio>

namespace lumenmeta_tool {

namespace {

// The length of the well-formed UTF-8 character at `i`, or 0 when the bytes
// there are ill-formed.
size_t CharacterAt(const std::string& text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (i + length > text.size() || !IsValidUtf8(text.substr(i, length))) return 0;
    return length;
}

void AppendEscape(std::string& out, unsigned code) {
    char escaped[16];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
    out += escaped;
}

}  // namespace

std::string JsonString(const std::string& raw) {
    std::string out = "\"";
    for (size_t i = 0; i < raw.size();) {
        const size_t length = CharacterAt(raw, i);
        if (length == 0) {
            // A byte of ill-formed UTF-8 (a file name is any bytes) as the
            // lone low surrogate U+DC00 + byte ("\udcff" for 0xFF), as
            // Python's surrogateescape and os.fsencode read it: the name
            // maps back to its bytes exactly.
            AppendEscape(out, 0xDC00u + static_cast<unsigned char>(raw[i]));
            ++i;
            continue;
        }
        const char c = raw[i];
        if (length > 1) {
            out.append(raw, i, length);
        } else {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (static_cast<unsigned char>(c) < 0x20) {
                        AppendEscape(out, static_cast<unsigned char>(c));
                    } else {
                        out += c;
                    }
            }
        }
        i += length;
    }
    return out + "\"";
}

}  // namespace lumenmeta_tool
