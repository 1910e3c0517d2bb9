// Filters on a batch: --where KEY=VALUE, --where KEY~REGEX and
// --where-missing KEY keep the files a command acts on.
#pragma once

#include "options.h"

#include <regex>
#include <string>
#include <vector>

namespace lumenmeta_tool {

// One condition on a file's metadata.
struct Condition {
    enum class Kind { Equals, Matches, Missing };
    Kind kind = Kind::Equals;
    std::string key;
    std::string value;  // the text compared, or the pattern's source
    std::regex pattern;
};

// The conditions given with --where and --where-missing, in order.
// UsageError for a --where without "=" or "~" after a key, or a pattern
// that is no ECMAScript regular expression.
std::vector<Condition> ConditionsOf(const Arguments& arguments);

// Whether a file's values meet one condition. `values` are the key's values
// in both their stored and readable forms, item by item, and the items
// joined as `get --all` joins them; empty when the file lacks the key.
// KEY=VALUE holds when one of them is VALUE, KEY~REGEX when the pattern is
// found in one, --where-missing when there is none.
bool Meets(const Condition& condition, const std::vector<std::string>& values);

// For a command that works on named files, not a batch: UsageError when
// --where or --where-missing was given, which it could only ignore.
void RefuseFilters(const Arguments& arguments, const std::string& command);

// The files among `files` that meet every condition (with --sidecar, read
// with their sidecars). A file that cannot be read is kept, so that the
// command reports why. Prints on stderr how many were left out, when any.
std::vector<std::string> FilterFiles(const Arguments& arguments,
                                     const std::vector<std::string>& files);

}  // namespace lumenmeta_tool
