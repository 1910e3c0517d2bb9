#include "checked_write.h"

#include "image_file.h"
#include "json.h"
#include "text.h"

#include <cstdint>
#include <limits>

namespace lumenmeta_tool {

FileOutcome Report(const std::string& path, const std::vector<Change>& changes,
                   const std::vector<NotKept>& faults, bool dryRun, bool json,
                   const std::string& linePrefix) {
    FileOutcome outcome;
    if (json) {
        outcome.output = "{\"file\":" + JsonString(path) +
                         ",\"dry_run\":" + (dryRun ? "true," : "false,") +
                         ChangesAsJson(changes) + "," + NotKeptJson(faults) + "}\n";
    } else if (dryRun) {
        outcome.output = Shown(path) + " (dry run, nothing written)\n" +
                         ChangesAsText(changes, "  no change\n");
    }
    for (const NotKept& fault : faults) {
        outcome.reason +=
            (outcome.reason.empty() ? "" : "\n") + linePrefix + NotKeptLine(fault, dryRun);
    }
    outcome.ok = faults.empty();
    return outcome;
}

FileOutcome EditAndWrite(const std::string& path, const WriteJob& job) {
    std::string reason;
    Handle handle = OpenImage(path, reason);
    if (!handle) return FileOutcome::Failed(reason);
    const std::string& written = job.target.empty() ? path : job.target;
    if (!job.target.empty() && !IsUsableFile(job.target, reason)) {
        return FileOutcome::Failed("target " + job.target + " " + reason);
    }
    // A dry run's write goes into these bytes; they must outlive the image
    // opened on them.
    std::string bytes;
    if (job.dryRun && !ReadFile(written, bytes)) {
        return FileOutcome::Failed("cannot read " + written);
    }
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return FileOutcome::Failed("too large for a write in memory");
    }
    Snapshot before;
    if (job.json || job.dryRun) {
        if (job.target.empty()) {
            before = TakeSnapshot(handle.get());
        } else {
            Handle old = job.dryRun ? Handle(OpenMemImage(
                                          reinterpret_cast<const unsigned char*>(bytes.data()),
                                          static_cast<int32_t>(bytes.size())))
                                    : OpenImage(job.target, reason);
            if (old) before = TakeSnapshot(old.get());
        }
    }

    reason = job.edit(handle.get());
    if (!reason.empty()) return FileOutcome::Failed(reason + "; nothing written");
    const Asked asked = AskedOf(handle.get(), job.keys);

    std::vector<unsigned char> image;  // a dry run's result; outlives `after`
    Handle after;
    if (job.dryRun) {
        int32_t size = static_cast<int32_t>(bytes.size());
        const unsigned char* result = WriteDataToMem(
            handle.get(), reinterpret_cast<const unsigned char*>(bytes.data()), &size, job.xmpMode);
        if (!result) return FileOutcome::Failed("the write fails, even in memory");
        image.assign(result, result + size);
        after.reset(OpenMemImage(image.data(), size));
        reason = "the library cannot read it";
    } else {
        if (!WriteData(handle.get(), job.target.empty() ? nullptr : job.target.c_str(),
                       job.xmpMode, job.keepTargetUnread)) {
            return FileOutcome::Failed("could not write " + written);
        }
        after = OpenImage(written, reason);
    }
    if (!after) return FileOutcome::Failed("written, but cannot be read back: " + reason);

    std::vector<NotKept> faults = CheckKept(after.get(), asked);
    for (NotKept& fault : faults) {
        if ((job.xmpMode == 1 || job.xmpMode == 2) && fault.why.empty() &&
            fault.key.rfind("Xmp.", 0) == 0) {
            fault.why = "--xmp-mode " + std::to_string(job.xmpMode) + " leaves XMP out";
        }
    }
    const std::vector<Change> changes =
        job.json || job.dryRun ? Compare(before, TakeSnapshot(after.get())) : std::vector<Change>();
    return Report(written, changes, faults, job.dryRun, job.json,
                  job.target.empty() ? "" : "in " + job.target + ", ");
}

}  // namespace lumenmeta_tool
