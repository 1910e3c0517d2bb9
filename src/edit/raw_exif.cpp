// SetExifMetaData: decodes a raw Exif block (an APP1 segment from its marker
// on) into the handle's working Exif.
#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

namespace {

// Marker, segment length and the "Exif\0\0" identifier come before the TIFF
// structure.
constexpr uint32_t kSkippedBytes = 10;

// Decodes the TIFF structure after the skipped bytes, adding its tags to the
// working Exif; the byte order found, or invalidByteOrder when the block
// cannot be read.
Exiv2::ByteOrder DecodeBlock(MetaHandle& handle, const unsigned char* data, uint32_t size) {
    if (size < kSkippedBytes) return Exiv2::invalidByteOrder;
    try {
        return Exiv2::ExifParser::decode(handle.exifData, data + kSkippedBytes,
                                         size - kSkippedBytes);
    } catch (...) {
        return Exiv2::invalidByteOrder;
    }
}

}  // namespace

extern "C" void SetExifMetaData(MetaHandle* handle, const unsigned char* data, uint32_t size) {
    if (!handle || !data || size == 0) return;
    Exiv2::ByteOrder order = DecodeBlock(*handle, data, size);
    if (handle->image) {
        handle->image->setByteOrder(order);
        order = handle->image->byteOrder();
    }
    if (order == Exiv2::invalidByteOrder) {
        // An unreadable block leaves no Exif at all, not even what was there
        // before, and says so through hadExif.
        handle->exifData.clear();
        handle->hadExif = false;
    } else {
        handle->hadExif = true;
    }
}
