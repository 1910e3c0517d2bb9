// Command-line parsing: the arguments of one command, split into positional
// arguments, options with a value and flags.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace lumenmeta_tool {

// A mistake in how the tool was called: exit code 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The options a command knows: those that take a value (as the next word or
// after "="), plain flags, and flags that may take a value after "="
// ("--sidecar", "--sidecar=auto"), which then count as given flags too.
struct KnownOptions {
    std::set<std::string> withValue;
    std::set<std::string> flags;
    std::set<std::string> optionalValue = {};
};

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    // Every positional argument (as {"", word}) and every option value (as
    // {option, value}) in the order given, for options that may repeat.
    std::vector<std::pair<std::string, std::string>> given;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    bool HasValue(const std::string& option) const { return values.count(option) != 0; }
    std::string Value(const std::string& option, const std::string& fallback = "") const;
    // The option's value as a whole number; UsageError when it is not one.
    int Number(const std::string& option, int fallback) const;
};

// Every command also knows -r, -L, -j N, --timeout S, --no-job-limit, --trace,
// --where and --where-missing (see filters.h), and --help. "--" ends the options. Throws UsageError for an unknown option or a missing value.
Arguments ParseArguments(const std::vector<std::string>& words, KnownOptions known);

}  // namespace lumenmeta_tool
