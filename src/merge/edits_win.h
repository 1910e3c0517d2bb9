// The last step of a merge: the host's edits win. Every key the host set
// holds the host's value in the target, and its twins in the other families
// (the keys Exiv2 converts into each other) follow it; every key the host
// cleared is gone from the target together with its twins, so a cleared GPS
// position leaves no trace in any family. Where the host set twins of
// different families, the XMP one wins, then the Exif one.
#pragma once

#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

void ApplyEditsToTwins(const MetaHandle& handle, Exiv2::Image& target);

}  // namespace lumenmeta
