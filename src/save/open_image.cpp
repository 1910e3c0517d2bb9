#include "save/open_image.h"

#include "platform/regular_file.h"

namespace lumenmeta {

namespace {

ImagePtr Checked(ImagePtr image) {
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType);
    return image;
}

}  // namespace

ImagePtr OpenImageFile(const std::string& path) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr io(RegularFileIo::Open(path).release());
    ImagePtr image(Exiv2::ImageFactory::open(io).release());
#pragma GCC diagnostic pop
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType, path);
    return image;
}

ImagePtr OpenImageBytes(const unsigned char* data, long size) {
    return Checked(ImagePtr(Exiv2::ImageFactory::open(data, size).release()));
}

}  // namespace lumenmeta
