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

std::unique_ptr<Exiv2::Image> OpenImageOnCallerBytes(const unsigned char* data, long size,
                                                     CallerBytesIo*& io) {
    std::unique_ptr<CallerBytesIo> bytes(new CallerBytesIo(data, size));
    io = bytes.get();
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr handed(bytes.release());
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(handed).release());
#pragma GCC diagnostic pop
    if (!image) throw Exiv2::Error(Exiv2::kerMemoryContainsUnknownImageType);
    return image;
}

}  // namespace lumenmeta
