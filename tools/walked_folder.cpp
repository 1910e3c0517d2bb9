#include "walked_folder.h"

#include "file_list.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lumenmeta_tool {

namespace {

// The folder pinned now: its path as the walk gave it, and the path through
// its descriptor. One at a time: a process works on one file at a time.
struct Pinned {
    std::string folder;
    std::string through;
};
Pinned pinned;

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

bool DescriptorPathsWork() {
    static const bool work = access("/proc/self/fd", X_OK) == 0;
    return work;
}

}  // namespace

PinnedFolder::PinnedFolder(const std::string& path) {
    const FoundFile* found = FoundEntry(path);
    if (!found || found->root < 0) return;
    // A file of the named folder itself is reached through the descriptor
    // the walk holds; one further down through a descriptor of its own
    // folder, opened step by step from there.
    owned_ = !found->below.empty();
    int current = owned_ ? dup(found->root) : found->root;
    size_t start = 0;
    while (current >= 0 && start < found->below.size()) {
        const size_t end = std::min(found->below.find('/', start), found->below.size());
        const std::string step = found->below.substr(start, end - start);
        start = end + 1;
        const int next = openat(current, step.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat info {};
        if (next < 0 && fstatat(current, step.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISLNK(info.st_mode)) {
            reason_ = "its folder " + step +
                      " is a symbolic link now, not the folder the walk found; not followed";
        } else if (next < 0) {
            reason_ = "its folder " + step + " cannot be opened: " +
                      std::generic_category().message(errno);
        }
        close(current);
        current = next;
    }
    if (current < 0) {
        if (reason_.empty()) reason_ = "the folder it was found in cannot be opened";
        return;
    }
    fd_ = current;
    if (DescriptorPathsWork()) {
        pinned = {FolderOf(path), "/proc/self/fd/" + std::to_string(fd_)};
    }
}

PinnedFolder::~PinnedFolder() {
    if (fd_ < 0) return;
    pinned = Pinned();
    if (owned_) close(fd_);
}

std::string AccessPath(const std::string& path) {
    if (pinned.through.empty() || path.rfind('/') == std::string::npos ||
        FolderOf(path) != pinned.folder) {
        return path;
    }
    return pinned.through + path.substr(path.rfind('/'));
}

}  // namespace lumenmeta_tool
