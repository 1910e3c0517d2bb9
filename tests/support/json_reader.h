// A small, strict JSON reader for checking the tool's `--json` output: objects,
// arrays, strings, integers, true/false (as 1 and 0) and null, which is all
// the tool writes. Anything else,
// and anything that is not valid JSON, throws std::runtime_error.
#pragma once

#include <algorithm>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumenmeta::test {

struct JsonValue {
    double number = 0;
    bool null = false;
    std::string text;  // UTF-8, escapes decoded
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
    const JsonValue& operator[](const std::string& name) const { return members.at(name); }
};

struct JsonParser {
    const std::string& text;
    size_t at = 0;

    [[noreturn]] void Fail(const std::string& what) const {
        throw std::runtime_error("invalid JSON at " + std::to_string(at) + ": " + what);
    }
    char Next() {
        if (at >= text.size()) Fail("end of text");
        return text[at++];
    }
    void Space() { at = std::min(text.find_first_not_of(" \t\r\n", at), text.size()); }
    bool Take(char c) {
        Space();
        return at < text.size() && text[at] == c ? (++at, true) : false;
    }

    JsonValue Value() {
        JsonValue value;
        if (Take('{')) {
            if (Take('}')) return value;
            do {
                const std::string name = String();
                if (!Take(':')) Fail("expected ':'");
                value.members[name] = Value();
            } while (Take(','));
            if (!Take('}')) Fail("expected '}'");
        } else if (Take('[')) {
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            if (!Take(']')) Fail("expected ']'");
        } else if (text.compare(at, 1, "\"") == 0) {
            value.text = String();
        } else if (text.compare(at, 4, "true") == 0 || text.compare(at, 5, "false") == 0) {
            value.number = text[at] == 't';
            at += text[at] == 't' ? 4 : 5;
        } else if (text.compare(at, 4, "null") == 0) {
            value.null = true;
            at += 4;
        } else {
            const size_t start = at;
            Take('-');
            at = std::min(text.find_first_not_of("0123456789", at), text.size());
            if (at == start || text[at - 1] == '-') Fail("expected a value");
            value.number = std::stod(text.substr(start, at - start));
        }
        return value;
    }

    // The tool escapes only '"', '\\', line breaks, tabs and, as \u00XX, the
    // other control characters; other escapes are refused.
    std::string String() {
        Space();
        if (Next() != '"') Fail("expected a string");
        std::string out;
        for (char c; (c = Next()) != '"'; out += c) {
            if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
            if (c != '\\') continue;
            const size_t simple = std::string("\"\\nrt").find(c = Next());
            if (simple != std::string::npos) {
                c = "\"\\\n\r\t"[simple];
            } else if (const std::string hex = text.substr(at, 4);
                       c == 'u' && std::regex_match(hex, std::regex("00[0-7][0-9A-Fa-f]"))) {
                c = static_cast<char>(std::stoi(hex, nullptr, 16));
                at += 4;
            } else {
                Fail("unexpected escape");
            }
        }
        return out;
    }
};

inline JsonValue ParseJson(const std::string& text) {
    JsonParser parser{text};
    JsonValue value = parser.Value();
    parser.Space();
    if (parser.at != text.size()) parser.Fail("text after the value");
    return value;
}

}  // namespace lumenmeta::test
