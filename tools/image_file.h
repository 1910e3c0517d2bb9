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
// file, a directory, or not an image the library can read.
Handle OpenImage(const std::string& path, std::string& reason);

// Whether a file exists at `path`.
bool FileExists(const std::string& path);

// The bytes of a file; false when it cannot be read.
bool ReadFile(const std::string& path, std::string& bytes);

}  // namespace lumenmeta_tool
