#include "sidecar_write.h"

#include "walked_folder.h"

#include "lumenmeta.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumenmeta_tool {

namespace {

// The lock file of the sidecar at `path`: beside it, hidden, named by the
// start of its name and a 64-bit FNV-1a hash of all of it (so the name stays
// short enough, and unique, whatever the sidecar's length).
std::string LockPathOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    uint64_t hash = 14695981039346656037ull;
    for (const char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    size_t cut = std::min<size_t>(name.size(), 160);
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return folder + "." + name.substr(0, cut) + "." + hex + ".lumenmeta-lock";
}

// The first bytes of the regular file open as `fd`.
std::string StartOf(int fd) {
    std::string bytes(80, '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = pread(fd, bytes.data() + done, bytes.size() - done,
                                  static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

bool LooksLikeXmpPacket(const std::string& bytes) {
    std::string head = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
    if (head.rfind("<?xml", 0) == 0) {
        const size_t next = head.find('<', 5);
        if (next == std::string::npos) return false;
        head = head.substr(next);
    }
    return head.rfind("<?xpacket", 0) == 0 || head.rfind("<x:xmpmeta", 0) == 0;
}

SidecarWrite::~SidecarWrite() { Release(); }

std::string SidecarWrite::Begin(const std::string& shown, bool lock, bool linkNamed) {
    // Messages name the sidecar as given; the files are reached through the
    // walk's folder where it holds one.
    path_ = AccessPath(shown);
    const std::string& path = path_;
    if (lock) {
        lockPath_ = LockPathOf(path);
        for (;;) {
            lockFd_ = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (lockFd_ < 0) {
                // A folder we may not create files in: no sidecar can be made
                // there, and none replaced, by this write or any other.
                if (errno == EACCES || errno == EROFS || errno == EPERM) break;
                return "cannot lock its sidecar " + shown + ": " + std::strerror(errno);
            }
            while (flock(lockFd_, LOCK_EX) != 0 && errno == EINTR) {
            }
            // The write before us removed the file it locked: lock the one
            // now at the name instead.
            struct stat held {}, now {};
            if (fstat(lockFd_, &held) == 0 && lstat(lockPath_.c_str(), &now) == 0 &&
                held.st_dev == now.st_dev && held.st_ino == now.st_ino) {
                break;
            }
            close(lockFd_);
            lockFd_ = -1;
        }
    }
    struct stat info {};
    if ((linkNamed ? stat(path.c_str(), &info) : lstat(path.c_str(), &info)) != 0) {
        if (errno == ENOENT) return "";
        return "its sidecar " + shown + ": " + std::strerror(errno);
    }
    exists_ = true;
    if (S_ISLNK(info.st_mode)) {
        return "its sidecar " + shown + " is a symbolic link; a sidecar's link is not followed";
    }
    if (!S_ISREG(info.st_mode)) return "its sidecar " + shown + " is not a regular file";
    const int fd = open(path.c_str(),
                        O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (linkNamed ? 0 : O_NOFOLLOW));
    if (fd < 0) return "cannot read its sidecar " + shown + ": " + std::strerror(errno);
    const std::string start = StartOf(fd);
    close(fd);
    if (!LooksLikeXmpPacket(start)) {
        return "its sidecar " + shown + " holds no XMP packet; it is not written into";
    }
    return "";
}

bool SidecarWrite::Create() {
    if (!CreateXmpSidecar(path_.c_str(), false)) return false;
    struct stat info {};
    if (lstat(path_.c_str(), &info) == 0) {
        created_ = true;
        device_ = info.st_dev;
        inode_ = info.st_ino;
    }
    return true;
}

void SidecarWrite::UndoCreate() {
    struct stat info {};
    if (created_ && lstat(path_.c_str(), &info) == 0 && info.st_dev == device_ &&
        info.st_ino == inode_) {
        unlink(path_.c_str());
    }
    created_ = false;
}

void SidecarWrite::Release() {
    if (lockFd_ < 0) return;
    // Removed while still locked: a write waiting on this file finds it gone
    // from the name once it gets the lock, and locks the next one.
    unlink(lockPath_.c_str());
    close(lockFd_);
    lockFd_ = -1;
}

}  // namespace lumenmeta_tool
