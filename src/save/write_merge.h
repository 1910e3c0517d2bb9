// The merge every writer makes in its target image once the target is read:
// the handle's source file carried in (or, when the target is the handle's
// own file, that file brought in step with its XMP), the handle's working set
// merged, every value the host did not ask to change kept as the files held
// it, the caller's XMP mode applied and the XMP encoded, so that a packet the
// toolkit cannot encode fails the write before anything is written.
#pragma once

#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// `source` is the handle's source file, already read, or null when there is
// none; `&target` itself for a write in place. Raises Exiv2's error when a
// step fails; nothing is written here.
void MergeForWrite(const MetaHandle& handle, Exiv2::Image& target, Exiv2::Image* source, int xmpMode);

}  // namespace lumenmeta
