// A small, strict JSON reader for checking the tool's `--json` output: objects,
// arrays, strings and integers, which is all the tool writes. Anything else,
// and anything that is not valid JSON, throws std::runtime_error.
#pragma once

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumenmeta::test {

struct JsonValue {
    double number = 0;
    std::string text;  // UTF-8, escapes decoded
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& name) const {
        const auto it = members.find(name);
        if (it == members.end()) throw std::runtime_error("no member " + name);
        return it->second;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    JsonValue Document() {
        JsonValue value = Value();
        Space();
        if (at_ != text_.size()) Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("invalid JSON at " + std::to_string(at_) + ": " + what);
    }
    char Next() {
        if (at_ >= text_.size()) Fail("end of text");
        return text_[at_++];
    }
    void Space() { at_ = std::min(text_.find_first_not_of(" \t\r\n", at_), text_.size()); }
    bool Take(char c) {
        Space();
        return at_ < text_.size() && text_[at_] == c ? (++at_, true) : false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail(std::string("expected ") + c);
    }

    JsonValue Value() {
        JsonValue value;
        if (Take('{')) {
            if (Take('}')) return value;
            do {
                Space();
                const std::string name = String();
                Expect(':');
                value.members[name] = Value();
            } while (Take(','));
            Expect('}');
        } else if (Take('[')) {
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (text_.compare(at_, 1, "\"") == 0) {
            value.text = String();
        } else {
            const size_t start = at_;
            Take('-');
            at_ = std::min(text_.find_first_not_of("0123456789", at_), text_.size());
            if (at_ == start || text_[at_ - 1] == '-') Fail("expected a value");
            value.number = std::stod(text_.substr(start, at_ - start));
        }
        return value;
    }

    // The tool escapes only '"', '\\', line breaks, tabs and, as \u00XX, the
    // other control characters; other escapes are refused.
    std::string String() {
        if (Next() != '"') Fail("expected a string");
        std::string out;
        for (char c; (c = Next()) != '"'; out += c) {
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') continue;
            const size_t simple = std::string("\"\\nrt").find(c = Next());
            if (simple != std::string::npos) {
                c = "\"\\\n\r\t"[simple];
            } else if (c == 'u' && text_.size() >= at_ + 4 && text_.compare(at_, 2, "00") == 0 &&
                       std::string("01234567").find(text_[at_ + 2]) != std::string::npos &&
                       std::isxdigit(static_cast<unsigned char>(text_[at_ + 3]))) {
                c = static_cast<char>(std::stoi(text_.substr(at_ + 2, 2), nullptr, 16));
                at_ += 4;
            } else {
                Fail("unexpected escape");
            }
        }
        return out;
    }

    const std::string& text_;
    size_t at_ = 0;
};

inline JsonValue ParseJson(const std::string& text) { return JsonParser(text).Document(); }

}  // namespace lumenmeta::test
