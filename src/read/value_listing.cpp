#include "read/value_listing.h"


namespace lumenmeta {

namespace {

template <typename Container>
bool WalkContainer(const Container& data, const char* onlyKey,
                   const std::function<bool(const ListedValue&)>& visit) {
    int next = 0;  // with one key, the index of its next value
    const ValueItem whole;
    for (const auto& datum : data) {
        if (onlyKey && datum.key() != onlyKey) continue;
        if (datum.count() == 0 || !HasItems(datum.value())) {  // most values: one whole
            if (!visit(ListedValue{datum, whole, onlyKey ? next++ : -1})) return false;
            continue;
        }
        for (const ValueItem& item : ItemsOf(datum)) {
            if (!visit(ListedValue{datum, item, onlyKey ? next++ : -1})) return false;
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
