// AddMeta, ModifyMetaDataValueAsString and ModifyExifIptcMeta: the exports
// of the typed setters, all on SetTypedValue.
#include "edit/typed_setter.h"

#include <string>

using namespace lumenmeta;

extern "C" int AddMeta(MetaHandle* handle, const char* key, const char* value, int type) {
    if (!handle || !key || !value) return kTypedBadArgument;
    if (*value == '\0') return kTypedKeyRefused;  // as ModifyExifIptcMeta treats empty text
    try {
        return SetTypedValue(*handle, key, value, type, kAddMeta);
    } catch (...) {
        return kTypedValueRefused;
    }
}

extern "C" int ModifyMetaDataValueAsString(MetaHandle* handle, const char* key, const char* value,
                                           int type) {
    if (!handle || !key || !value) return kTypedBadArgument;
    if (*value == '\0') return kTypedKeyRefused;  // as ModifyExifIptcMeta treats empty text
    try {
        return SetTypedValue(*handle, key, value, type, kModifyAsString);
    } catch (...) {
        return kTypedValueRefused;
    }
}

extern "C" int ModifyExifIptcMeta(MetaHandle* handle, const char* key, const char* value, int type,
                                  int size) {
    if (!handle || !key || !value || size < 0) return kTypedBadArgument;
    if (size == 0) size = DerivedBinarySize(type);
    if (!handle->isValid) return kTypedStored;
    try {
        std::string text;
        if (size == 0) {
            text = value;
        } else {
            try {
                text = TextOfBinaryValue(reinterpret_cast<const unsigned char*>(value), size, type);
            } catch (...) {
                return kTypedValueRefused;
            }
        }
        if (text.empty()) return kTypedKeyRefused;
        return SetTypedValue(*handle, key, text, type, kModifyExifIptc);
    } catch (...) {
        return kTypedValueRefused;
    }
}
