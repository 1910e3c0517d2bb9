// The handle's small state queries.
#include "lumenmeta.h"

extern "C" {

int HadExifData(MetaHandle* handle) { return handle && handle->hadExif ? 1 : 0; }

int HadIptcData(MetaHandle* handle) { return handle && handle->hadIptc ? 1 : 0; }

int HadXmpData(MetaHandle* handle) { return handle && handle->hadXmp ? 1 : 0; }

int GetImageSize(MetaHandle* handle, int* width, int* height) {
    if (!handle || !width || !height || !handle->isValid || !handle->image) return 0;
    *width = handle->image->pixelWidth();
    *height = handle->image->pixelHeight();
    return 1;
}

std::string GetMetaDataFilePath(MetaHandle* handle) {
    try {
        return handle ? handle->filePath : std::string();
    } catch (...) {
        return std::string();
    }
}

void SetExifLibraryErrorStream(void) {}

}  // extern "C"
