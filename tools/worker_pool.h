// Batch work in forked worker processes. Exiv2's XMP toolkit takes one lock
// per process, so only separate processes parse and serialise XMP on every
// core at once. Each worker takes the next file from a counter it shares
// with the others, so none waits to be handed work, and sends each file's
// outcome back over its own socket as one record; a worker that dies fails
// only the file it was on, and a new one takes its place.
#pragma once

#include "batch.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

// Runs `task` on every file in up to `workers` child processes, forked from
// this one (the library already loaded, no other thread running), and calls
// `finished(index, outcome)` here in the parent as each file is done, in the
// order they finish. `guarded` is `task` with its exceptions turned into
// failures. Files no worker can be started for run in this process. A
// worker still on one file after `timeoutSeconds` is killed: the file fails
// with that reason and a new worker takes its place.
void RunInWorkers(const std::vector<std::string>& files, size_t workers, int timeoutSeconds,
                  const std::function<FileOutcome(const std::string&)>& guarded,
                  const std::function<void(size_t, FileOutcome)>& finished);

}  // namespace lumenmeta_tool
