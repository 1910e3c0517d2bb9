#include "checked_write.h"

#include "image_file.h"
#include "json.h"
#include "sidecar_write.h"
#include "text.h"
#include "trace_capture.h"
#include "values.h"
#include "walked_folder.h"

#include <cstdint>
#include <cstdio>
#include <limits>

namespace lumenmeta_tool {

FileOutcome Report(const Destination& where, const std::vector<Change>& changes,
                   const std::vector<NotKept>& faults, bool dryRun, bool json) {
    FileOutcome outcome;
    const std::string& named = where.sidecarMode ? where.file : where.written;
    if (json) {
        outcome.output = "{\"file\":" + JsonString(named);
        if (where.sidecarMode) {
            outcome.output += ",\"sidecar\":" +
                              (where.IntoSidecar() ? JsonString(where.written) : "null");
        }
        outcome.output += std::string(",\"dry_run\":") + (dryRun ? "true," : "false,") +
                          ChangesAsJson(changes) + "," + NotKeptJson(faults) + "}\n";
    } else if (dryRun) {
        outcome.output = Shown(named) +
                         (where.IntoSidecar() ? " -> " + Shown(where.written) : "") +
                         " (dry run, nothing written)\n" + ChangesAsText(changes, "  no change\n");
    } else if (where.IntoSidecar()) {
        outcome.output = Shown(where.file) + " -> " + Shown(where.written) +
                         (where.why.empty() ? "" : " (" + where.why + ")") + "\n";
    } else if (where.sidecarMode) {
        outcome.output = Shown(where.file) + " (in place)\n";
    }
    const std::string linePrefix =
        where.written != where.file ? "in " + where.written + ", " : "";
    for (const NotKept& fault : faults) {
        outcome.reason +=
            (outcome.reason.empty() ? "" : "\n") + linePrefix + NotKeptLine(fault, dryRun);
    }
    outcome.ok = faults.empty();
    if (where.sidecarMode) outcome.went = where.IntoSidecar() ? Went::Sidecar : Went::InPlace;
    return outcome;
}

namespace {

const unsigned char* Bytes(const std::string& bytes) {
    return reinterpret_cast<const unsigned char*>(bytes.data());
}

// The write into the file itself or into the job's target. When the library
// refuses the target's format, nothing is written and `refusal` holds the
// reason.
FileOutcome WriteImage(const std::string& path, const WriteJob& job, std::string& refusal) {
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
    if (job.dryRun && TooLargeForMemory(written)) {
        return FileOutcome::Failed("too large for a write in memory");
    }
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
            Handle old = job.dryRun ? Handle(OpenMemImage(Bytes(bytes),
                                                          static_cast<int32_t>(bytes.size())))
                                    : OpenImage(job.target, reason);
            if (old) before = TakeSnapshot(old.get());
        }
    }

    const std::vector<std::string> keys = job.keysIn ? job.keysIn(handle.get()) : job.keys;
    reason = job.edit(handle.get());
    if (!reason.empty()) return FileOutcome::Failed(reason + "; nothing written");
    const Asked asked = AskedOf(handle.get(), keys);

