#include "image_file.h"

#include "walked_folder.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace lumenmeta_tool {

namespace {

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}

bool followLinks = true;

}  // namespace

void FollowLinksAtName(bool follow) {
    followLinks = follow;
    SetFollowLastLink(follow ? 1 : 0);
}

bool FileExists(const std::string& named) {
    const std::string path = AccessPath(named);
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

bool IsUsableFile(const std::string& named, std::string& reason) {
    const std::string path = AccessPath(named);
    struct stat info;
    if (!followLinks && lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        reason = "is a symbolic link now, not the file the folder held; not followed";
        return false;
    }
    if (stat(path.c_str(), &info) != 0) {
        reason = errno == ENOENT ? "no such file" : std::generic_category().message(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = KindOf(info.st_mode);
        return false;
    }
    return true;
}

Handle OpenImage(const std::string& path, std::string& reason) {
    // The library opens nothing but a regular file (a FIFO or a device is
    // refused before it is opened, a link at the name too where the walk
    // found the file), so the reason is looked for only when it refuses.
    Handle handle(OpenMetaHandle(AccessPath(path).c_str(), 0));
    if (!handle) {
        reason = "out of memory";
        return nullptr;
    }
    // A handle whose image could not be read reports no size at all.
    int width = 0, height = 0;
    if (!GetImageSize(handle.get(), &width, &height)) {
        if (IsUsableFile(path, reason)) reason = "not an image file the library can read";
        return nullptr;
    }
    return handle;
}

bool TooLargeForMemory(const std::string& path) {
    struct stat info;
    return stat(AccessPath(path).c_str(), &info) == 0 && info.st_size > INT32_MAX;
}

bool ReadFile(const std::string& path, std::string& bytes) {
    // Non-blocking, so that a FIFO swapped in under the name cannot hold the
    // tool; only a regular file is read, and only as far as its size.
    const int fd = open(AccessPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info;
    bool read = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (read) {
        bytes.resize(static_cast<size_t>(info.st_size));
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
        bytes.resize(done);
        read = done == static_cast<size_t>(info.st_size);
    }
    close(fd);
    return read;
}

}  // namespace lumenmeta_tool
