#include "platform/regular_file.h"

#include "platform/debug_trace.h"
#include "platform/link_policy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace lumenmeta {

namespace {

// The name Exiv2 opens: the descriptor's own where /proc serves it, the
// path it was opened by otherwise.
std::string ReachablePath(int fd, const std::string& fallbackPath) {
    return DescriptorPathsWork() ? DescriptorPath(fd) : fallbackPath;
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

NotRegularFile::NotRegularFile(const std::string& path)
    : Exiv2::Error(Exiv2::kerErrorMessage, path + ": not a regular file"), path_(path) {}

void TraceNotRegularFile(const std::string& path) noexcept {
    try {
        TracePiece("Not a regular file: ");
        TracePiece(path);
        TracePiece("\n");
    } catch (...) {
        // Memory ran out while tracing.
    }
}

std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

bool DescriptorPathsWork() {
    static const bool work = ::access("/proc/self/fd", X_OK) == 0;
    return work;
}

FileDescriptor OpenRegularFile(int folder, const std::string& name, const std::string& shownPath,
                               bool followLinks, struct stat& info) {
    const int noFollow = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
    // Looked at before it is opened: opening a device can have effects of its own.
    if (::fstatat(folder, name.c_str(), &info, noFollow) != 0) {
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, shownPath, Exiv2::strError());
    }
    if (!S_ISREG(info.st_mode)) throw NotRegularFile(shownPath);
    // Without blocking: should a FIFO have taken the name meanwhile, the open
    // returns at once and the check below refuses it.
    FileDescriptor fd(::openat(folder, name.c_str(),
                               O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                                   (followLinks ? 0 : O_NOFOLLOW)));
    if (fd.get() < 0) {
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, shownPath, Exiv2::strError());
    }
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) throw NotRegularFile(shownPath);
    return fd;
}

std::unique_ptr<RegularFileIo> RegularFileIo::Open(const std::string& path) {
    struct stat info {};
    FileDescriptor fd = OpenRegularFile(AT_FDCWD, path, path, FollowLastLink(), info);
    return std::unique_ptr<RegularFileIo>(new RegularFileIo(std::move(fd), info, path, path));
}

RegularFileIo::RegularFileIo(FileDescriptor fd, const struct stat& info,
                             const std::string& shownPath, const std::string& fallbackPath)
    : Exiv2::FileIo(ReachablePath(fd.get(), fallbackPath)),
      fd_(std::move(fd)),
      info_(info),
      shownPath_(shownPath),
      fallbackPath_(fallbackPath) {}

void RegularFileIo::Reattach(FileDescriptor fd, const struct stat& info) {
    if (fd_.get() >= 0 && ::dup3(fd.get(), fd_.get(), O_CLOEXEC) >= 0) info_ = info;
}

void RegularFileIo::Detach() {
    setPath(fallbackPath_);  // closes Exiv2's own stream first
    fd_ = FileDescriptor();
}

std::vector<unsigned char> ReadRegularFile(const std::string& path) {
    struct stat info {};
    const FileDescriptor fd = OpenRegularFile(AT_FDCWD, path, path, FollowLastLink(), info);
    std::vector<unsigned char> bytes(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd.get(), bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
        if (got == 0) break;  // the file has shrunk since
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace lumenmeta
