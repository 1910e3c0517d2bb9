#include "edit/edited_keys.h"

#include "handle/key_family.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

std::string CanonicalKey(const char* key) noexcept {
    try {
        // Exiv2 accepts the family only as "Exif", "Iptc" or "Xmp".
        std::string spelled = key;
        const size_t stop = spelled.find('.');
        if (stop == std::string::npos) return std::string();
        switch (FamilyOfKey(key)) {
            case KeyFamily::Xmp:
                return Exiv2::XmpKey("Xmp" + spelled.substr(stop)).key();
            case KeyFamily::Iptc:
                return Exiv2::IptcKey("Iptc" + spelled.substr(stop)).key();
            case KeyFamily::Exif:
                return Exiv2::ExifKey("Exif" + spelled.substr(stop)).key();
        }
    } catch (...) {
    }
    return std::string();
}

void RecordEdit(MetaHandle& handle, const char* key) noexcept {
    try {
        const std::string canonical = CanonicalKey(key);
        if (!canonical.empty()) handle.editedKeys.insert(canonical);
    } catch (...) {
    }
}

void ForgetEdit(MetaHandle& handle, const char* key) noexcept {
    const std::string canonical = CanonicalKey(key);
    if (!canonical.empty()) handle.editedKeys.erase(canonical);
}

}  // namespace lumenmeta
