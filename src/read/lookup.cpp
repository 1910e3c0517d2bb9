#include "read/lookup.h"

namespace lumenmeta {

const Exiv2::Exifdatum* FindExifValue(const Exiv2::ExifData& data, const char* key) {
    const auto it = data.findKey(Exiv2::ExifKey(key));
    if (it == data.end() || it->size() == 0) return nullptr;
    return &*it;
}

namespace {

// What XmpData::findKey finds, compared by prefix, then property: these are
// short texts, where the whole key would be made anew for every datum.
Exiv2::XmpData::const_iterator FindXmpKey(const Exiv2::XmpData& data, const Exiv2::XmpKey& key) {
    const std::string prefix = key.groupName();
    const std::string property = key.tagName();
    for (auto it = data.begin(); it != data.end(); ++it) {
        if (it->groupName() == prefix && it->tagName() == property) return it;
    }
    return data.end();
}

}  // namespace

const Exiv2::Xmpdatum* FindXmpOccurrence(const Exiv2::XmpData& data, const char* key, int index) {
    if (index < 0) return nullptr;
    auto it = FindXmpKey(data, Exiv2::XmpKey(key));
    for (int i = 0;; ++i) {
        if (it == data.end()) return nullptr;
        const bool qualifies = it->key() == key && it->size() != 0;
        if (qualifies && (i == index || it->typeId() == Exiv2::xmpBag)) return &*it;
        if (i == index) return nullptr;
        ++it;
    }
}

const Exiv2::Iptcdatum* FindIptcOccurrence(const Exiv2::IptcData& data, const char* key, int index,
                                           EmptyIptcValue empty) {
    if (index < 0) return nullptr;
    auto it = data.findKey(Exiv2::IptcKey(key));
    for (int i = 0; i < index && it != data.end(); ++i) ++it;
    if (it == data.end() || it->key() != key) return nullptr;
    if (empty == EmptyIptcValue::NotFound && it->size() == 0) return nullptr;
    return &*it;
}

}  // namespace lumenmeta
