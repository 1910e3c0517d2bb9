// Steps shared by the two opens and by close.
#pragma once

#include "lumenmeta.h"

namespace lumenmeta {

// Moves the image's three containers into the handle's working set and
// sorts the IPTC and XMP by key. The image keeps empty containers.
void LoadWorkingSet(MetaHandle& handle);

// Releases the handle and everything it owns.
void DestroyHandle(MetaHandle* handle) noexcept;

}  // namespace lumenmeta
