// Looks into a handle's working set with Exiv2 directly, so tests of the
// editing exports check what was stored without going through the library.
#pragma once

#include "lumenmeta.h"

#include <string>

namespace lumenmeta::test {

// The first datum with `key`, or null.
inline const Exiv2::Exifdatum* FindExif(const MetaHandle& handle, const char* key) {
    const auto found = handle.exifData.findKey(Exiv2::ExifKey(key));
    return found == handle.exifData.end() ? nullptr : &*found;
}
inline const Exiv2::Iptcdatum* FindIptc(const MetaHandle& handle, const char* key) {
    const auto found = handle.iptcData.findKey(Exiv2::IptcKey(key));
    return found == handle.iptcData.end() ? nullptr : &*found;
}
inline const Exiv2::Xmpdatum* FindXmp(const MetaHandle& handle, const char* key) {
    const auto found = handle.xmpData.findKey(Exiv2::XmpKey(key));
    return found == handle.xmpData.end() ? nullptr : &*found;
}

// A value's binary form (little-endian numbers) as a byte string.
inline std::string RawBytes(const Exiv2::Metadatum& datum) {
    std::string bytes(static_cast<size_t>(datum.size()), '\0');
    datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
    return bytes;
}

}  // namespace lumenmeta::test
