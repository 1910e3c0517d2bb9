// The trace line the merges send for one datum: a fixed text, the key,
// " Value: ", the value's text and a line feed, as five pieces.
#pragma once

#include <string>

namespace lumenmeta {

void TraceKeyValueLine(const char* text, const std::string& key, const std::string& value);

}  // namespace lumenmeta
