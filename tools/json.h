// JSON text for `--json` output.
#pragma once

#include <string>
#include <string_view>

namespace lumenmeta_tool {

// `raw` as a quoted JSON string: control characters escaped, and each byte
// that is not part of well-formed UTF-8 as the escape of the lone surrogate
// U+DC00 + byte (0xFF as "\udcff"), which JSON's grammar admits and which
// gives the bytes back (Python: os.fsencode of the decoded text).
std::string JsonString(const std::string& raw);

// Appends JsonString(raw) to `out`, without a string of its own.
void AppendJsonString(std::string& out, std::string_view raw);

}  // namespace lumenmeta_tool
