// A small JSON reader for checking the tool's `--json` output: parses a whole
// document strictly (an error for anything that is not valid JSON).
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumenmeta::test {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;  // UTF-8, escapes decoded
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& name) const;  // throws when absent
};

// Throws std::runtime_error for text that is not one valid JSON value.
JsonValue ParseJson(const std::string& text);

}  // namespace lumenmeta::test
