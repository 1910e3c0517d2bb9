// `lumenmeta thumbnail`: takes the Exif thumbnail out of an image, or puts a
// JPEG in as its thumbnail.
#include "batch.h"
#include "commands.h"
#include "image_file.h"
#include "output_file.h"

#include <vector>

namespace lumenmeta_tool {

namespace {

// The thumbnail's bytes: asks with ever larger buffers (the library says
// only whether one is large enough). False when there is none.
bool ReadThumbnail(MetaHandle* handle, std::vector<unsigned char>& bytes) {
    for (int32_t size = 64 * 1024; size <= 64 * 1024 * 1024; size *= 4) {
        bytes.resize(static_cast<size_t>(size));
        const int32_t copied = GetThumbnail(handle, bytes.data(), size);
        if (copied == 0) return false;
        if (copied > 0) {
            bytes.resize(static_cast<size_t>(copied));
            return true;
        }
    }
    return false;
}

}  // namespace

int RunThumbnail(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{"--extract", "--set"}, {}});
    const bool extract = arguments.HasValue("--extract");
    if (extract == arguments.HasValue("--set")) {
        throw UsageError("thumbnail needs either --extract OUT or --set JPEG");
    }
    const std::vector<std::string> files = BatchFiles(arguments, arguments.positional);
    if (extract && files.size() != 1) throw UsageError("--extract takes one file");
    std::string jpeg;
    if (!extract) {
        const std::string source = arguments.Value("--set");
        if (!ReadFile(source, jpeg)) throw UsageError("cannot read " + source);
        if (jpeg.size() < 4 || static_cast<unsigned char>(jpeg[0]) != 0xFF ||
            static_cast<unsigned char>(jpeg[1]) != 0xD8) {
            throw UsageError(source + " is not a JPEG image");
        }
    }
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        if (extract) {
            std::vector<unsigned char> bytes;
            if (!ReadThumbnail(handle.get(), bytes)) return FileOutcome::Failed("has no thumbnail");
            const std::string out = arguments.Value("--extract");
            const std::string failure = WriteOutputFile(out, bytes);
            if (!failure.empty()) return FileOutcome::Failed(out + " " + failure);
            return FileOutcome{true, "", ""};
        }
        SetThumbnail(handle.get(), reinterpret_cast<const unsigned char*>(jpeg.data()),
                     static_cast<int32_t>(jpeg.size()));
        // The write is tried in memory first: only when the thumbnail
        // survives it is the file itself written.
        std::string file;
        if (!ReadFile(path, file)) return FileOutcome::Failed("cannot read it");
        int32_t size = static_cast<int32_t>(file.size());
        const unsigned char* written = WriteDataToMem(
            handle.get(), reinterpret_cast<const unsigned char*>(file.data()), &size, 0);
        if (!written) return FileOutcome::Failed("could not write it");
        const std::vector<unsigned char> image(written, written + size);
        Handle check(OpenMemImage(image.data(), size));
        std::vector<unsigned char> stored;
        if (!check || !ReadThumbnail(check.get(), stored) ||
            stored != std::vector<unsigned char>(jpeg.begin(), jpeg.end())) {
            return FileOutcome::Failed(
                "the library's write does not carry the Exif thumbnail into the file; "
                "nothing written");
        }
        check.reset();
        if (!WriteDataStd(handle.get(), nullptr)) return FileOutcome::Failed("could not write it");
        return FileOutcome{true, "", ""};
    });
}

}  // namespace lumenmeta_tool
