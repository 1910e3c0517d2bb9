// Copies the whole metadata of one image file into another, without a merge.
#include "lumenmeta.h"

#include "handle/file_in_progress.h"
#include "handle/process_setup.h"
#include "platform/debug_trace.h"
#include "platform/file_access.h"
#include "platform/regular_file.h"
#include "save/safe_file_io.h"
#include "save/writable_format.h"
#include "handle/xmp_toolkit.h"

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

using ImagePtr = std::unique_ptr<Exiv2::Image>;

// The target: the existing file, or a new JPEG for the path when nothing is
// there yet. Either way the file is replaced crash-safely when written.
ImagePtr OpenOrCreateTarget(const std::string& path) {
    if (!FileExists(path.c_str())) return CreateImageForWriting(Exiv2::ImageType::jpeg, path);
    return OpenImageForWriting(path);
}

int CopyMetadata(const char* sourcePath, const char* targetPath, int readTarget) {
    // The source's bytes are held in memory for the whole copy, so that
    // writing the target cannot disturb them even when both paths name the
    // same file. Only a regular file is read, and no further than its size.
    const std::vector<unsigned char> sourceBytes = ReadRegularFile(sourcePath);
    if (sourceBytes.empty()) return 0;
    // The image reads the bytes in place; `sourceBytes` outlives it.
    ImagePtr source(Exiv2::ImageFactory::open(sourceBytes.data(),
                                              static_cast<long>(sourceBytes.size()))
                        .release());
    if (!source) return 0;
    {
        const std::string sourceName = sourcePath;
        const FileInProgress naming(sourceName);
        ReadImageMetadata(*source);
    }

    const std::string target(targetPath);
    ImagePtr image = OpenOrCreateTarget(target);
    if (!image) return 0;
    if (readTarget != 0) {
        const FileInProgress naming(target);
        ReadImageMetadata(*image);
    }

    image->setIptcData(source->iptcData());
    image->setExifData(source->exifData());
    image->setXmpData(source->xmpData());
    image->setComment(source->comment());

    try {
        // Refused before the write: Exiv2 would return without error, and without
        // writing, for some of these formats (a CR3 opened as QuickTime).
        RefuseUnwritableFormat(*image, target);
        WriteImageFile(*image);
    } catch (const Exiv2::AnyError&) {
        TracePiece("Could not write metadata to: ");
        TracePiece(target);
        return 0;
    }
    return 1;
}

}  // namespace

}  // namespace lumenmeta

extern "C" int CopyImageMetaData(const char* source, const char* target, int readTarget) {
    if (!source || !target) return 0;
    try {
        // The source's private-namespace properties are read under the
        // library's own prefix, as in every other operation.
        lumenmeta::EnsureProcessSetup();
        return lumenmeta::CopyMetadata(source, target, readTarget);
    } catch (const lumenmeta::NotRegularFile& refused) {
        // A folder, device, FIFO or socket is neither read nor replaced.
        lumenmeta::TraceNotRegularFile(refused.path());
        return 0;
    } catch (...) {
        // A source that is missing or no image, a target that cannot be
        // opened, created or read, or one that cannot take a container: the
        // images are released on the way out and nothing was written.
        return 0;
    }
}
