// Exif values as numbers, as their byte size or as raw bytes, without text
// conversion. The first datum with the key is read; IPTC and XMP keys are not
// served here (Exiv2 rejects them as Exif keys).
#include "lumenmeta.h"

#include "read/components.h"
#include "read/lookup.h"

namespace lumenmeta {
namespace {

// Finds the first Exif datum with the key and hands its value to `convert`,
// which stores the result; 1 when a value was delivered, else 0.
template <typename Convert>
int ReadExifValue(MetaHandle* handle, const char* key, Convert convert) {
    try {
        const Exiv2::Exifdatum* datum = FindExifValue(handle->exifData, key);
        if (!datum) return 0;
        convert(datum->value());
        handle->hadExif = true;
        return 1;
    } catch (...) {
        return 0;
    }
}

}  // namespace
}  // namespace lumenmeta

extern "C" {

int GetExifDataL(MetaHandle* handle, const char* key, int32_t* value) {
    using namespace lumenmeta;
    if (!handle || !key || !value) return 0;
    return ReadExifValue(handle, key, [&](const Exiv2::Value& found) {
        *value = ComponentAsLong(found, 0);
    });
}

// The same function under a second name.
int GetExifDataN(MetaHandle* handle, const char* key, int32_t* value)
    __attribute__((alias("GetExifDataL")));

int GetExifDataS(MetaHandle* handle, const char* key, int16_t* value, int32_t n) {
    using namespace lumenmeta;
    if (!handle || !key || !value) return 0;
    *value = 0;
    return ReadExifValue(handle, key, [&](const Exiv2::Value& found) {
        *value = static_cast<int16_t>(ComponentAsLong(found, n));
    });
}

int GetExifDataD(MetaHandle* handle, const char* key, double* value) {
    using namespace lumenmeta;
    if (!handle || !key || !value) return 0;
    return ReadExifValue(handle, key, [&](const Exiv2::Value& found) {
        *value = ComponentAsFloat(found, 0);
    });
}

int32_t GetExifDataLength(MetaHandle* handle, const char* key) {
    using namespace lumenmeta;
    if (!handle || !key) return 0;
    try {
        const Exiv2::Exifdatum* datum = FindExifValue(handle->exifData, key);
        return datum ? static_cast<int32_t>(datum->size()) : 0;
    } catch (...) {
        return 0;
    }
}

int32_t GetExifDataBinary(MetaHandle* handle, const char* key, unsigned char* buffer,
                          int32_t size) {
    using namespace lumenmeta;
    if (!handle || !key || !buffer) return 0;
    try {
        const Exiv2::Exifdatum* datum = FindExifValue(handle->exifData, key);
        if (!datum) return 0;
        const long length = datum->size();
        if (length > size) return 0;
        datum->value().copy(buffer, Exiv2::littleEndian);
        handle->hadExif = true;
        return static_cast<int32_t>(length);
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
