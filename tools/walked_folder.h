// A file the folder walk found is worked on through the folder the walk
// held: each folder below the named one is opened again from the held
// descriptor without following a link, and while the file is worked on every
// path in that folder (the image, its sidecar, its lock) is handed to the
// library and the system as a path through that descriptor. A folder on the
// way swapped for a link since the walk is refused, never followed.
#pragma once

#include <string>

namespace lumenmeta_tool {

// Pins the folder of `path` for as long as it lives, when the walk found
// `path`; otherwise does nothing. `reason` is empty when the file may be
// worked on, else says why not.
class PinnedFolder {
public:
    explicit PinnedFolder(const std::string& path);
    ~PinnedFolder();
    PinnedFolder(const PinnedFolder&) = delete;
    PinnedFolder& operator=(const PinnedFolder&) = delete;

    const std::string& reason() const { return reason_; }

private:
    int fd_ = -1;
    bool owned_ = false;  // fd_ is this object's, not the walk's
    std::string reason_;
};

// The path to open for `path`: through the pinned folder's descriptor when
// `path` lies directly in it, else `path` itself.
std::string AccessPath(const std::string& path);

}  // namespace lumenmeta_tool
