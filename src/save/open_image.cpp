#include "save/open_image.h"

#include "platform/regular_file.h"
#include "save/caller_bytes_io.h"

namespace lumenmeta {

namespace {

// Opens an image on `io` (not yet read); null when Exiv2 knows no image type
// there. Exiv2 takes the I/O by its deprecated auto_ptr.
ImagePtr OpenOnIo(std::unique_ptr<Exiv2::BasicIo> io) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr handed(io.release());
    return ImagePtr(Exiv2::ImageFactory::open(handed).release());
#pragma GCC diagnostic pop
}

}  // namespace

ImagePtr OpenImageFile(const std::string& path) {
    ImagePtr image = OpenOnIo(RegularFileIo::Open(path));
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType, path);
    return image;
}

ImagePtr OpenImageBytes(const unsigned char* data, long size, CallerBytesIo*& io) {
    auto bytes = std::make_unique<CallerBytesIo>(data, size);
    io = bytes.get();
    ImagePtr image = OpenOnIo(std::move(bytes));
    if (!image) throw Exiv2::Error(Exiv2::kerMemoryContainsUnknownImageType);
    return image;
}

}  // namespace lumenmeta
