// What a write does with the target's XMP once the merge is done, chosen by
// the caller's XMP mode:
//   1  remove all XMP unless the source held XMP;
//   2  remove all XMP;
//   3  store the XMP as a compact packet without packet wrapper (when Exiv2
//      cannot encode it, the merged XMP is written as it is);
//   any other value: write the merged XMP as it is.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

constexpr int kXmpModeKeepIfSourceHadXmp = 1;
constexpr int kXmpModeRemove = 2;
constexpr int kXmpModeCompactPacket = 3;

void ApplyXmpMode(Exiv2::Image& target, int xmpMode, bool sourceHadXmp);

}  // namespace lumenmeta
