// The groups into which the host application's private-namespace properties
// fall: its user variables, its unresolved variables and its own bookkeeping
// ("system") properties.
#pragma once

#include <string_view>

namespace lumenmeta {

enum class VariableGroup {
    None,        // not a key of the private namespace
    Unresolved,  // "Xmp.Lumenframe.VarU", "Xmp.Lumenframe.VarUnresolved.*"
    System,      // the fixed bookkeeping keys and "Xmp.Lumenframe._*"
    Variables,   // every other key of the namespace
};

// The group of a full XMP key. Every comparison is case-sensitive.
VariableGroup GroupOfKey(std::string_view key);

}  // namespace lumenmeta
