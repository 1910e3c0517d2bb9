// How every writing command writes a file: edit a handle, write it (or, for a
// dry run, the same write in memory), read the result back, and report what
// changed and any key that did not read back as asked.
#pragma once

#include "batch.h"
#include "changes.h"
#include "lumenmeta.h"
#include "read_back.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

struct WriteJob {
    std::vector<std::string> keys;                  // the keys set or cleared
    std::function<std::string(MetaHandle*)> edit;   // "" done, else the reason
    std::string target;                             // "": the file itself
    int xmpMode = 0;
    bool keepTargetUnread = false;
    bool dryRun = false;
    bool json = false;
};

// Opens `path`, applies the edit and writes into the file itself or into the
// job's target; nothing is written when the edit fails. A dry run writes
// into a copy of the target's bytes in memory and leaves every file as it
// was. The file (or the image in memory) is then read once more and checked
// key by key: the outcome fails when a key does not read back as asked.
FileOutcome EditAndWrite(const std::string& path, const WriteJob& job);

// The outcome of a write into `path`: with `json`, one JSON object
// {"file","dry_run","added","changed","removed","not_kept"} and a line end;
// for a dry run as text, `path` and one line per change; otherwise no
// output. Each key not kept is a line of the failure's reason, starting with
// `linePrefix`.
FileOutcome Report(const std::string& path, const std::vector<Change>& changes,
                   const std::vector<NotKept>& faults, bool dryRun, bool json,
                   const std::string& linePrefix = "");

}  // namespace lumenmeta_tool
