// The tool's commands. Each takes the words after the command's name and
// returns the exit code: 0 all done, 1 some file failed; a usage mistake
// throws UsageError (exit code 2).
#pragma once

#include "batch.h"
#include "options.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

using Words = std::vector<std::string>;

int RunShow(const Words& words);
int RunGet(const Words& words);
int RunSet(const Words& words);
int RunClear(const Words& words);
int RunCopy(const Words& words);
int RunCopyValue(const Words& words);
int RunSidecar(const Words& words);
int RunVars(const Words& words);
int RunThumbnail(const Words& words);
int RunDiff(const Words& words);
int RunShift(const Words& words);
int RunNames(const Words& words);

// Shared by the batch commands: the files named (directories expanded, with
// -r recursively), and the jobs: the number from -j (the cores by default),
// at most one per file and 4 per core unless --no-job-limit asks for more,
// with the time limit per file from --timeout (60 s by default). UsageError
// when no file is named or -j or --timeout is not a positive number.
std::vector<std::string> BatchFiles(const Arguments& arguments,
                                    const std::vector<std::string>& inputs);
Jobs BatchJobs(const Arguments& arguments, size_t files);

}  // namespace lumenmeta_tool
