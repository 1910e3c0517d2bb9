#include "batch.h"

#include "entries.h"
#include "file_list.h"
#include "image_file.h"
#include "progress.h"
#include "sample_image.h"
#include "text.h"
#include "walked_folder.h"
#include "worker_pool.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace lumenmeta_tool {

int DefaultJobs() {
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    return cores < 1 ? 1 : static_cast<int>(cores);
}

namespace {

FileOutcome RunGuarded(const FileTask& task, const std::string& path) {
    // A file the folder walk found is that entry itself: a link put in its
    // place since is not followed.
    struct Following {
        explicit Following(bool follow) { FollowLinksAtName(follow); }
        ~Following() { FollowLinksAtName(true); }
    } following(!FoundInFolder(path));
    try {
        // And it is reached through the folder the walk held.
        const PinnedFolder pinned(path);
        if (!pinned.reason().empty()) return FileOutcome::Failed(pinned.reason());
        return task(path);
    } catch (const std::exception& error) {
        return FileOutcome::Failed(error.what());
    } catch (...) {
        return FileOutcome::Failed("unexpected error");
    }
}

// Reads the sample image in memory once, as each file of a batch is read,
// before the workers are forked: Exiv2's and the C++ library's first-use
// setup (tables, locales, symbols bound on first call) is then done once,
// here, not again in every worker.
void WarmUp() {
    const std::vector<unsigned char> sample = SampleJpeg();
    MetaHandle* handle = OpenMemImage(sample.data(), static_cast<int32_t>(sample.size()));
    for (const char* family : {"Exif", "Iptc", "Xmp"}) FamilyEntries(handle, family);
    CloseMetaHandle(handle);
}

}  // namespace

void ReportFailure(const std::string& path, const std::string& reason) {
    size_t start = 0;
    do {
        const size_t end = std::min(reason.find('\n', start), reason.size());
        std::fprintf(stderr, "lumenmeta: %s: %s\n", Shown(path).c_str(),
                     Shown(reason.substr(start, end - start)).c_str());
        start = end + 1;
    } while (start < reason.size());
}

int RunBatch(const std::vector<std::string>& files, const Jobs& jobs, const FileTask& task) {
    const size_t count = files.size();
    std::vector<std::optional<FileOutcome>> outcomes(count);
    ProgressBar progress(count);
    const bool stdoutIsTerminal = isatty(STDOUT_FILENO) != 0;
    size_t printed = 0, failed = 0, inPlace = 0, sidecars = 0;
    // Files finish in any order; each is printed once all before it are.
    const auto finished = [&](size_t index, FileOutcome outcome) {
        outcomes[index] = std::move(outcome);
        for (; printed < count && outcomes[printed]; ++printed) {
            const FileOutcome& done = *outcomes[printed];
            // The bar shares the terminal with failure lines, and with the
            // output when that goes to the terminal too.
            if (!done.ok || (!done.output.empty() && stdoutIsTerminal)) progress.Clear();
            std::fputs(done.output.c_str(), stdout);
            // On a terminal each file shows as it is done; elsewhere the
            // output leaves in large writes, and always before a failure line.
            if (stdoutIsTerminal || !done.ok) std::fflush(stdout);
            inPlace += done.went == Went::InPlace;
            sidecars += done.went == Went::Sidecar;
            if (!done.ok) {
                ++failed;
                ReportFailure(files[printed], done.reason);
            }
            outcomes[printed].reset();
            progress.Update(printed + 1, failed);
        }
    };
    const auto guarded = [&](const std::string& path) { return RunGuarded(task, path); };
    const size_t workers = std::min(count, static_cast<size_t>(std::max(jobs.count, 1)));
    if (workers > 1) {
        WarmUp();
        RunInWorkers(files, workers, jobs.timeoutSeconds, guarded, finished);
    } else {
        for (size_t i = 0; i < count; ++i) finished(i, guarded(files[i]));
    }
    progress.Clear();
    if (count > 1 || failed > 0) {
        std::string where;
        if (inPlace + sidecars > 0) {
            where = " (" + std::to_string(inPlace) + " in place, " + std::to_string(sidecars) +
                    (sidecars == 1 ? " into a sidecar)" : " into sidecars)");
        }
        std::fprintf(stderr, "lumenmeta: %zu done, %zu failed%s\n", count - failed, failed,
                     where.c_str());
    }
    // Output lost on a full disk or a closed pipe is a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        throw std::runtime_error("could not write to standard output");
    }
    return failed == 0 ? 0 : 1;
}

}  // namespace lumenmeta_tool
