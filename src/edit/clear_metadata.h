// Removing a key from a handle's working set.
#pragma once

#include "lumenmeta.h"

namespace lumenmeta {

// Erases every datum with `key` from the container of the key's family and
// records the key, as written, in the handle's deletedKeys, so that a later
// write also removes it from the target. Returns the number of datums
// erased, or -1 when Exiv2 rejects the key (nothing is recorded then).
int ClearKey(MetaHandle& handle, const char* key);

}  // namespace lumenmeta
