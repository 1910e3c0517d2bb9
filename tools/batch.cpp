#include "batch.h"

#include "progress.h"
#include "text.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace lumenmeta_tool {

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

namespace {

FileOutcome RunGuarded(const FileTask& task, const std::string& path) {
    try {
        return task(path);
    } catch (const std::exception& error) {
        return FileOutcome::Failed(error.what());
    } catch (...) {
        return FileOutcome::Failed("unexpected error");
    }
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

int RunBatch(const std::vector<std::string>& files, int jobs, const FileTask& task) {
    const size_t count = files.size();
    std::vector<std::optional<FileOutcome>> outcomes(count);
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};

    const auto worker = [&] {
        for (size_t i = next++; i < count; i = next++) {
            FileOutcome outcome = RunGuarded(task, files[i]);
            std::lock_guard<std::mutex> lock(mutex);
            outcomes[i] = std::move(outcome);
            finished.notify_one();
        }
    };
    const size_t threads = std::min(count, static_cast<size_t>(std::max(jobs, 1)));
    std::vector<std::thread> pool;
    for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);

    ProgressBar progress(count);
    const bool stdoutIsTerminal = isatty(STDOUT_FILENO) != 0;
    size_t failed = 0, inPlace = 0, sidecars = 0;
    for (size_t i = 0; i < count; ++i) {
        FileOutcome outcome;
        {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return outcomes[i].has_value(); });
            outcome = std::move(*outcomes[i]);
            outcomes[i].reset();
        }
        // The bar shares the terminal with failure lines, and with the
        // output when that goes to the terminal too.
        if (!outcome.ok || (!outcome.output.empty() && stdoutIsTerminal)) progress.Clear();
        std::fputs(outcome.output.c_str(), stdout);
        std::fflush(stdout);
        inPlace += outcome.went == Went::InPlace;
        sidecars += outcome.went == Went::Sidecar;
        if (!outcome.ok) {
            ++failed;
            ReportFailure(files[i], outcome.reason);
        }
        progress.Update(i + 1, failed);
    }
    for (std::thread& thread : pool) thread.join();
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
