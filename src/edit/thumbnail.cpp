// SetThumbnail and GetThumbnail: the Exif thumbnail of the working set, kept
// by Exiv2's thumbnail classes.
#include "lumenmeta.h"

#include <exiv2/exiv2.hpp>

#include <cstring>

extern "C" void SetThumbnail(MetaHandle* handle, const unsigned char* data, int32_t size) {
    if (!handle || !data || size <= 0) return;
    try {
        Exiv2::ExifThumb thumbnail(handle->exifData);
        thumbnail.setJpegThumbnail(data, size);
    } catch (...) {
        // Memory ran out while Exiv2 stored the thumbnail. The interface
        // has no result to report it with.
    }
}

extern "C" int32_t GetThumbnail(MetaHandle* handle, unsigned char* buffer, int32_t size) {
    if (!handle) return 0;
    try {
        const Exiv2::ExifThumbC thumbnail(handle->exifData);
        const Exiv2::DataBuf bytes = thumbnail.copy();
        const long count = bytes.size_ > 0 ? bytes.size_ : 0;
        if (count > size || (count > 0 && !buffer)) return -1;
        if (count > 0) std::memcpy(buffer, bytes.pData_, static_cast<size_t>(count));
        return static_cast<int32_t>(count);
    } catch (...) {
        return 0;
    }
}
