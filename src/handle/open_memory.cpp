#include "handle/handle_access.h"
#include "handle/process_setup.h"
#include "handle/xmp_toolkit.h"

#include <exiv2/exiv2.hpp>

#include <new>

extern "C" MetaHandle* OpenMemImage(const unsigned char* data, int32_t size) {
    using namespace lumenmeta;
    if (!data || size <= 0) return nullptr;
    MetaHandle* handle = new (std::nothrow) MetaHandle();
    if (!handle) return nullptr;
    handle->isValid = true;
    try {
        EnsureProcessSetup();
        // Exiv2's memory I/O reads the caller's bytes in place.
        handle->image.reset(Exiv2::ImageFactory::open(data, size).release());
        if (handle->image) {
            ReadImageMetadata(*handle->image);
            LoadWorkingSet(*handle);
        }
    } catch (...) {
        DestroyHandle(handle);
        return nullptr;
    }
    if (!handle->image) {
        DestroyHandle(handle);
        return nullptr;
    }
    handle->hadExif = handle->exifData.count() != 0;
    return handle;
}
