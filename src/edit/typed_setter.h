// The one implementation behind AddMeta, ModifyMetaDataValueAsString and
// ModifyExifIptcMeta: a value of a chosen Exiv2 type, made from narrow text,
// stored in the IPTC container and failing that in the Exif container.
#pragma once

#include "lumenmeta.h"

#include <string>

namespace lumenmeta {

// Result codes shared by the three setters.
constexpr int kTypedStored = 0;
constexpr int kTypedBadArgument = -1;
constexpr int kTypedValueRefused = 1;
constexpr int kTypedKeyRefused = 2;

enum class TypedStore {
    Append,   // always add a new datum (AddMeta)
    Replace,  // replace the first datum with the key, or add one
};

// How one of the three setters stores its value.
struct TypedSetter {
    TypedStore store;
    // The IPTC container is tried for every key, not only for keys that begin
    // with "I" or "i".
    bool tryIptcForEveryKey;
    // A failed Exif attempt marks the handle invalid.
    bool invalidateOnExifFailure;
};

constexpr TypedSetter kAddMeta{TypedStore::Append, true, false};
constexpr TypedSetter kModifyAsString{TypedStore::Replace, false, false};
constexpr TypedSetter kModifyExifIptc{TypedStore::Replace, false, true};

// The text between a pair of double quotes that opens and closes `text`
// (empty for a lone quote); any other text as it is.
std::string Unquoted(const std::string& text);

// Stores `text` (the quote rule applied) under `key` with Exiv2 type `type`
// (0: the IPTC dataset's own type, or asciiString for Exif). Returns 0 when
// stored; 2 when neither family accepts the key; 1 when a key was accepted
// but the value could not be made or stored; or the non-zero code of the
// IPTC add (6: a second copy of a non-repeatable dataset).
int SetTypedValue(MetaHandle& handle, const char* key, const std::string& text, int type,
                  const TypedSetter& setter);

// The text of a binary value for ModifyExifIptcMeta: `size` bytes at `data`
// read as a little-endian value of `type` and rendered by Exiv2 (numbers
// separated by spaces, rationals as "n/d"). Throws when Exiv2 cannot make or
// read such a value.
std::string TextOfBinaryValue(const unsigned char* data, int size, int type);

// The byte size ModifyExifIptcMeta reads for `type` when given size 0: 2 for
// short, 4 for long and 8 for rational types, else 0 (the value is text).
int DerivedBinarySize(int type);

}  // namespace lumenmeta
