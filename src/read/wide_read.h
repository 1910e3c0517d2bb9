// The read behind every wide getter: find the value of one key in the
// handle's working set (choosing the family by the key's prefix) and render
// it as wide text.
#pragma once

#include "lumenmeta.h"
#include "read/render.h"

namespace lumenmeta {

// Finds occurrence `index` of `key` and renders it (see RenderValue). A find
// sets the family's flag (hadExif, hadIptc, hadXmp) even when the rendering
// then delivers nothing, and the first IPTC find fixes the handle's IPTC code
// page. Exif keys admit index 0 only. A user comment with an unknown
// character set or binary content is traced and not delivered.
// Never throws: a key Exiv2 rejects and any error while reading give type 0.
WideValue ReadWideValue(MetaHandle& handle, const char* key, int index, bool asDecimal) noexcept;

}  // namespace lumenmeta
