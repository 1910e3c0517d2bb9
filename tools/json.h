// JSON text for `--json` output.
#pragma once

#include <string>

namespace lumenmeta_tool {

// `raw` as a quoted JSON string: control characters escaped, bytes that are
// not UTF-8 replaced by U+FFFD, so the result is always valid JSON.
std::string JsonString(const std::string& raw);

// Appends JsonString(raw) to `out`, without a string of its own.
void AppendJsonString(std::string& out, const std::string& raw);

}  // namespace lumenmeta_tool
