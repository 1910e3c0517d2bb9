#include "edit/xmp_property_name.h"

#include "platform/debug_trace.h"

#include <exiv2/exiv2.hpp>

#include <cstring>
#include <string>

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
        const size_t start = at_;
        if (Digits()) {
            // The toolkit counts items from 1, in a signed 32-bit index.
            const std::string_view digits = path_.substr(start, at_ - start);
            const size_t significant = digits.find_first_not_of('0');
            if (significant == std::string_view::npos ||
                digits.size() - significant > 10 ||
                std::stoull(std::string(digits.substr(significant))) > 0x7FFFFFFFull) {
                badIndex_ = true;
            }
            indexEnd_ = at_ + 1;
            return Take(']');
        }
        if (Word("last()")) {
            indexEnd_ = at_ + 1;
            return Take(']');
        }
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

public:
    // An index that is 0 or does not fit the toolkit's 32 bits was read.
    bool badIndex() const { return badIndex_; }
    // Where the last index read ends (just past its "]"), or 0.
    size_t indexEnd() const { return indexEnd_; }

private:
    std::string_view path_;
    size_t at_ = 0;
    size_t width_ = 0;
    bool badIndex_ = false;
    size_t indexEnd_ = 0;
};

// Whether an item of the array `arrayKey` names (as Exiv2 knows its
// properties) is a simple value rather than a struct: "bag Text",
// "seq ProperName", "Lang Alt" hold simple items, "seq ResourceEvent" or
// "bag LocationDetails" structs. False for a property Exiv2 does not know.
bool HoldsSimpleItems(const std::string& arrayKey) {
    std::string type;
    try {
        const Exiv2::XmpPropertyInfo* info =
            Exiv2::XmpProperties::propertyInfo(Exiv2::XmpKey(arrayKey));
        if (!info || !info->xmpValueType_) return false;
        type = info->xmpValueType_;
    } catch (const Exiv2::AnyError&) {
        return false;
    }
    if (type == "Lang Alt") return true;
    for (const char* array : {"bag ", "seq ", "alt ", "Seq of ", "Ordered array of "}) {
        if (type.rfind(array, 0) != 0) continue;
        const std::string item = type.substr(std::strlen(array));
        static const char* const kSimple[] = {
            "Text", "Integer", "Real", "Rational", "Date", "Boolean", "ProperName", "Locale",
            "URI", "URL", "XPath", "Lang Alt", "MIMEType", "AgentName", "GUID", "RenditionClass"};
        for (const char* simple : kSimple) {
            if (item == simple) return true;
        }
        return item.find("Choice") != std::string::npos || item.rfind("points", 0) == 0;
    }
    return false;
}

void TraceRefusedKey(const char* why, const char* key) {
    TracePiece(why);
    TracePiece(key);
    TracePiece("\n");
}

// The property path's fault, if any.
enum class PathFault { None, Name, Index, Field };

PathFault CheckPath(std::string_view path, std::string_view arrayKeyStart, std::string& arrayKey) {
    PathReader reader(path);
    if (!reader.Name()) return PathFault::Name;
    size_t firstIndexEnd = 0;
    bool fieldAfterIndex = false;
    while (!reader.AtEnd()) {
        if (reader.Take('[')) {
            const size_t before = reader.indexEnd();
            if (!reader.Selector()) return PathFault::Name;
            if (reader.indexEnd() != before && firstIndexEnd == 0) {
                firstIndexEnd = reader.indexEnd();
                fieldAfterIndex = firstIndexEnd < path.size() && path[firstIndexEnd] == '/' &&
                                  (firstIndexEnd + 1 >= path.size() || path[firstIndexEnd + 1] != '?');
            }
        } else if (reader.Take('/')) {
            if (!reader.Take('?')) reader.Take('@');
            if (!reader.QualifiedName()) return PathFault::Name;
        } else {
            return PathFault::Name;
        }
    }
    if (reader.badIndex()) return PathFault::Index;
    if (fieldAfterIndex) {
        // The array the first index is in: the key up to that index.
        const size_t open = path.rfind('[', firstIndexEnd - 1);
        arrayKey = std::string(arrayKeyStart) + std::string(path.substr(0, open));
        if (HoldsSimpleItems(arrayKey)) return PathFault::Field;
    }
    return PathFault::None;
}

}  // namespace

bool IsWritableXmpPropertyPath(std::string_view path) {
    std::string arrayKey;
    return CheckPath(path, "", arrayKey) == PathFault::None;
}

bool CheckXmpKey(const char* key) {
    const char* prefixEnd = std::strchr(key, '.');
    const char* propertyStart = prefixEnd ? std::strchr(prefixEnd + 1, '.') : nullptr;
    if (!propertyStart) return true;
    std::string arrayKey;
    const std::string_view start(key, static_cast<size_t>(propertyStart + 1 - key));
    switch (CheckPath(propertyStart + 1, start, arrayKey)) {
        case PathFault::None:
            return true;
        case PathFault::Name:
            TraceRefusedKey("Not an XML name in XMP key: ", key);
            return false;
        case PathFault::Index:
            TraceRefusedKey("XMP array index not from 1 to 2147483647 in key: ", key);
            return false;
        case PathFault::Field:
            TraceRefusedKey("Field of an array item that is no struct in XMP key: ", key);
            return false;
    }
    return false;
}

}  // namespace lumenmeta
