#include "entries.h"

#include <cstdio>

namespace lumenmeta_tool {

std::vector<Entry> FamilyEntries(MetaHandle* handle, const char* family) {
    MetaDataEntry* listed = nullptr;
    const int32_t count = GetMetaDataEntries(handle, family, &listed);
    std::vector<Entry> entries;
    try {
        entries.reserve(static_cast<size_t>(count > 0 ? count : 0));
        for (int32_t i = 0; i < count; ++i) {
            const MetaDataEntry& e = listed[i];
            entries.push_back({e.key, e.type, e.stored, e.text, e.index, e.language});
        }
    } catch (...) {
        FreeMetaDataEntries(listed);
        throw;
    }
    FreeMetaDataEntries(listed);
    return entries;
}

std::string TypeText(int type) {
    char text[16];
    std::snprintf(text, sizeof text, type >= 0x10000 ? "0x%X" : "%d", type);
    return text;
}

}  // namespace lumenmeta_tool
