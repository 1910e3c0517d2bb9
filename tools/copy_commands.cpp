// `lumenmeta copy`, `lumenmeta copy-value` and `lumenmeta sidecar`: metadata
// from one file into another.
#include "batch.h"
#include "changes.h"
#include "checked_write.h"
#include "commands.h"
#include "image_file.h"
#include "read_back.h"
#include "text.h"
#include "values.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace lumenmeta_tool {

namespace {

namespace fs = std::filesystem;

// A new folder under $TMPDIR (or /tmp), removed with what is in it when the
// object goes: where a dry run of `copy` writes, away from the user's files.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string folder = std::string(base && *base ? base : "/tmp") + "/lumenmeta-XXXXXX";
        if (mkdtemp(folder.data())) path_ = folder;
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path_.empty()) fs::remove_all(path_, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Copies all metadata of `source` into `target` and checks that the target
// then holds, key by key, what the source holds.
FileOutcome CopyAndCheck(const std::string& source, const std::string& target, bool readTarget,
                         bool dryRun, bool json) {
    std::string reason;
    Handle from = OpenImage(source, reason);
    if (!from) return FileOutcome::Failed("cannot read the source " + source + ": " + reason);
    const Snapshot asked = TakeSnapshot(from.get());
    from.reset();
    const bool exists = FileExists(target);
    if (exists && !IsUsableFile(target, reason)) return FileOutcome::Failed(reason);
    Snapshot before;
    if (exists && (dryRun || json)) {
        if (Handle old = OpenImage(target, reason)) before = TakeSnapshot(old.get());
    }
    // A dry run copies into a copy of the target in a scratch folder.
    const ScratchFolder scratch;
    std::string written = target;
    if (dryRun) {
        if (scratch.path().empty()) return FileOutcome::Failed("cannot make a scratch folder");
        written = scratch.path() + "/" + fs::path(target).filename().string();
        std::string bytes;
        if (exists && !(ReadFile(target, bytes) && WriteBytes(written, bytes))) {
            return FileOutcome::Failed("cannot read it");
        }
    }
    if (!CopyImageMetaData(source.c_str(), written.c_str(), readTarget)) {
        return FileOutcome::Failed("could not copy the metadata of " + source + " into it");
    }
    Handle after = OpenImage(written, reason);
    if (!after) return FileOutcome::Failed("written, but cannot be read back: " + reason);
    const Snapshot result = TakeSnapshot(after.get());
    std::vector<NotKept> faults;
    for (const Change& change : Compare(asked, result)) {
        // The source's own image structure is not the metadata copied.
        if (!change.after && NotRecordedInJpeg(change.key)) continue;
        faults.push_back({change.key,
                          change.before ? change.before->values : std::vector<std::string>(),
                          change.after ? change.after->values : std::vector<std::string>(), ""});
    }
    return Report(target, dryRun || json ? Compare(before, result) : std::vector<Change>(),
                  faults, dryRun, json);
}

}  // namespace

int RunCopy(const Words& words) {
    const Arguments arguments =
        ParseArguments(words, {{}, {"--read-target", "--dry-run", "--json"}});
    if (arguments.positional.size() != 2) throw UsageError("copy needs SOURCE and TARGET");
    const std::string& source = arguments.positional[0];
    const std::string& target = arguments.positional[1];
    return RunBatch({target}, 1, [&](const std::string&) {
        return CopyAndCheck(source, target, arguments.Has("--read-target"),
                            arguments.Has("--dry-run"), arguments.Has("--json"));
    });
}

int RunCopyValue(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--dry-run", "--json"}});
    if (arguments.positional.size() != 3) {
        throw UsageError("copy-value needs SOURCE, TARGET and KEY");
    }
    const std::string& source = arguments.positional[0];
    const std::string& target = arguments.positional[1];
    const std::string& key = arguments.positional[2];
    if (!LooksLikeKey(key) || FamilyName(key.substr(0, key.find('.'))) != "Exif") {
        throw UsageError("copy-value copies Exif keys only, like Exif.Image.Artist");
    }
    std::string reason;
    Handle from;
    WriteJob job;
    job.keys = {key};
    job.dryRun = arguments.Has("--dry-run");
    job.json = arguments.Has("--json");
    job.edit = [&](MetaHandle* to) -> std::string {
        if (!from) return "cannot read the source " + source + ": " + reason;
        if (!CopyExifDataValue(from.get(), to, key.c_str())) {
            return source + " has no value for " + key;
        }
        return "";
    };
    return RunBatch({target}, 1, [&](const std::string& path) {
        from = OpenImage(source, reason);
        return EditAndWrite(path, job);
    });
}

int RunSidecar(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--overwrite"}});
    std::vector<std::string> images = arguments.positional;
    std::string named;
    if (images.size() == 2 && fs::path(images[1]).extension() == ".xmp") {
        named = images[1];
        images.pop_back();
    }
    const std::vector<std::string> files = BatchFiles(arguments, images);
    const bool overwrite = arguments.Has("--overwrite");
    return RunBatch(files, BatchJobs(arguments), [&](const std::string& path) {
        const std::string sidecar =
            named.empty() ? fs::path(path).replace_extension(".xmp").string() : named;
        if (sidecar == path) return FileOutcome::Failed("is itself a sidecar");
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        if (FileExists(sidecar)) {
            if (!overwrite) {
                return FileOutcome::Failed(sidecar + " exists (--overwrite replaces it)");
            }
            if (!IsUsableFile(sidecar, reason)) return FileOutcome::Failed(sidecar + " " + reason);
        }
        if (!CreateXmpSidecar(sidecar.c_str(), overwrite)) {
            return FileOutcome::Failed("could not create " + sidecar);
        }
        if (!WriteData(handle.get(), sidecar.c_str(), 3, 0)) {
            return FileOutcome::Failed("could not write " + sidecar);
        }
        return FileOutcome{true, Shown(path) + " -> " + Shown(sidecar) + "\n", ""};
    });
}

}  // namespace lumenmeta_tool
