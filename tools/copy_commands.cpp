// `lumenmeta copy`, `lumenmeta copy-value` and `lumenmeta sidecar`: metadata
// from one file into another.
#include "batch.h"
#include "changes.h"
#include "checked_write.h"
#include "commands.h"
#include "filters.h"
#include "image_file.h"
#include "read_back.h"
#include "scratch_folder.h"
#include "sidecar.h"
#include "sidecar_write.h"
#include "text.h"
#include "values.h"
#include "walked_folder.h"

#include <cstdio>
#include <filesystem>

namespace lumenmeta_tool {

namespace {

namespace fs = std::filesystem;

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(AccessPath(path).c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

struct CopyJob {
    std::string source, target;
    bool readTarget = false, dryRun = false, json = false;
    SidecarOptions sidecar;
};

// Copies all metadata of the source into the target and checks that the
// target then holds, key by key, what the source holds. When the library
// refuses the target's format, nothing is written and `refusal` holds the
// reason.
FileOutcome CopyAndCheck(const CopyJob& job, std::string& refusal) {
    const std::string &source = job.source, &target = job.target;
    const bool dryRun = job.dryRun, json = job.json;
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
    const ScratchFolder scratch("lumenmeta");
    std::string written = target;
    if (dryRun) {
        if (scratch.path().empty()) return FileOutcome::Failed("cannot make a scratch folder");
        written = scratch.path() + "/" + fs::path(target).filename().string();
        std::string bytes;
        if (exists && !(ReadFile(target, bytes) && WriteBytes(written, bytes))) {
            return FileOutcome::Failed("cannot read it");
        }
    }
    if (!CopyImageMetaData(AccessPath(source).c_str(), AccessPath(written).c_str(), job.readTarget)) {
        if (exists) refusal = FormatRefusal(written);
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
    return Report({target, target, job.sidecar.mode != SidecarMode::Off, ""},
                  dryRun || json ? Compare(before, result) : std::vector<Change>(), faults, dryRun,
                  json);
}

// Merges all metadata of the source into the target image's sidecar (a new
// one where there is none) and checks that the sidecar then holds each XMP
// key of the source as the source does: a sidecar holds XMP only, the
// source's Exif and IPTC reach it as their XMP twins.
FileOutcome CopyIntoSidecar(const CopyJob& job, const std::string& why) {
    std::string reason;
    if (IsSidecarPath(job.target)) return FileOutcome::Failed("is an XMP sidecar itself; name its image");
    if (!IsUsableFile(job.target, reason)) return FileOutcome::Failed(reason);
    Handle from = OpenImage(job.source, reason);
    if (!from) return FileOutcome::Failed("cannot read the source " + job.source + ": " + reason);
    Snapshot asked;
    for (const auto& [key, values] : TakeSnapshot(from.get())) {
        if (key.rfind("Xmp.", 0) == 0) asked[key] = values;
    }
    Sidecar sidecar = SidecarOf(job.target, job.sidecar.fullName);
    SidecarWrite access;
    reason = access.Begin(sidecar.path, !job.dryRun);
    if (!reason.empty()) return FileOutcome::Failed(reason);
    sidecar.exists = access.exists();
    std::string bytes = kEmptySidecar;  // a dry run writes into these
    Snapshot before;
    if (sidecar.exists) {
        if (job.dryRun && !ReadFile(sidecar.path, bytes)) {
            return FileOutcome::Failed("cannot read " + sidecar.path);
        }
        if (job.dryRun || job.json) {
            if (Handle old = OpenImage(sidecar.path, reason)) before = TakeSnapshot(old.get());
        }
    }
    std::vector<unsigned char> written;  // a dry run's result; outlives `after`
    Handle after;
    if (job.dryRun) {
        after = WriteInMemory(from.get(), bytes, 0, written);
        if (written.empty()) return FileOutcome::Failed("the write fails, even in memory");
        reason = "the library cannot read it";
    } else {
        if (!sidecar.exists && !access.Create()) {
            return FileOutcome::Failed("could not create " + sidecar.path);
        }
        if (!WriteData(from.get(), AccessPath(sidecar.path).c_str(), 0, 0)) {
            access.UndoCreate();
            return FileOutcome::Failed("could not write " + sidecar.path);
        }
        after = OpenImage(sidecar.path, reason);
    }
    if (!after) return FileOutcome::Failed("written, but cannot be read back: " + reason);
    const Snapshot result = TakeSnapshot(after.get());
    std::vector<NotKept> faults;
    for (const auto& [key, values] : asked) {
        const auto now = result.find(key);
        if (now != result.end() && now->second == values) continue;
        faults.push_back({key, values.values,
                          now == result.end() ? std::vector<std::string>() : now->second.values,
                          ""});
    }
    return Report({job.target, sidecar.path, true, why},
                  job.dryRun || job.json ? Compare(before, result) : std::vector<Change>(), faults,
                  job.dryRun, job.json);
}

}  // namespace

int RunCopy(const Words& words) {
    KnownOptions known{{}, {"--read-target", "--dry-run", "--json"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    RefuseFilters(arguments, "copy");
    if (arguments.positional.size() != 2) throw UsageError("copy needs SOURCE and TARGET");
    CopyJob job;
    job.source = arguments.positional[0];
    job.target = arguments.positional[1];
    job.readTarget = arguments.Has("--read-target");
    job.dryRun = arguments.Has("--dry-run");
    job.json = arguments.Has("--json");
    job.sidecar = SidecarOptionsOf(arguments);
    return RunBatch({job.target}, 1, [&](const std::string&) {
        if (job.sidecar.mode == SidecarMode::Always) return CopyIntoSidecar(job, "");
        std::string refusal;
        FileOutcome outcome = CopyAndCheck(job, refusal);
        if (refusal.empty()) return outcome;
        if (job.sidecar.mode == SidecarMode::Auto) return CopyIntoSidecar(job, refusal);
        return FileOutcome::Failed(refusal + "; use --sidecar");
    });
}

int RunCopyValue(const Words& words) {
    KnownOptions known{{}, {"--dry-run", "--json"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    RefuseFilters(arguments, "copy-value");
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
    job.sidecar = SidecarOptionsOf(arguments);
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
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        const std::string sidecar =
            named.empty() ? fs::path(path).replace_extension(".xmp").string() : named;
        if (sidecar == path) return FileOutcome::Failed("is itself a sidecar");
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        // A sidecar named on the command line may be a link the user means.
        SidecarWrite access;
        reason = access.Begin(sidecar, true, !named.empty());
        if (access.exists() && !overwrite) {
            return FileOutcome::Failed(sidecar + " exists (--overwrite replaces it)");
        }
        if (!reason.empty()) return FileOutcome::Failed(reason);
        if (access.exists() ? !CreateXmpSidecar(AccessPath(sidecar).c_str(), true) : !access.Create()) {
            return FileOutcome::Failed("could not create " + sidecar);
        }
        if (!WriteData(handle.get(), AccessPath(sidecar).c_str(), 3, 0)) {
            access.UndoCreate();
            return FileOutcome::Failed("could not write " + sidecar);
        }
        return FileOutcome{true, Shown(path) + " -> " + Shown(sidecar) + "\n", ""};
    });
}

}  // namespace lumenmeta_tool