    std::vector<unsigned char> image;  // a dry run's result; outlives `after`
    Handle after;
    TraceCapture trace;
    if (job.dryRun) {
        after = WriteInMemory(handle.get(), bytes, job.xmpMode, image);
        if (image.empty()) {
            if (IsFormatRefusal(trace.WriteFailure())) refusal = trace.WriteFailure();
            return FileOutcome::Failed("the write fails, even in memory");
        }
        reason = "the library cannot read it";
    } else {
        if (!WriteData(handle.get(), job.target.empty() ? nullptr : AccessPath(job.target).c_str(),
                       job.xmpMode, job.keepTargetUnread)) {
            if (IsFormatRefusal(trace.WriteFailure())) refusal = trace.WriteFailure();
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
    return Report({path, written, job.sidecar.mode != SidecarMode::Off, ""}, changes, faults,
                  job.dryRun, job.json);
}

// Keys cleared in a sidecar that the image's own XMP still holds: whoever
// reads the two together still sees them.
void AddShownThrough(MetaHandle* image, const Asked& asked, std::vector<NotKept>& faults) {
    for (const auto& [key, items] : asked) {
        if (!items.empty() || FamilyName(key.substr(0, key.find('.'))) != "Xmp") continue;
        std::vector<std::string> held = ItemsOf(image, key);
        if (held.empty()) continue;
        faults.push_back({key, {}, std::move(held),
                          "the image itself holds it: a sidecar overrides values, it cannot "
                          "remove them"});
    }
}

// The write into the image's sidecar: the sidecar's own handle (an empty one
// where there is no sidecar yet) is edited, written and read back.
FileOutcome WriteSidecar(const std::string& path, const WriteJob& job, const std::string& why) {
    std::string reason;
    if (IsSidecarPath(path)) return FileOutcome::Failed("is an XMP sidecar itself; name its image");
    Handle image = OpenImage(path, reason);
    if (!image) return FileOutcome::Failed(reason);
    Sidecar sidecar = SidecarOf(path, job.sidecar.fullName);
    // Whether it exists, and what it holds, is looked at once the write has
    // the sidecar to itself.
    SidecarWrite access;
    reason = access.Begin(sidecar.path, !job.dryRun);
    if (!reason.empty()) return FileOutcome::Failed(reason);
    sidecar.exists = access.exists();
    // What a dry run writes into: the sidecar's bytes, or an empty sidecar's.
    // Handles opened on them must not outlive them.
    std::string bytes = kEmptySidecar;
    if (sidecar.exists && job.dryRun && !ReadFile(sidecar.path, bytes)) {
        return FileOutcome::Failed("cannot read " + sidecar.path);
    }
    Handle handle = sidecar.exists ? OpenImage(sidecar.path, reason)
                                   : Handle(OpenMemImage(Bytes(kEmptySidecar),
                                                         static_cast<int32_t>(kEmptySidecar.size())));
    if (!handle) return FileOutcome::Failed("its sidecar " + sidecar.path + " " + reason);
    const Snapshot before = job.json || job.dryRun ? TakeSnapshot(handle.get()) : Snapshot();

    if (job.seed) job.seed(handle.get(), image.get());
    const std::vector<std::string> keys = job.keysIn ? job.keysIn(handle.get()) : job.keys;
    reason = job.edit(handle.get());
    if (!reason.empty()) return FileOutcome::Failed(reason + "; nothing written");
    const Asked asked = AskedOf(handle.get(), keys);

    std::vector<unsigned char> written;  // a dry run's result; outlives `after`
    Handle after;
    if (job.dryRun) {
        after = WriteInMemory(handle.get(), bytes, job.xmpMode, written);
        if (written.empty()) return FileOutcome::Failed("the write fails, even in memory");
        reason = "the library cannot read it";
    } else {
        // A new sidecar is made only now, when there is something to write.
        if (!sidecar.exists && !access.Create()) {
            return FileOutcome::Failed("could not create " + sidecar.path);
        }
        if (!WriteData(handle.get(), sidecar.exists ? nullptr : AccessPath(sidecar.path).c_str(),
                       job.xmpMode, 0)) {
            access.UndoCreate();
            return FileOutcome::Failed("could not write " + sidecar.path);
        }
        after = OpenImage(sidecar.path, reason);
    }
    if (!after) return FileOutcome::Failed("written, but cannot be read back: " + reason);

    std::vector<NotKept> faults = CheckKept(after.get(), asked);
    AddShownThrough(image.get(), asked, faults);
    const std::vector<Change> changes =
        job.json || job.dryRun ? Compare(before, TakeSnapshot(after.get())) : std::vector<Change>();
    return Report({path, sidecar.path, true, why}, changes, faults, job.dryRun, job.json);
}

}  // namespace

Handle WriteInMemory(MetaHandle* handle, const std::string& bytes, int xmpMode,
                     std::vector<unsigned char>& image) {
    image.clear();
    int32_t size = static_cast<int32_t>(bytes.size());
    const unsigned char* result = WriteDataToMem(handle, Bytes(bytes), &size, xmpMode);
    if (!result) return Handle();
    image.assign(result, result + size);
    return Handle(OpenMemImage(image.data(), size));
}

FileOutcome EditAndWrite(const std::string& path, const WriteJob& job) {
    if (job.sidecar.mode == SidecarMode::Always) return WriteSidecar(path, job, "");
    std::string refusal;
    FileOutcome outcome = WriteImage(path, job, refusal);
    if (refusal.empty()) return outcome;
    if (job.sidecar.mode == SidecarMode::Auto) return WriteSidecar(path, job, refusal);
    return FileOutcome::Failed(refusal + "; use --sidecar");
}

}  // namespace lumenmeta_tool
