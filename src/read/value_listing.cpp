#include "read/value_listing.h"

#include <cstring>
#include <unordered_map>

namespace lumenmeta {

namespace {

template <typename Container>
bool WalkContainer(const Container& data, const char* onlyKey,
                   const std::function<bool(const ListedValue&)>& visit) {
    // Only needed when the whole family is walked: with one key the values
    // are simply counted.
    std::unordered_map<std::string, int> counts;
    int onlyCount = 0;
    for (const auto& datum : data) {
        const std::string key = datum.key();
        if (onlyKey && key != onlyKey) continue;
        int& next = onlyKey ? onlyCount : counts[key];
        for (const ValueItem& item : ItemsOf(datum)) {
            if (!visit(ListedValue{datum, item, next++})) return false;
        }
    }
    return true;
}

}  // namespace

void WalkValues(const MetaHandle& handle, const std::string& family, const char* onlyKey,
                const std::function<bool(const ListedValue&)>& visit) {
    if (family == "Exif") {
        WalkContainer(handle.exifData, onlyKey, visit);
    } else if (family == "Iptc") {
        WalkContainer(handle.iptcData, onlyKey, visit);
    } else if (family == "Xmp") {
        WalkContainer(handle.xmpData, onlyKey, visit);
    }
}

}  // namespace lumenmeta
