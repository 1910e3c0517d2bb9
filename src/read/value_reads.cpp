// One value of a key as UTF-8 text, in its stored or its readable form.
#include "lumenmeta.h"

#include "handle/key_family.h"
#include "read/value_listing.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace lumenmeta {

namespace {

enum class Form { Stored, Readable };

const char* FamilyText(KeyFamily family) {
    switch (family) {
        case KeyFamily::Iptc: return "Iptc";
        case KeyFamily::Xmp: return "Xmp";
        default: return "Exif";
    }
}

int ReadForm(MetaHandle* handle, const char* key, int index, char** text, Form form) {
    if (!handle || !key || !text || index < 0) return 0;
    try {
        int type = 0;
        std::string found;
        WalkValues(*handle, FamilyText(FamilyOfKey(key)), key, [&](const ListedValue& value) {
            if (value.index != index) return true;
            type = value.datum.typeId();
            found = StoredText(value.datum, value.item);
            if (form == Form::Readable) {
                found = ReadableText(value.datum, value.item, &handle->exifData, found);
            }
            return false;
        });
        if (type == 0) return 0;
        char* copy = static_cast<char*>(std::malloc(found.size() + 1));
        if (!copy) return 0;
        std::memcpy(copy, found.c_str(), found.size() + 1);
        *text = copy;
        return type;
    } catch (...) {
        return 0;
    }
}

}  // namespace

}  // namespace lumenmeta

extern "C" {

int GetMetaDataStored(MetaHandle* handle, const char* key, int index, char** text) {
    return lumenmeta::ReadForm(handle, key, index, text, lumenmeta::Form::Stored);
}

int GetMetaDataText(MetaHandle* handle, const char* key, int index, char** text) {
    return lumenmeta::ReadForm(handle, key, index, text, lumenmeta::Form::Readable);
}

void FreeMetaDataText(char* text) { std::free(text); }

}  // extern "C"
