// The file a thread is reading, so that Exiv2's messages about it can name
// it: Exiv2 logs through one process-wide handler, which knows nothing of
// the file at hand.
#pragma once

#include <string>

namespace lumenmeta {

// Names `path` as this thread's file while it is alive; the name before it
// comes back when it ends, so scopes nest.
class FileInProgress {
public:
    explicit FileInProgress(const std::string& path);
    ~FileInProgress();
    FileInProgress(const FileInProgress&) = delete;
    FileInProgress& operator=(const FileInProgress&) = delete;

private:
    const std::string* outer_;
};

// This thread's file: "" outside every scope.
const std::string& CurrentFile();

}  // namespace lumenmeta
