// `lumenmeta copy`, `lumenmeta copy-value` and `lumenmeta sidecar`: metadata
// from one file into another.
#include "batch.h"
#include "commands.h"
#include "image_file.h"
#include "values.h"

#include <cstdio>
#include <filesystem>

namespace lumenmeta_tool {

namespace {

// Reports one failure the way a batch does, for the commands on two files.
int Fail(const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "lumenmeta: %s: %s\n", path.c_str(), reason.c_str());
    return 1;
}

}  // namespace

int RunCopy(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--read-target"}});
    if (arguments.positional.size() != 2) throw UsageError("copy needs SOURCE and TARGET");
    const std::string& source = arguments.positional[0];
    const std::string& target = arguments.positional[1];
    std::string reason;
    if (!OpenImage(source, reason)) return Fail(source, reason);
    if (!CopyImageMetaData(source.c_str(), target.c_str(), arguments.Has("--read-target"))) {
        return Fail(target, "could not copy the metadata of " + source + " into it");
    }
    return 0;
}

int RunCopyValue(const Words& words) {
    const Arguments arguments = ParseArguments(words, {});
    if (arguments.positional.size() != 3) throw UsageError("copy-value needs SOURCE, TARGET and KEY");
    const std::string& source = arguments.positional[0];
    const std::string& target = arguments.positional[1];
    const std::string& key = arguments.positional[2];
    if (!LooksLikeKey(key) || FamilyName(key.substr(0, key.find('.'))) != "Exif") {
        throw UsageError("copy-value copies Exif keys only, like Exif.Image.Artist");
    }
    std::string reason;
    Handle from = OpenImage(source, reason);
    if (!from) return Fail(source, reason);
    Handle to = OpenImage(target, reason);
    if (!to) return Fail(target, reason);
    if (!CopyExifDataValue(from.get(), to.get(), key.c_str())) {
        return Fail(source, "no value for " + key);
    }
    if (!WriteDataStd(to.get(), nullptr)) return Fail(target, "could not write " + target);
    return 0;
}

int RunSidecar(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--overwrite"}});
    std::vector<std::string> images = arguments.positional;
    std::string named;
    if (images.size() == 2 && std::filesystem::path(images[1]).extension() == ".xmp") {
        named = images[1];
        images.pop_back();
    }
    const std::vector<std::string> files = BatchFiles(arguments, images);
    const bool overwrite = arguments.Has("--overwrite");
    return RunBatch(files, BatchJobs(arguments), [&](const std::string& path) {
        const std::string sidecar =
            named.empty() ? std::filesystem::path(path).replace_extension(".xmp").string() : named;
        if (sidecar == path) return FileOutcome::Failed("is itself a sidecar");
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        if (!overwrite && FileExists(sidecar)) {
            return FileOutcome::Failed(sidecar + " exists (--overwrite replaces it)");
        }
        if (!CreateXmpSidecar(sidecar.c_str(), overwrite)) {
            return FileOutcome::Failed("could not create " + sidecar);
        }
        if (!WriteData(handle.get(), sidecar.c_str(), 3, 0)) {
            return FileOutcome::Failed("could not write " + sidecar);
        }
        return FileOutcome{true, path + " -> " + sidecar + "\n", ""};
    });
}

}  // namespace lumenmeta_tool
