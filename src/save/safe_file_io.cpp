#include "save/safe_file_io.h"

#include "handle/xmp_toolkit.h"
#include "save/iptc_digest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

std::atomic<unsigned> temporaryCounter{0};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file a write must reach: the target itself, or what its symbolic
// links finally name.
std::string ResolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    return path;
}

[[noreturn]] void ThrowTransferFailed(const std::string& path, int error) {
    errno = error;
    throw Exiv2::Error(Exiv2::kerTransferFailed, path, Exiv2::strError());
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(fd, data + done, size - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

bool ReadAll(int fd, std::vector<unsigned char>& bytes) {
    unsigned char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof(chunk));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

// Creates a new file beside the target with the given creation mode.
int CreateTemporary(const std::string& target, mode_t mode, std::string& temporary) {
    const std::string stem = FolderOf(target) + "/." + NameOf(target) + ".lumenmeta-" +
                             std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = stem + std::to_string(temporaryCounter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Overwrites the file in place with `bytes`; true when all of it is on disk.
bool OverwriteInPlace(const std::string& target, const unsigned char* data, size_t size) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    const bool done = WriteAll(fd, data, size) && ::fsync(fd) == 0;
    return ::close(fd) == 0 && done;
}

// Copies `size` bytes over the existing file in place, keeping its old
// content in memory to put back if the copy fails. Used where a rename cannot
// serve: a file with several hard links, or one in a folder the process may
// not create files in.
void OverwriteKeepingOld(const std::string& path, const std::string& target,
                         const unsigned char* data, size_t size) {
    std::vector<unsigned char> old;
    const int in = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    const bool saved = in >= 0 && ReadAll(in, old);
    if (in >= 0) ::close(in);
    if (!saved || !OverwriteInPlace(target, data, size)) {
        const int error = errno;
        if (saved) OverwriteInPlace(target, old.data(), old.size());
        ThrowTransferFailed(path, error);
    }
}

// Throws the error Exiv2 raises when it cannot open `path` for writing.
[[noreturn]] void ThrowNotWritable(const std::string& path) {
    throw Exiv2::Error(Exiv2::kerFileOpenFailed, path, "w+b", Exiv2::strError());
}

// Stores `size` bytes at `data` as the new content of the file at `path`
// (see SafeFileIo).
void ReplaceContent(const std::string& path, const unsigned char* data, size_t size) {
    const std::string target = ResolveTarget(path);
    struct stat original {};
    const bool exists = ::stat(target.c_str(), &original) == 0;
    if (exists) {
        const int probe = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) ThrowNotWritable(path);
        ::close(probe);
    }

    // Until it is complete, a replacement is readable by us alone; a new file
    // gets the usual mode, less the umask.
    std::string temporary;
    const int fd = CreateTemporary(target, exists ? 0600 : 0666, temporary);
    if (fd < 0 && exists && (errno == EACCES || errno == EPERM)) {
        OverwriteKeepingOld(path, target, data, size);
        return;
    }
    if (fd < 0) ThrowTransferFailed(path, errno);
    bool written = WriteAll(fd, data, size);
    int error = errno;
    if (written && exists) {
        if (::fchown(fd, original.st_uid, original.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), original.st_gid) != 0) {
            // Not permitted: the file gets our owner but keeps its permission bits.
        }
        written = ::fchmod(fd, original.st_mode & 07777) == 0;
        error = errno;
    }
    if (written) {
        written = ::fsync(fd) == 0;
        error = errno;
    }
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        ThrowTransferFailed(path, error);
    }

    if (exists && original.st_nlink > 1) {
        // Renaming would split the links: the complete content, now safe on
        // disk, is copied over the one file they share instead.
        try {
            OverwriteKeepingOld(path, target, data, size);
        } catch (...) {
            ::unlink(temporary.c_str());
            throw;
        }
        ::unlink(temporary.c_str());
        return;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        ThrowTransferFailed(path, error);
    }
    SyncFolder(FolderOf(target));
}

}  // namespace

SafeFileIo::SafeFileIo(const std::string& path) : Exiv2::FileIo(path) {}

void SafeFileIo::transfer(Exiv2::BasicIo& src) {
    // Exiv2 has finished with XMP by the time it stores the file: other
    // threads may use the toolkit while this one writes and flushes.
    XmpToolkitPause pause;
    const bool wasOpen = isopen();
    close();
    if (src.open() != 0) {
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, src.path(), Exiv2::strError());
    }
    {
        // Exiv2 hands over the new file in memory, whose mmap is the buffer
        // itself: the bytes are written from there, without a copy. Closing
        // the source releases a mapping a file source would have made.
        Exiv2::IoCloser closer(src);
        const size_t size = src.size();
        Exiv2::byte* data = size != 0 ? src.mmap(true) : nullptr;
        if (data) RefreshIptcDigest(data, size);
        ReplaceContent(path(), data, size);
    }
    if (wasOpen && open("rb") != 0) {
        throw Exiv2::Error(Exiv2::kerFileOpenFailed, path(), "rb", Exiv2::strError());
    }
}

std::unique_ptr<Exiv2::Image> OpenImageForWriting(const std::string& path) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr io(new SafeFileIo(path));
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(io).release());
#pragma GCC diagnostic pop
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType, path);
    return image;
}

std::unique_ptr<Exiv2::Image> CreateImageForWriting(int type, const std::string& path) {
    // The checks opening the path with "w+b" would make, without touching it.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        const int probe = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (probe < 0) ThrowNotWritable(path);
        ::close(probe);
    } else if (errno != ENOENT || ::access(FolderOf(path).c_str(), W_OK | X_OK) != 0) {
        ThrowNotWritable(path);
    }
    std::unique_ptr<Exiv2::Image> blank(Exiv2::ImageFactory::create(type).release());
    Exiv2::BasicIo& io = blank->io();
    if (io.open() != 0) throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, io.path(), Exiv2::strError());
    const Exiv2::DataBuf bytes = io.read(static_cast<long>(io.size()));
    io.close();
    ReplaceContent(path, bytes.pData_, static_cast<size_t>(bytes.size_));
    return OpenImageForWriting(path);
}

}  // namespace lumenmeta
