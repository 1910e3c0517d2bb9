// Handing a text to a caller's buffer under the size protocol of the listing
// exports.
#pragma once

#include <cstdint>
#include <string>

namespace lumenmeta {

// Copies `text` with its terminating zero into `buffer` when the buffer's
// size, read from *size, holds both; either way stores the needed size (the
// length plus one) in *size. Returns whether the text was copied. A null
// buffer only learns the size. A text too long for a 32-bit size gives false
// and leaves *size as it was.
bool CopyTextOut(const std::string& text, char* buffer, int32_t* size);

}  // namespace lumenmeta
