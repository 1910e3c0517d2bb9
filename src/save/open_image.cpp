#include "save/open_image.h"

namespace lumenmeta {

namespace {

ImagePtr Checked(ImagePtr image) {
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType);
    return image;
}

}  // namespace

ImagePtr OpenImageFile(const std::string& path) {
    return Checked(ImagePtr(Exiv2::ImageFactory::open(path, true).release()));
}

ImagePtr OpenImageBytes(const unsigned char* data, long size) {
    return Checked(ImagePtr(Exiv2::ImageFactory::open(data, size).release()));
}

}  // namespace lumenmeta
