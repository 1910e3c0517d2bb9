// Lists the keys of the host application's private-namespace properties.
#include "lumenmeta.h"

#include "copy/variable_groups.h"
#include "platform/sized_copy.h"

#include <cstdint>
#include <string>

namespace lumenmeta {

namespace {

struct GroupChoice {
    bool variables;
    bool unresolved;
    bool system;

    bool Lists(VariableGroup group) const {
        switch (group) {
            case VariableGroup::Variables: return variables;
            case VariableGroup::Unresolved: return unresolved;
            case VariableGroup::System: return system;
            case VariableGroup::None: break;
        }
        return false;
    }
};

// The chosen keys of the working XMP, in container order, joined by
// `separator`.
std::string JoinedKeys(const Exiv2::XmpData& xmp, GroupChoice choice, const char* separator) {
    std::string list;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const std::string key = datum.key();
        if (!choice.Lists(GroupOfKey(key))) continue;
        if (!list.empty()) list += separator;
        list += key;
    }
    return list;
}

}  // namespace

}  // namespace lumenmeta

extern "C" bool CollectLumenframeVarNames(MetaHandle* handle, char* buffer, int32_t* size,
                                          bool listVariables, bool listUnresolved,
                                          bool listSystem, const char* separator) {
    using namespace lumenmeta;
    if (!handle || !size) return false;
    std::string list;
    try {
        list = JoinedKeys(handle->xmpData, {listVariables, listUnresolved, listSystem},
                          separator ? separator : "|");
    } catch (...) {
        return false;  // memory ran out; size is left as it was
    }
    return CopyTextOut(list, buffer, size);
}
