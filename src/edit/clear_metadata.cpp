#include "edit/clear_metadata.h"

#include "edit/edited_keys.h"
#include "handle/key_family.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

namespace {

// Erases every datum with the key, looking it up afresh from the start of
// the container after each erase, and returns how many went.
template <typename Container, typename Key>
int EraseAll(Container& data, const char* key) {
    int erased = 0;
    for (auto found = data.findKey(Key(key)); found != data.end(); found = data.findKey(Key(key))) {
        data.erase(found);
        ++erased;
    }
    return erased;
}

}  // namespace

int ClearKey(MetaHandle& handle, const char* key) {
    int erased = 0;
    try {
        switch (FamilyOfKey(key)) {
            case KeyFamily::Xmp:
                erased = EraseAll<Exiv2::XmpData, Exiv2::XmpKey>(handle.xmpData, key);
                break;
            case KeyFamily::Iptc:
                erased = EraseAll<Exiv2::IptcData, Exiv2::IptcKey>(handle.iptcData, key);
                break;
            case KeyFamily::Exif:
                erased = EraseAll<Exiv2::ExifData, Exiv2::ExifKey>(handle.exifData, key);
                break;
        }
    } catch (...) {
        return -1;
    }
    try {
        handle.deletedKeys.insert(key);
        ForgetEdit(handle, key);
    } catch (...) {
        // Memory ran out: the datums are gone from the working set but the key
        // could not be recorded, so report the clearing as failed.
        return -1;
    }
    return erased;
}

}  // namespace lumenmeta

extern "C" int ClearMetaData(MetaHandle* handle, const char* key) {
    if (!handle || !key) return -1;
    return lumenmeta::ClearKey(*handle, key);
}
