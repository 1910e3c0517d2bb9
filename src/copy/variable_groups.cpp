#include "copy/variable_groups.h"

#include "platform/ascii.h"

#include <array>

namespace lumenmeta {

namespace {

constexpr std::string_view kNamespaceKeyPrefix = "Xmp.Lumenframe.";
constexpr std::string_view kUnresolvedKey = "Xmp.Lumenframe.VarU";
constexpr std::string_view kUnresolvedPrefix = "Xmp.Lumenframe.VarUnresolved.";
constexpr std::string_view kSystemPrefix = "Xmp.Lumenframe._";
constexpr std::array<std::string_view, 7> kSystemKeys = {
    "Xmp.Lumenframe.Guid",        "Xmp.Lumenframe.FileType",   "Xmp.Lumenframe.Filter1",
    "Xmp.Lumenframe.Filter2",     "Xmp.Lumenframe.RawSettings", "Xmp.Lumenframe.RawVersion",
    "Xmp.Lumenframe.Dir",
};

}  // namespace

VariableGroup GroupOfKey(std::string_view key) {
    if (!StartsWith(key, kNamespaceKeyPrefix)) return VariableGroup::None;
    // The unresolved tests come first.
    if (key == kUnresolvedKey || StartsWith(key, kUnresolvedPrefix)) {
        return VariableGroup::Unresolved;
    }
    for (std::string_view systemKey : kSystemKeys) {
        if (key == systemKey) return VariableGroup::System;
    }
    if (StartsWith(key, kSystemPrefix)) return VariableGroup::System;
    return VariableGroup::Variables;
}

}  // namespace lumenmeta
