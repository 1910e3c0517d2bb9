#include "support/json_reader.h"

#include <cstdlib>

namespace lumenmeta::test {

const JsonValue& JsonValue::operator[](const std::string& name) const {
    const auto it = members.find(name);
    if (kind != Kind::Object || it == members.end()) throw std::runtime_error("no member " + name);
    return it->second;
}

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    JsonValue Document() {
        JsonValue value = Value();
        Space();
        if (at_ != text_.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error("invalid JSON at " + std::to_string(at_) + ": " + what);
    }
    void Space() {
        while (at_ < text_.size() && std::string(" \t\r\n").find(text_[at_]) != std::string::npos) ++at_;
    }
    bool Take(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected ") + c);
    }
    bool Word(const char* word) {
        const std::string w(word);
        if (text_.compare(at_, w.size(), w) != 0) return false;
        at_ += w.size();
        return true;
    }

    JsonValue Value() {
        Space();
        if (at_ >= text_.size()) Fail("end of text");
        JsonValue value;
        const char c = text_[at_];
        if (c == '{') {
            ++at_;
            value.kind = JsonValue::Kind::Object;
            if (Take('}')) return value;
            do {
                Space();
                const std::string name = String();
                Expect(':');
                value.members[name] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++at_;
            value.kind = JsonValue::Kind::Array;
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.kind = JsonValue::Kind::String;
            value.text = String();
        } else if (Word("true") || Word("false")) {
            value.kind = JsonValue::Kind::Bool;
            value.boolean = c == 't';
        } else if (Word("null")) {
        } else {
            const char* start = text_.c_str() + at_;
            char* end = nullptr;
            value.number = std::strtod(start, &end);
            if (end == start || (c != '-' && (c < '0' || c > '9'))) Fail("unexpected character");
            value.kind = JsonValue::Kind::Number;
            at_ += static_cast<size_t>(end - start);
        }
        return value;
    }

    unsigned Hex4() {
        if (at_ + 4 > text_.size()) Fail("short \\u escape");
        const std::string digits = text_.substr(at_, 4);
        at_ += 4;
        char* end = nullptr;
        const unsigned long code = std::strtoul(digits.c_str(), &end, 16);
        if (end != digits.c_str() + 4) Fail("bad \\u escape");
        return static_cast<unsigned>(code);
    }

    static void Append(std::string& out, unsigned code) {
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

    std::string String() {
        if (at_ >= text_.size() || text_[at_] != '"') Fail("expected a string");
        ++at_;
        std::string out;
        while (true) {
            if (at_ >= text_.size()) Fail("unterminated string");
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) Fail("unterminated escape");
            const char e = text_[at_++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned code = Hex4();
                    if (code >= 0xD800 && code <= 0xDBFF && Word("\\u")) {
                        code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
                    }
                    Append(out, code);
                    break;
                }
                default: Fail("unknown escape");
            }
        }
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

JsonValue ParseJson(const std::string& text) { return Parser(text).Document(); }

}  // namespace lumenmeta::test
