#include "platform/sized_copy.h"

#include <cstring>
#include <limits>

namespace lumenmeta {

bool CopyTextOut(const std::string& text, char* buffer, int32_t* size) {
    // The needed size must itself fit the 32-bit size.
    if (text.size() >= static_cast<size_t>(std::numeric_limits<int32_t>::max())) return false;
    const int32_t length = static_cast<int32_t>(text.size());
    const bool fits = *size > length;
    if (fits && buffer) std::memcpy(buffer, text.c_str(), text.size() + 1);
    *size = length + 1;
    return fits;
}

}  // namespace lumenmeta
