// One value into a caller's byte buffer, as Exiv2 holds it: no code page
// conversion and no rendering rules.
#include "read/narrow_getters.h"

#include "handle/text_rules.h"
#include "read/lookup.h"

namespace lumenmeta {

int GetXmpData(MetaHandle* handle, const char* key, char* buffer, int size) {
    if (!handle || !key || !buffer || size < 0) return 0;
    try {
        // At index 0 this is the first datum with the key, when not empty.
        const Exiv2::Xmpdatum* datum = FindXmpOccurrence(handle->xmpData, key, 0);
        if (!datum) return 0;
        CopyValueToNarrowBuffer(datum->value(), buffer, size);
        handle->hadXmp = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace lumenmeta

extern "C" {

int GetExifData(MetaHandle* handle, const char* key, char* buffer, int size) {
    using namespace lumenmeta;
    if (!handle || !key || !buffer || size < 0) return 0;
    try {
        const Exiv2::Exifdatum* datum = FindExifValue(handle->exifData, key);
        if (!datum) return 0;
        CopyValueToNarrowBuffer(datum->value(), buffer, size);
        handle->hadExif = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

int GetIptcData(MetaHandle* handle, const char* key, char* buffer, int size, int index) {
    using namespace lumenmeta;
    if (!handle || !key || !buffer || size < 0) return 0;
    try {
        // An empty dataset is delivered, as an empty string.
        const Exiv2::Iptcdatum* datum =
            FindIptcOccurrence(handle->iptcData, key, index, EmptyIptcValue::Found);
        if (!datum) return 0;
        CopyIptcTextToBuffer(datum->value().toString(), buffer, size);
        handle->hadIptc = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

int GetMetaData(MetaHandle* handle, const char* key, char* buffer, int size) {
    using namespace lumenmeta;
    if (!key) return 0;
    switch (key[0]) {
        case 'I':
        case 'i':
            return GetIptcData(handle, key, buffer, size, 0);
        case 'X':
        case 'x':
            return GetXmpData(handle, key, buffer, size);
        default:
            return GetExifData(handle, key, buffer, size);
    }
}

}  // extern "C"
