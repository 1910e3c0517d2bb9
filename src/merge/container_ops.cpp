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

}  // namespace lumenmeta
