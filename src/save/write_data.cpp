// Writing a handle's working set into an image file: another file or a
// sidecar named by the caller, or the file the handle was opened from.
#include "handle/sort_by_key.h"
#include "lumenmeta.h"
#include "platform/debug_trace.h"
#include "save/write_merge.h"
#include "save/open_image.h"
#include "save/safe_file_io.h"
#include "save/writable_format.h"
#include "save/xmp_mode.h"
#include "handle/xmp_toolkit.h"

#include <cstring>
#include <exception>
#include <string>

namespace lumenmeta {

namespace {

// A target whose path names a sidecar and whose file is this small has
// nothing worth reading (an empty sidecar written by Exiv2 is larger).
constexpr long kSmallestReadSidecar = 40;

void TraceWritingInto(const std::string& path) {
    TracePiece("Writing into file: ");
    TracePiece(path);
    TracePiece("\n");
}

void TraceWriteFailure(const std::string& path, const char* reason) {
    TracePiece("Unable to write into file: ");
    TracePiece(path);
    TracePiece(" Reason: ");
    TracePiece(reason);
    TracePiece("\n");
}

// Runs a write and turns whatever stops it into the result 0 and the failure
// trace. Both images are owned inside `write`, so they are released on every
// path.
template <typename Write>
int GuardedWrite(const std::string& tracedPath, Write write) {
    try {
        write();
        return 1;
    } catch (const Exiv2::AnyError& error) {
        TraceWriteFailure(tracedPath, error.what());
    } catch (const std::exception& error) {
        TraceWriteFailure(tracedPath, error.what());
    } catch (...) {
        TraceWriteFailure(tracedPath, "unknown error");
    }
    return 0;
}

// Opens and reads the handle's source file. Whatever fails, the write goes
// on without it: the failure is traced and null returned.
ImagePtr ReadSourceFile(const std::string& path) {
    try {
        ImagePtr source = OpenImageFile(path);
        ReadImageMetadata(*source);
        return source;
    } catch (...) {
        TracePiece("Unable to read from srcfile: ");
        TracePiece(path);
        TracePiece("\n");
        return nullptr;
    }
}

bool ReadsTarget(const char* targetPath, int xmpMode, int keepTargetUnread,
                 Exiv2::Image& target) {
    if (keepTargetUnread != 0) return false;
    const bool smallSidecar = xmpMode == kXmpModeCompactPacket &&
                              std::strstr(targetPath, ".xmp") != nullptr &&
                              target.io().size() < kSmallestReadSidecar;
    return !smallSidecar;
}

void WriteToTarget(const MetaHandle& handle, const char* targetPath, int xmpMode,
                   int keepTargetUnread) {
    ImagePtr target = OpenImageForWriting(targetPath);
    RefuseUnwritableFormat(*target, targetPath);  // before anything is read or written
    if (ReadsTarget(targetPath, xmpMode, keepTargetUnread, *target)) {
        ReadImageMetadata(*target);
        SortByKey(target->iptcData());
        SortByKey(target->xmpData());
    }
    ImagePtr source;
    if (!handle.filePath.empty()) source = ReadSourceFile(handle.filePath);
    MergeForWrite(handle, *target, source.get(), xmpMode);
    WriteImageFile(*target);  // replaces the file crash-safely
}

// The handle's own file is target and source at once: read once, brought in
// step with its XMP, merged and written.
void WriteInPlace(const MetaHandle& handle, int xmpMode) {
    ImagePtr target = OpenImageForWriting(handle.filePath);
    RefuseUnwritableFormat(*target, handle.filePath);
    ReadImageMetadata(*target);
    MergeForWrite(handle, *target, target.get(), xmpMode);
    WriteImageFile(*target);  // replaces the file crash-safely
}

}  // namespace

}  // namespace lumenmeta

extern "C" int WriteData(MetaHandle* handle, const char* targetPath, int xmpMode,
                         int keepTargetUnread) {
    using namespace lumenmeta;
    if (!handle || !handle->isValid) return 0;
    try {
        if (targetPath) {
            TraceWritingInto(targetPath);
            return GuardedWrite(targetPath, [&] {
                WriteToTarget(*handle, targetPath, xmpMode, keepTargetUnread);
            });
        }
        TraceWritingInto(handle->filePath);
        if (handle->filePath.empty()) return 0;
        return GuardedWrite(handle->filePath, [&] { WriteInPlace(*handle, xmpMode); });
    } catch (...) {
        // Memory ran out while tracing: nothing was written.
        return 0;
    }
}

extern "C" int WriteDataStd(MetaHandle* handle, const char* targetPath) {
    return WriteData(handle, targetPath, 0, 0);
}
