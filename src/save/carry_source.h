// Carrying the metadata of a handle's source file into a write's target
// image, before the handle's own working set is merged in.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Both images already read. The source's Exif and IPTC are first brought in
// step with its XMP (when it has XMP). Then, family by family, every key the
// source holds replaces the target's values for it, appended in the source's
// order: all IPTC datasets, all XMP properties, and of Exif only the
// standard and maker-note keys; the target keeps its other values. Returns
// whether the source held XMP. Raises Exiv2's error when a step fails.
bool CarrySourceMetadata(Exiv2::Image& source, Exiv2::Image& target);

}  // namespace lumenmeta
