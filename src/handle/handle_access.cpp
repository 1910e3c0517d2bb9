#include "handle/handle_access.h"

namespace lumenmeta {

void LoadWorkingSet(MetaHandle& handle) {
    handle.exifData = handle.image->exifData();
    handle.iptcData = handle.image->iptcData();
    handle.xmpData = handle.image->xmpData();
    handle.iptcData.sortByKey();
    handle.xmpData.sortByKey();
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
