#include "handle/handle_access.h"

#include "handle/sort_by_key.h"

#include <utility>

namespace lumenmeta {

void LoadWorkingSet(MetaHandle& handle) {
    // Moved, not copied: after this the image serves only for its size and
    // byte order, so its own containers are not read again.
    handle.exifData = std::move(handle.image->exifData());
    handle.iptcData = std::move(handle.image->iptcData());
    handle.xmpData = std::move(handle.image->xmpData());
    SortByKey(handle.iptcData);
    SortByKey(handle.xmpData);
}

void DestroyHandle(MetaHandle* handle) noexcept {
    if (!handle) return;
    delete[] handle->memBuffer;
    handle->memBuffer = nullptr;
    // The members go in reverse order: deletedKeys, filePath, image, then
    // the three containers.
    delete handle;
}

}  // namespace lumenmeta
