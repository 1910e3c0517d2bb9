// Carrying the metadata of a handle's source file into a write's target
// image, before the handle's own working set is merged in.
#pragma once

#include "merge/keep_untouched.h"
#include "merge/xmp_refresh.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Prepares an image read as the source of a write: when it holds XMP, its
// Exif and IPTC are brought in step with that XMP; then its IPTC and XMP are
// sorted by key. Returns whether it held XMP. `synced`, when given, takes
// note of what the step left in step.
bool PrepareSourceImage(Exiv2::Image& source, SyncedTwins* synced = nullptr);

// Both images already read. The source is first prepared as above. Then, family by family, every key the
// source holds replaces the target's values for it, appended in the source's
// order: all IPTC datasets, all XMP properties, and of Exif only the
// standard and maker-note keys; the target keeps its other values. Returns
// whether the source held XMP. Raises Exiv2's error when a step fails.
bool CarrySourceMetadata(Exiv2::Image& source, Exiv2::Image& target,
                         SyncedTwins* synced = nullptr);

// What CarrySourceMetadata would carry, taken from the source as it was read
// (before it is brought in step with its XMP), carried into `note`.
void CarrySourceNote(const Exiv2::Image& source, MetadataNote& note);

}  // namespace lumenmeta
