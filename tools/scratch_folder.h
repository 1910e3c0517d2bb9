// A new folder under $TMPDIR (or /tmp), removed with everything in it when
// the object goes, however the command ends: where the demo makes its sample
// and a dry run of `copy` writes, away from the user's files.
#pragma once

#include <string>

namespace lumenmeta_tool {

class ScratchFolder {
public:
    // Makes the folder `name`-XXXXXX; path() is empty when it cannot be made.
    explicit ScratchFolder(const char* name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace lumenmeta_tool
