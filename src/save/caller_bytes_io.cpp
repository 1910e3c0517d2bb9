#include "save/caller_bytes_io.h"

namespace lumenmeta {

Exiv2::byte* CallerBytesIo::mmap(bool isWriteable) {
    Exiv2::byte* bytes = Exiv2::MemIo::mmap(false);
    if (!isWriteable) return bytes;
    copy_.assign(bytes, bytes + size());
    edited_ = true;
    return copy_.data();
}

void CallerBytesIo::transfer(Exiv2::BasicIo& src) {
    edited_ = false;
    copy_ = std::vector<Exiv2::byte>();
    Exiv2::MemIo::transfer(src);
}

}  // namespace lumenmeta
