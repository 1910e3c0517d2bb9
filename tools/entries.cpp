#include "entries.h"

#include "values.h"

#include <cstdio>
#include <map>

namespace lumenmeta_tool {

std::vector<Entry> FamilyEntries(MetaHandle* handle, const char* family) {
    std::vector<Entry> entries;
    const bool xmp = std::string(family) == "Xmp";
    const bool iptc = std::string(family) == "Iptc";
    const std::vector<std::string> keys = KeysOf(handle, family);
    // A repeated IPTC dataset's occurrences are read together, at the first.
    std::map<std::string, int> count;
    std::map<std::string, std::vector<ValueText>> occurrences;
    if (iptc) {
        for (const std::string& key : keys) ++count[key];
    }
    std::map<std::string, int> seen;
    for (const std::string& key : keys) {
        const int occurrence = seen[key]++;
        ValueText value;
        if (iptc && count[key] > 1) {
            if (occurrence == 0) occurrences[key] = ReadValues(handle, key, count[key]);
            value = std::move(occurrences[key][static_cast<size_t>(occurrence)]);
        } else {
            value = ReadValue(handle, key, 0, false);
        }
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
