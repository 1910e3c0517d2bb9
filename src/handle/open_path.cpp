#include "handle/file_in_progress.h"
#include "handle/handle_access.h"
#include "handle/process_setup.h"
#include "platform/debug_trace.h"
#include "handle/xmp_toolkit.h"
#include "platform/regular_file.h"
#include "save/open_image.h"

#include <exiv2/exiv2.hpp>

#include <exception>
#include <new>

namespace lumenmeta {

namespace {

// Opens the file at the handle's path and reads its metadata. The image is
// kept, but not the file's descriptor.
void ReadFromFile(MetaHandle& handle) {
    const FileInProgress naming(handle.filePath);
    handle.image = OpenImageFile(handle.filePath);
    ReadImageMetadata(*handle.image);
    if (auto* file = dynamic_cast<RegularFileIo*>(&handle.image->io())) file->Detach();
    LoadWorkingSet(handle);
    handle.hadExif = handle.exifData.count() != 0;
    handle.hadIptc = false;
    handle.hadXmp = false;
    if (handle.exifData.count() == 0) TracePiece("No Exif Data there");
}

// Starts from a new, empty JPEG held in memory.
void StartEmpty(MetaHandle& handle) {
    handle.image.reset(Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg).release());
    ReadImageMetadata(*handle.image);
    LoadWorkingSet(handle);
    handle.hadExif = false;
    handle.hadIptc = false;
    handle.hadXmp = false;
}

}  // namespace

}  // namespace lumenmeta

extern "C" MetaHandle* OpenMetaHandle(const char* path, int startEmpty) {
    using namespace lumenmeta;
    MetaHandle* handle = new (std::nothrow) MetaHandle();
    if (!handle) return nullptr;
    handle->isValid = true;
    try {
        EnsureProcessSetup();
        if (path) handle->filePath = path;
        if (path && startEmpty == 0) {
            ReadFromFile(*handle);
        } else {
            StartEmpty(*handle);
        }
    } catch (const NotRegularFile& refused) {
        handle->isValid = false;
        TraceNotRegularFile(refused.path());
    } catch (...) {
        // An unreadable or unrecognised file (or memory running out while
        // reading one) leaves an invalid handle that the host still closes.
        handle->isValid = false;
    }
    handle->hadExif = handle->exifData.count() != 0;
    return handle;
}
