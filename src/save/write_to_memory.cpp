// Writing a handle's working set into an image held in memory; the written
// image is handed back in a buffer the handle owns.
#include "handle/sort_by_key.h"
#include "lumenmeta.h"
#include "platform/debug_trace.h"
#include "platform/regular_file.h"
#include "save/caller_bytes_io.h"
#include "save/write_merge.h"
#include "save/iptc_digest.h"
#include "save/open_image.h"
#include "save/writable_format.h"
#include "save/xmp_mode.h"
#include "handle/xmp_toolkit.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace lumenmeta {

namespace {

// The written image, copied out of Exiv2's memory I/O.
struct WrittenImage {
    std::unique_ptr<unsigned char[]> bytes;
    int32_t size = 0;
};

WrittenImage WriteToBytes(const MetaHandle& handle, const unsigned char* data, int32_t size,
                          int xmpMode) {
    CallerBytesIo* bytes = nullptr;
    ImagePtr target = OpenImageBytes(data, size, bytes);
    RefuseUnwritableFormat(*target, "");
    ReadImageMetadata(*target);
    SortByKey(target->iptcData());
    SortByKey(target->xmpData());
    ImagePtr source;
    if (!handle.filePath.empty()) {
        // Unlike the file writer, a source that cannot be read ends the
        // write.
        source = OpenImageFile(handle.filePath);
        ReadImageMetadata(*source);
    }
    MergeForWrite(handle, *target, source.get(), xmpMode);
    // Exiv2 builds the new image in memory of its own; the caller's bytes
    // are only read.
    WriteImageMetadata(*target);

    Exiv2::BasicIo& io = target->io();
    const std::vector<Exiv2::byte>* edited = bytes->Edited();
    const long written = edited ? static_cast<long>(edited->size()) : static_cast<long>(io.size());
    if (written <= 0 || written > INT32_MAX) throw Exiv2::Error(Exiv2::kerImageWriteFailed);
    WrittenImage image;
    image.size = static_cast<int32_t>(written);
    image.bytes.reset(new unsigned char[static_cast<size_t>(written)]);
    if (edited) {
        std::copy(edited->begin(), edited->end(), image.bytes.get());
    } else {
        io.seek(0, Exiv2::BasicIo::beg);
        if (io.read(image.bytes.get(), written) != written) {
            throw Exiv2::Error(Exiv2::kerImageWriteFailed);
        }
    }
    RefreshIptcDigest(image.bytes.get(), static_cast<size_t>(written));
    return image;
}

}  // namespace

}  // namespace lumenmeta

extern "C" unsigned char* WriteDataToMem(MetaHandle* handle, const unsigned char* data,
                                         int32_t* size, int xmpMode) {
    using namespace lumenmeta;
    if (!handle || !data || !size || *size <= 0 || !handle->isValid) return nullptr;
    WrittenImage image;
    try {
        image = WriteToBytes(*handle, data, *size, xmpMode);
    } catch (const NotRegularFile& refused) {
        TraceNotRegularFile(refused.path());  // the source file
        return nullptr;
    } catch (const CannotWriteFormat& refused) {
        // The file writer's failure trace, with an empty path: the target is
        // in memory.
        TracePiece("Unable to write into file: ");
        TracePiece("");
        TracePiece(" Reason: ");
        TracePiece(refused.what());
        TracePiece("\n");
        return nullptr;
    } catch (...) {
        return nullptr;
    }
    // The previous buffer is released and the new one stored in one step, so
    // a failed call above leaves the last result valid.
    delete[] handle->memBuffer;
    handle->memBuffer = image.bytes.release();
    *size = image.size;
    return handle->memBuffer;
}
