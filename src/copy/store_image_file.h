// The one place where the copy and sidecar operations store an image they
// opened or created on a file path.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Writes the image's metadata to its file. Throws what Exiv2's write throws
// (Exiv2::AnyError when the file cannot be written).
void StoreImageFile(Exiv2::Image& image);

}  // namespace lumenmeta
