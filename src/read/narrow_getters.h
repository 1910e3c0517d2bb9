// The XMP getter behind GetMetaData. It is not exported: hosts read XMP
// through GetMetaData or the wide getters.
#pragma once

#include "lumenmeta.h"

namespace lumenmeta {

// Copies the first non-empty value of the XMP `key` into `buffer` (`size`
// bytes): its UTF-8 text unterminated when it is shorter than the buffer
// (Exiv2 copies XMP values as their text bytes), else truncated to `size`
// bytes; the rest of the buffer is untouched in the first case. Sets hadXmp.
// 1 when a value was copied; 0 when none was found, for a key Exiv2 rejects,
// a NULL argument or a negative size, with nothing written.
int GetXmpData(MetaHandle* handle, const char* key, char* buffer, int size);

}  // namespace lumenmeta
