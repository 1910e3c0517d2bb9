// The keys a host has set on a handle. A write gives them precedence over
// what the file and the other families hold, and carries them into their
// twins in the other families.
#pragma once

#include "lumenmeta.h"

#include <string>

namespace lumenmeta {

// Remembers `key` as set by the host, in Exiv2's spelling of the key. Never
// throws: a key that cannot be remembered (memory short) is not an edit.
void RecordEdit(MetaHandle& handle, const char* key) noexcept;

// Forgets an edit of `key` (the host cleared it afterwards).
void ForgetEdit(MetaHandle& handle, const char* key) noexcept;

// `key` in Exiv2's spelling ("exif.image.artist" gives "Exif.Image.Artist");
// empty when Exiv2 does not accept the key.
std::string CanonicalKey(const char* key) noexcept;

}  // namespace lumenmeta
