#include "entries.h"

#include "values.h"

#include <cstdio>
#include <map>

namespace lumenmeta_tool {

std::vector<Entry> FamilyEntries(MetaHandle* handle, const char* family) {
    std::vector<Entry> entries;
    std::map<std::string, int> seen;
    const bool xmp = std::string(family) == "Xmp";
    const bool iptc = std::string(family) == "Iptc";
    for (const std::string& key : KeysOf(handle, family)) {
        const int occurrence = seen[key]++;
        ValueText value = ReadValue(handle, key, iptc ? occurrence : 0, false);
        if (xmp && value.type == 2) ReadAllValues(handle, key, "; ", value.text);
        entries.push_back({key, value.type, value.text});
    }
    return entries;
}

std::string TypeText(int type) {
    char text[16];
    std::snprintf(text, sizeof text, type >= 0x10000 ? "0x%X" : "%d", type);
    return text;
}

}  // namespace lumenmeta_tool
