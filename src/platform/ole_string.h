// BSTR allocation in the OLE layout. The library's own code calls these
// internal functions, never the exported Sys* names, so that another library
// in the process that also exports SysFreeString cannot take them over.
#pragma once

#include "lumenmeta.h"

#include <cstdint>

namespace lumenmeta {

// A new BSTR of `length` units copied from `text` (zero-filled when `text` is
// null). Null when memory is short or the length cannot be represented.
BSTR AllocBstrLen(const char16_t* text, uint32_t length);

// A new BSTR holding `text` up to its first zero unit; null text gives null.
BSTR AllocBstr(const char16_t* text);

void FreeBstr(BSTR text);

uint32_t BstrLen(BSTR text);

}  // namespace lumenmeta
