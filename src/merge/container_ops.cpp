#include "merge/container_ops.h"

namespace lumenmeta {

void AddDatum(Exiv2::ExifData& container, const std::string& key, const Exiv2::Value& value) {
    container.add(Exiv2::ExifKey(key), &value);
}

void AddDatum(Exiv2::IptcData& container, const std::string& key, const Exiv2::Value& value) {
    // IptcData::add takes a non-const pointer but only clones the value.
    container.add(Exiv2::IptcKey(key), const_cast<Exiv2::Value*>(&value));
}

void AddDatum(Exiv2::XmpData& container, const std::string& key, const Exiv2::Value& value) {
    container.add(Exiv2::XmpKey(key), &value);
}

Exiv2::Xmpdatum& FindOrAppendXmpDatum(Exiv2::XmpData& data, XmpPositions& positions,
                                      const std::string& key) {
    // XmpData::operator[] compares the text of the key Exiv2 makes of `key`.
    const Exiv2::XmpKey xmpKey(key);
    const auto [position, added] = positions.emplace(xmpKey.key(), data.count());
    if (added) {
        try {
            data.add(Exiv2::Xmpdatum(xmpKey));
        } catch (...) {
            positions.erase(position);
            throw;
        }
    }
    return *(data.begin() + position->second);
}

bool SameExifValue(const Exiv2::Exifdatum& a, const Exiv2::Exifdatum& b) {
    if (a.typeId() != b.typeId() || a.count() != b.count() || a.size() != b.size()) return false;
    std::string x(static_cast<size_t>(a.size()), '\0'), y(x.size(), '\0');
    a.copy(reinterpret_cast<Exiv2::byte*>(&x[0]), Exiv2::littleEndian);
    b.copy(reinterpret_cast<Exiv2::byte*>(&y[0]), Exiv2::littleEndian);
    return x == y;
}

}  // namespace lumenmeta
