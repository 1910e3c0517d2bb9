// Merging a handle's working set into an opened image, in the fixed order:
// cleared Exif and IPTC keys removed, IPTC and Exif merged, Exif dates
// checked, XMP refreshed from Exif and IPTC, cleared XMP keys removed, XMP
// merged, XMP dates checked, XMP mirrored into Exif and IPTC.
#pragma once

#include "lumenmeta.h"
#include "merge/xmp_refresh.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Changes only the image's three containers, never the handle, and does not
// write the image. Raises Exiv2's error (and leaves the steps done so far)
// when a step that is not guarded fails. `synced`, when given, tells what the
// write's source step left in step, so that the refresh of XMP and the
// mirroring convert only what can change; the refresh adds to it.
void MergeHandleIntoImage(const MetaHandle& handle, Exiv2::Image& target,
                          SyncedTwins* synced = nullptr);

}  // namespace lumenmeta
