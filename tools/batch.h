// The batch runner: one task per file, in this process or in worker
// processes, output printed in the order of the files whatever order they
// finish in.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

// Where a write with --sidecar went: counted in the summary.
enum class Went { Nowhere, InPlace, Sidecar };

// What one file's task produced: its standard output text, and for a
// failure the reason (several lines for several faults in one file).
struct FileOutcome {
    bool ok = true;
    std::string output;
    std::string reason;
    Went went = Went::Nowhere;

    static FileOutcome Failed(std::string why) { return {false, "", std::move(why)}; }
};

using FileTask = std::function<FileOutcome(const std::string& path)>;

// The number of jobs `-j` defaults to: the number of cores.
int DefaultJobs();

// How a batch runs: the number of jobs, and in worker processes, the time
// one file may take before its worker is stopped and the file fails.
struct Jobs {
    Jobs(int count = 1) : count(count) {}  // NOLINT: a plain count converts
    int count;
    int timeoutSeconds = 60;
};

// Prints each line of `reason` on stderr as "lumenmeta: PATH: LINE", with
// control characters escaped.
void ReportFailure(const std::string& path, const std::string& reason);

// Runs `task` on every file: with `jobs` 1, or a single file, here in turn;
// otherwise in `jobs` worker processes (see worker_pool.h), where a worker
// that dies fails only its file ("the worker ended abnormally"), and so
// does one that takes longer than the time limit on it. Prints each
// file's output to stdout and each failure as one line on stderr naming the
// file and the reason, in file order; then, for more than one file or any
// failure, a summary line on stderr (which also counts the writes that went
// in place and into sidecars, where there were such). Result: the exit code, 0 when every file
// succeeded, 1 otherwise. Throws std::runtime_error, after every file is
// done, when standard output could not be written.
int RunBatch(const std::vector<std::string>& files, const Jobs& jobs, const FileTask& task);

}  // namespace lumenmeta_tool
