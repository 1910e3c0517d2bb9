#include "output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace lumenmeta_tool {

namespace {

std::string Why(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

bool WriteAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

}  // namespace

std::string WriteOutputFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    const size_t slash = path.rfind('/');
    const std::string folderPath =
        slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") return "is a directory";
    const int folder = open(folderPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return Why("cannot open its folder");
    std::string reason;
    struct stat old {};
    const bool replacing = fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && S_ISLNK(old.st_mode)) {
        reason = "is a symbolic link; not followed";
    } else if (replacing && !S_ISREG(old.st_mode)) {
        reason = S_ISDIR(old.st_mode) ? "is a directory" : "is not a regular file";
    } else if (!replacing && errno != ENOENT) {
        reason = Why("cannot look at it");
    }
    std::string temporary;
    int fd = -1;
    std::random_device random;
    for (int attempt = 0; reason.empty() && fd < 0 && attempt < 16; ++attempt) {
        temporary = "." + name.substr(0, 200) + ".lumenmeta-" + std::to_string(random()) +
                    std::to_string(random());
        fd = openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    replacing ? (old.st_mode & 07777) : 0666);
        if (fd < 0 && errno != EEXIST) reason = Why("cannot create a file beside it");
    }
    if (reason.empty() && fd < 0) reason = "cannot create a file beside it";
    if (fd >= 0) {
        if (replacing) fchmod(fd, old.st_mode & 07777);
        if (!WriteAll(fd, bytes) || fsync(fd) != 0) reason = Why("cannot write it");
        close(fd);
        if (reason.empty()) {
            // The name must still hold what was looked at: a link or FIFO
            // put there meanwhile is replaced by the rename, never written through.
            struct stat now {};
            const bool present = fstatat(folder, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
            if (present != replacing ||
                (present && (now.st_dev != old.st_dev || now.st_ino != old.st_ino))) {
                reason = "another file has taken its name meanwhile; nothing written";
            } else if (renameat(folder, temporary.c_str(), folder, name.c_str()) != 0) {
                reason = Why("cannot put it in place");
            } else {
                temporary.clear();
                const int sync = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (sync >= 0) {
                    fsync(sync);
                    close(sync);
                }
            }
        }
        if (!temporary.empty()) unlinkat(folder, temporary.c_str(), 0);
    }
    close(folder);
    return reason;
}

}  // namespace lumenmeta_tool
