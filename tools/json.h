// JSON text for `--json` output.
#pragma once

#include <string>

namespace lumenmeta_tool {

// `text` (UTF-8) as a quoted JSON string, control characters escaped.
std::string JsonString(const std::string& text);

}  // namespace lumenmeta_tool
