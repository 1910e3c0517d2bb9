// The one place where a writer stores an image into its file, so that the
// way files are replaced can change in one spot.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Writes the image's metadata (and the image) back through its I/O. Raises
// Exiv2's error when the file cannot be written.
void StoreImage(Exiv2::Image& image);

}  // namespace lumenmeta
