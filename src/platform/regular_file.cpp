#include "platform/regular_file.h"

#include "platform/debug_trace.h"
#include "platform/link_policy.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumenmeta {

namespace {

// The name Exiv2's own file I/O would open: the descriptor's own where
// /proc serves it, the path it was opened by otherwise.
std::string ReachablePath(int fd, const std::string& fallbackPath) {
    return DescriptorPathsWork() ? DescriptorPath(fd) : fallbackPath;
}

// Bytes read ahead at once: Exiv2 reads a file's metadata in many small
// pieces (a marker, a length, a segment).
constexpr size_t kReadAhead = 16 * 1024;

// pread until `size` bytes or the end of the file; -1 on a failed read.
ssize_t ReadAt(int fd, Exiv2::byte* data, size_t size, int64_t offset) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, data + done, size - done, static_cast<off_t>(offset) + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
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

RegularFileIo::~RegularFileIo() = default;

RegularFileIo::Mapping& RegularFileIo::Mapping::operator=(Mapping&& other) noexcept {
    if (this != &other) {
        if (data) ::munmap(data, size);
        data = std::exchange(other.data, nullptr);
        size = std::exchange(other.size, 0);
        writable = other.writable;
    }
    return *this;
}

RegularFileIo::Mapping::~Mapping() {
    if (data) ::munmap(data, size);
}

void RegularFileIo::Reattach(FileDescriptor fd, const struct stat& info) {
    if (fd_.get() >= 0 && ::dup3(fd.get(), fd_.get(), O_CLOEXEC) >= 0) {
        info_ = info;
        bufferStart_ = 0;
        buffered_ = 0;  // the bytes read ahead were the old file's
    }
}

void RegularFileIo::Detach() {
    setPath(fallbackPath_);  // closes the I/O first
    fd_ = FileDescriptor();
}

int RegularFileIo::open() {
    if (!Reading()) return FileIo::open();
    mapping_ = Mapping();
    open_ = true;
    eof_ = false;
    error_ = false;
    position_ = 0;
    return 0;
}

int RegularFileIo::close() {
    if (!Reading()) return FileIo::close();
    const int unmapped = munmap();
    open_ = false;
    return unmapped == 0 ? 0 : 2;
}

bool RegularFileIo::Fill() {
    if (!buffer_) buffer_.reset(new Exiv2::byte[kReadAhead]);
    const ssize_t got = ReadAt(fd_.get(), buffer_.get(), kReadAhead, position_);
    bufferStart_ = position_;
    buffered_ = got > 0 ? static_cast<size_t>(got) : 0;
    if (got < 0) error_ = true;
    return got > 0;
}

long RegularFileIo::read(Exiv2::byte* buf, long rcount) {
    if (!Reading()) return FileIo::read(buf, rcount);
    if (!open_ || rcount <= 0) return 0;
    const size_t wanted = static_cast<size_t>(rcount);
    size_t done = 0;
    while (done < wanted) {
        const int64_t end = bufferStart_ + static_cast<int64_t>(buffered_);
        if (position_ >= bufferStart_ && position_ < end) {
            const size_t piece = std::min(wanted - done, static_cast<size_t>(end - position_));
            std::memcpy(buf + done, buffer_.get() + (position_ - bufferStart_), piece);
            done += piece;
            position_ += static_cast<int64_t>(piece);
        } else if (wanted - done >= kReadAhead) {
            // A large piece goes straight to the caller's memory.
            const ssize_t got = ReadAt(fd_.get(), buf + done, wanted - done, position_);
            if (got < 0) error_ = true;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
            position_ += got;
        } else if (!Fill()) {
            break;
        }
    }
    if (done < wanted) eof_ = true;
    return static_cast<long>(done);
}

Exiv2::DataBuf RegularFileIo::read(long rcount) {
    if (!Reading()) return FileIo::read(rcount);
    // No buffer larger than the file for a length read from a damaged one.
    if (rcount < 0 || static_cast<size_t>(rcount) > size()) throw Exiv2::Error(Exiv2::kerInvalidMalloc);
    Exiv2::DataBuf buf(rcount);
    buf.size_ = read(buf.pData_, rcount);
    return buf;
}

int RegularFileIo::getb() {
    if (!Reading()) return FileIo::getb();
    Exiv2::byte byte = 0;
    return read(&byte, 1) == 1 ? byte : EOF;
}

long RegularFileIo::write(const Exiv2::byte* data, long wcount) {
    if (!Reading()) return FileIo::write(data, wcount);
    return 0;
}

long RegularFileIo::write(Exiv2::BasicIo& src) {
    if (!Reading()) return FileIo::write(src);
    return 0;
}

int RegularFileIo::putb(Exiv2::byte data) {
    if (!Reading()) return FileIo::putb(data);
    return EOF;
}

int RegularFileIo::seek(long offset, Position pos) {
    if (!Reading()) return FileIo::seek(offset, pos);
    if (!open_) return 1;
    int64_t from = 0;
    if (pos == cur) from = position_;
    if (pos == end) from = static_cast<int64_t>(size());
    if (offset < 0 && from + offset < 0) return 1;
    position_ = from + offset;
    eof_ = false;
    return 0;
}

long RegularFileIo::tell() const {
    if (!Reading()) return FileIo::tell();
    return open_ ? static_cast<long>(position_) : -1;
}

size_t RegularFileIo::size() const {
    if (!Reading()) return FileIo::size();
    struct stat now {};
    return ::fstat(fd_.get(), &now) == 0 ? static_cast<size_t>(now.st_size) : static_cast<size_t>(-1);
}

bool RegularFileIo::isopen() const { return Reading() ? open_ : FileIo::isopen(); }

int RegularFileIo::error() const { return Reading() ? (error_ ? 1 : 0) : FileIo::error(); }

bool RegularFileIo::eof() const { return Reading() ? eof_ : FileIo::eof(); }

Exiv2::byte* RegularFileIo::mmap(bool isWriteable) {
    if (!Reading()) return FileIo::mmap(isWriteable);
    mapping_ = Mapping();
    const size_t length = size();
    // A writable mapping is a private copy: an edit made in it never
    // reaches the file.
    void* data = length == 0 || length == static_cast<size_t>(-1)
                     ? MAP_FAILED
                     : ::mmap(nullptr, length, PROT_READ | (isWriteable ? PROT_WRITE : 0),
                              isWriteable ? MAP_PRIVATE : MAP_SHARED, fd_.get(), 0);
    if (data == MAP_FAILED) throw Exiv2::Error(Exiv2::kerCallFailed, path(), Exiv2::strError(), "mmap");
    mapping_ = Mapping(static_cast<Exiv2::byte*>(data), length, isWriteable);
    return mapping_.data;
}

int RegularFileIo::munmap() {
    if (!Reading()) return FileIo::munmap();
    mapping_ = Mapping();
    return 0;
}

void RegularFileIo::transfer(Exiv2::BasicIo&) { throw Exiv2::Error(Exiv2::kerImageWriteFailed); }

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
