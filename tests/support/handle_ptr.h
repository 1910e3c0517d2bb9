// Handles and BSTRs that release themselves at the end of a test.
#pragma once

#include "lumenmeta.h"

#include <memory>
#include <string>

namespace lumenmeta::test {

struct HandleCloser {
    void operator()(MetaHandle* handle) const { CloseMetaHandle(handle); }
};
using HandlePtr = std::unique_ptr<MetaHandle, HandleCloser>;

// A handle on a new, empty image.
inline HandlePtr EmptyHandle() { return HandlePtr(OpenMetaHandle(nullptr, 0)); }

struct BstrFreer {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using BstrPtr = std::unique_ptr<OLECHAR, BstrFreer>;

// A BSTR of every unit of `text`, zero units included.
inline BstrPtr MakeBstr(const std::u16string& text) {
    return BstrPtr(SysAllocStringLen(text.data(), static_cast<uint32_t>(text.size())));
}

}  // namespace lumenmeta::test
