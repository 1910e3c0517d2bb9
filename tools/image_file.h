// Opening an image for a command: a handle that closes itself, and a clear
// reason when the file cannot be used.
#pragma once

#include "lumenmeta.h"

#include <memory>
#include <string>

namespace lumenmeta_tool {

struct HandleCloser {
    void operator()(MetaHandle* handle) const { CloseMetaHandle(handle); }
};
using Handle = std::unique_ptr<MetaHandle, HandleCloser>;

// Opens `path`. On failure the result is empty and `reason` says why: no such
// file, not a regular file (a directory, FIFO, device), or not an image the
// library can read.
Handle OpenImage(const std::string& path, std::string& reason);

// Whether a symbolic link at the last name of a path is followed, here and
// in the library (SetFollowLastLink); true until set otherwise.
void FollowLinksAtName(bool follow);

// Whether `path` names a regular file (through symbolic links, where they
// are followed); otherwise `reason` says what it is instead.
bool IsUsableFile(const std::string& path, std::string& reason);

// Whether anything exists at `path` (through symbolic links).
bool FileExists(const std::string& path);

// Whether the file at `path` is larger than a write in memory can take
// (2 GB less one byte), told by its size before anything is read.
bool TooLargeForMemory(const std::string& path);

// The bytes of a regular file; false when it cannot be read or is no regular
// file.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace lumenmeta_tool
