// Merging a handle's working set into an opened image, in the fixed order:
// cleared Exif and IPTC keys removed, IPTC and Exif merged, Exif dates
// checked, XMP refreshed from Exif and IPTC, cleared XMP keys removed, XMP
// merged, XMP dates checked, XMP mirrored into Exif and IPTC.
#pragma once

#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Changes only the image's three containers, never the handle, and does not
// write the image. Raises Exiv2's error (and leaves the steps done so far)
// when a step that is not guarded fails.
void MergeHandleIntoImage(const MetaHandle& handle, Exiv2::Image& target);

}  // namespace lumenmeta
