#include "edit/xmp_property_name.h"

#include "platform/debug_trace.h"

#include <cstring>

namespace lumenmeta {

namespace {

bool InRange(char32_t c, char32_t low, char32_t high) { return low <= c && c <= high; }

// XML's NameStartChar and NameChar.
bool IsNameStart(char32_t c) {
    if (c < 0x80) return InRange(c, 'A', 'Z') || InRange(c, 'a', 'z') || c == '_';
    return InRange(c, 0xC0, 0xD6) || InRange(c, 0xD8, 0xF6) || InRange(c, 0xF8, 0x2FF) ||
           InRange(c, 0x370, 0x37D) || InRange(c, 0x37F, 0x1FFF) || InRange(c, 0x200C, 0x200D) ||
           InRange(c, 0x2070, 0x218F) || InRange(c, 0x2C00, 0x2FEF) ||
           InRange(c, 0x3001, 0xD7FF) || InRange(c, 0xF900, 0xFDCF) ||
           InRange(c, 0xFDF0, 0xFFFD) || InRange(c, 0x10000, 0xEFFFF);
}

bool IsNameChar(char32_t c) {
    return IsNameStart(c) || InRange(c, '0', '9') || c == '-' || c == '.' || c == 0xB7 ||
           InRange(c, 0x300, 0x36F) || InRange(c, 0x203F, 0x2040);
}

// Reads a property path step by step; each method consumes what it accepts.
class PathReader {
public:
    explicit PathReader(std::string_view path) : path_(path) {}

    bool AtEnd() const { return at_ == path_.size(); }

    bool Take(char c) {
        if (AtEnd() || path_[at_] != c) return false;
        ++at_;
        return true;
    }

    // An XML name without a colon.
    bool Name() {
        char32_t c = 0;
        if (!Peek(c) || !IsNameStart(c)) return false;
        do {
            at_ += width_;
        } while (Peek(c) && IsNameChar(c));
        return true;
    }

    // A name with an optional prefix: "stEvt:action".
    bool QualifiedName() { return Name() && (!Take(':') || Name()); }

    // What follows "[": an index, last(), or a field or qualifier selector
    // with a quoted value; then "]".
    bool Selector() {
        if (Digits() || Word("last()")) return Take(']');
        Take('?');
        if (!QualifiedName() || !Take('=')) return false;
        const char quote = AtEnd() ? '\0' : path_[at_];
        if (quote != '"' && quote != '\'') return false;
        const size_t close = path_.find(quote, at_ + 1);
        if (close == std::string_view::npos) return false;
        at_ = close + 1;
        return Take(']');
    }

private:
    bool Digits() {
        const size_t start = at_;
        while (!AtEnd() && InRange(static_cast<unsigned char>(path_[at_]), '0', '9')) ++at_;
        return at_ > start;
    }

    bool Word(std::string_view word) {
        if (path_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    // Decodes the well-formed UTF-8 character at the reading position
    // (no overlong forms, no surrogates) and notes its width.
    bool Peek(char32_t& c) {
        if (AtEnd()) return false;
        const auto byte = [this](size_t i) { return static_cast<unsigned char>(path_[at_ + i]); };
        const unsigned char lead = byte(0);
        size_t width = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                                       : lead >= 0xE0 && lead <= 0xEF ? 3
                                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                      : 0;
        if (width == 0 || at_ + width > path_.size()) return false;
        c = width == 1 ? lead : lead & (0x7F >> width);
        for (size_t i = 1; i < width; ++i) {
            if ((byte(i) & 0xC0) != 0x80) return false;
            c = (c << 6) | (byte(i) & 0x3F);
        }
        const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < smallest[width] || c > 0x10FFFF || InRange(c, 0xD800, 0xDFFF)) return false;
        width_ = width;
        return true;
    }

    std::string_view path_;
    size_t at_ = 0;
    size_t width_ = 0;
};

}  // namespace

bool IsWritableXmpPropertyPath(std::string_view path) {
    PathReader reader(path);
    if (!reader.Name()) return false;
    while (!reader.AtEnd()) {
        if (reader.Take('[')) {
            if (!reader.Selector()) return false;
        } else if (reader.Take('/')) {
            if (!reader.Take('?')) reader.Take('@');
            if (!reader.QualifiedName()) return false;
        } else {
            return false;
        }
    }
    return true;
}

bool CheckXmpKey(const char* key) {
    const char* prefixEnd = std::strchr(key, '.');
    const char* propertyStart = prefixEnd ? std::strchr(prefixEnd + 1, '.') : nullptr;
    if (!propertyStart || IsWritableXmpPropertyPath(propertyStart + 1)) return true;
    TracePiece("Not an XML name in XMP key: ");
    TracePiece(key);
    TracePiece("\n");
    return false;
}

}  // namespace lumenmeta
