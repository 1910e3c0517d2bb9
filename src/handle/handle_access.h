// Steps shared by the two opens and by close.
#pragma once

#include "lumenmeta.h"

namespace lumenmeta {

// Copies the image's three containers into the handle's working set and
// sorts the IPTC and XMP copies by key.
void LoadWorkingSet(MetaHandle& handle);

// Releases the handle and everything it owns.
void DestroyHandle(MetaHandle* handle) noexcept;

}  // namespace lumenmeta
