// Storing one text value under one key of a handle's working set.
#pragma once

#include "lumenmeta.h"

#include <string_view>

namespace lumenmeta {

// Stores `value` under `key` in the container of the key's family, converted
// to that family's narrow text; an empty value clears the key instead
// (ClearKey). The value is taken up to its first zero unit.
//  - XMP: UTF-8. The two variable keys collect their values as items of one
//    bag; the rational keys get "/1" when the text holds no "/".
//  - IPTC: code page 0, whatever the handle's IPTC text otherwise uses.
//  - Exif: UTF-8, parsed as the tag's own type; the Windows XP tags
//    ("Exif.Image.XP...") are stored as their UTF-16LE bytes and a zero unit.
// Returns 1 when stored or cleared, 0 when anything raised an exception
// (Exiv2 rejected the key or the value, memory ran out); changes made before
// the exception stay.
int SetValue(MetaHandle& handle, const char* key, std::u16string_view value);

}  // namespace lumenmeta
