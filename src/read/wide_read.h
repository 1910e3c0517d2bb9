// The read behind every wide getter: find the value of one key in the
// handle's working set (choosing the family by the key's prefix) and render
// it as wide text.
#pragma once

#include "lumenmeta.h"
#include "read/render.h"

#include <vector>

namespace lumenmeta {

// Finds occurrence `index` of `key` and renders it (see RenderValue). A find
// sets the family's flag (hadExif, hadIptc, hadXmp) even when the rendering
// then delivers nothing, and the first IPTC find fixes the handle's IPTC code
// page. Exif keys admit index 0 only. A user comment with an unknown
// character set or binary content is traced and not delivered.
// Never throws: a key Exiv2 rejects and any error while reading give type 0.
WideValue ReadWideValue(MetaHandle& handle, const char* key, int index, bool asDecimal) noexcept;

// Every value ReadWideValue delivers for `key` from index 0 up to the first
// index that delivers nothing, in that order, with the same flags set; the
// items of an XMP bag in one pass over it (reading them index by index
// would cost time in the square of their number). Throws std::bad_alloc.
std::vector<WideValue> ReadEveryWideValue(MetaHandle& handle, const char* key, bool asDecimal);

}  // namespace lumenmeta
