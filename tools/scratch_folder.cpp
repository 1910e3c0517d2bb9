#include "scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace lumenmeta_tool {

ScratchFolder::ScratchFolder(const char* name) {
    const char* base = std::getenv("TMPDIR");
    std::string folder = std::string(base && *base ? base : "/tmp") + "/" + name + "-XXXXXX";
    if (mkdtemp(folder.data())) path_ = folder;
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove_all(path_, error);
}

}  // namespace lumenmeta_tool
