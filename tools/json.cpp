#include "json.h"

#include "text.h"

#include <cstdio>

namespace lumenmeta_tool {

std::string JsonString(const std::string& raw) {
    // JSON text is UTF-8: ill-formed bytes (a file name, say) become U+FFFD.
    const std::string text = IsValidUtf8(raw) ? raw : Utf8FromWide(WideFromUtf8(raw));
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

}  // namespace lumenmeta_tool
