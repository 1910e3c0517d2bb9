// Reading keys and values through the library's exports, as UTF-8 for the
// terminal.
#pragma once

#include "lumenmeta.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

// The families in the order the tool shows them, as the library names them.
extern const char* const kFamilies[3];

// "Exif", "Iptc" or "Xmp" for a family named in any case ("exif", "IPTC"),
// or "" when it is none of them.
std::string FamilyName(const std::string& text);

// Whether `key` looks like a metadata key: a family, a group and a name
// joined by points, the family spelt as the library expects it.
bool LooksLikeKey(const std::string& key);

// The full key of every datum of `family` (NULL for all three) in the working
// set, in the library's order.
std::vector<std::string> KeysOf(MetaHandle* handle, const char* family);

struct ValueText {
    int type = 0;      // GetMetaDataW's type code; 0 when nothing was delivered
    std::string text;  // UTF-8
};

// One value as GetMetaDataW renders it (Exif text shown by its bytes).
ValueText ReadValue(MetaHandle* handle, const std::string& key, int index, bool decimal);

// Every value of a key joined by `separator`, as GetMetaDataWContainer
// renders them; false when the key has no value.
bool ReadAllValues(MetaHandle* handle, const std::string& key, const std::string& separator,
                   std::string& text);

// Value `index` of a key in its stored (`stored`) or readable form, as
// GetMetaDataStored and GetMetaDataText give it; false when there is none.
bool ReadForm(MetaHandle* handle, const std::string& key, int index, bool stored,
              std::string& text);

// Every value of a key in one form, joined by `separator`; false when the
// key has none.
bool ReadAllForms(MetaHandle* handle, const std::string& key, bool stored,
                  const std::string& separator, std::string& text);

// Whether `key` is a GPS coordinate or the altitude, which --decimal gives
// as a signed decimal number.
bool IsGpsDecimalKey(const std::string& key);


}  // namespace lumenmeta_tool
