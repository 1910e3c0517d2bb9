// Opening only regular files. A path may name a folder, a device, a FIFO or a
// socket as well as a file; reading any of those could block for ever or
// never end, and replacing one would destroy it. Every file the library reads
// or replaces is opened here: without blocking, checked with fstat, and read
// no further than the size fstat gave.
#pragma once

#include <exiv2/exiv2.hpp>

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumenmeta {

// A descriptor closed when it goes out of scope.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_ = -1;
};

// Raised for a path that names something other than a regular file. Its text
// is the path and ": not a regular file".
class NotRegularFile : public Exiv2::Error {
public:
    explicit NotRegularFile(const std::string& path);
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The trace line of a refused path: "Not a regular file: ", the path, "\n"
// (nothing when memory runs out meanwhile).
void TraceNotRegularFile(const std::string& path) noexcept;

// The name by which the process reopens the file behind `fd` itself (Linux's
// /proc/self/fd), whatever has since become of the name it was opened by.
std::string DescriptorPath(int fd);

// Whether /proc serves those names here (checked once per process).
bool DescriptorPathsWork();

// Opens the regular file `name` in the folder `folder` (AT_FDCWD for a path)
// for reading, without blocking, and stores its fstat in `info`. With
// `followLinks` false a symbolic link at `name` is refused. Throws
// NotRegularFile for anything but a regular file (checked before it is opened
// and again on the descriptor), and Exiv2's kerDataSourceOpenFailed, with
// `shownPath` and the system's reason, when it cannot be opened.
FileDescriptor OpenRegularFile(int folder, const std::string& name, const std::string& shownPath,
                               bool followLinks, struct stat& info);

// Exiv2's file I/O on a regular file the library opened and checked itself.
// The descriptor is held for the life of the object and every read, seek and
// mapping goes to it (with a read-ahead buffer of its own), never to a name:
// a name changed meanwhile cannot put another file under Exiv2's reads, and
// Exiv2 opening and closing the I/O costs no system call. Exiv2's messages
// show the path as given.
//
// The I/O only reads. A mapping Exiv2 asks for as writable (its TIFF-based
// writers edit values of the same size in place, in the mapped file) is a
// private copy: nothing reaches the file through it. SafeFileIo stores such
// an edit as it stores any new content.
class RegularFileIo : public Exiv2::FileIo {
public:
    // Opens `path` for reading, following a symbolic link at its last name
    // unless the thread's setting says not to (SetFollowLastLink). Throws as
    // OpenRegularFile does.
    static std::unique_ptr<RegularFileIo> Open(const std::string& path);
    ~RegularFileIo() override;

    std::string path() const override { return shownPath_; }
    int descriptor() const { return fd_.get(); }
    const struct stat& info() const { return info_; }

    // Closes the descriptor once Exiv2 has read what it needs, for an image
    // kept open long after: should it be opened again, that goes by
    // `fallbackPath`, through Exiv2's own file I/O.
    void Detach();

    int open() override;
    int close() override;
    long read(Exiv2::byte* buf, long rcount) override;
    Exiv2::DataBuf read(long rcount) override;
    int getb() override;
    long write(const Exiv2::byte* data, long wcount) override;
    long write(Exiv2::BasicIo& src) override;
    int putb(Exiv2::byte data) override;
    int seek(long offset, Position pos) override;
    long tell() const override;
    size_t size() const override;
    bool isopen() const override;
    int error() const override;
    bool eof() const override;
    Exiv2::byte* mmap(bool isWriteable = false) override;
    int munmap() override;
    // Refused: only SafeFileIo stores new content.
    void transfer(Exiv2::BasicIo& src) override;

protected:
    // Takes over `fd`, a regular file described by `info`, opened by the
    // name `fallbackPath`.
    RegularFileIo(FileDescriptor fd, const struct stat& info, const std::string& shownPath,
                  const std::string& fallbackPath);
    // Puts `fd`, a regular file described by `info`, in the place of the
    // file read so far (under the same descriptor number): after the file
    // has been replaced, reads see the new one.
    void Reattach(FileDescriptor fd, const struct stat& info);

    // A mapping made by mmap(), unmapped when it goes out of scope.
    struct Mapping {
        Mapping() = default;
        Mapping(Exiv2::byte* data, size_t size, bool writable)
            : data(data), size(size), writable(writable) {}
        Mapping(Mapping&& other) noexcept { *this = std::move(other); }
        Mapping& operator=(Mapping&& other) noexcept;
        ~Mapping();
        Exiv2::byte* data = nullptr;
        size_t size = 0;
        bool writable = false;
    };
    // Hands over the current mapping, still mapped, instead of unmapping it.
    Mapping TakeMapping() { return std::move(mapping_); }
    bool HasWritableMapping() const { return mapping_.data && mapping_.writable; }

private:
    bool Reading() const { return fd_.get() >= 0; }
    // Fills the read-ahead buffer from `position_`; false at the end of the
    // file or on a failed read.
    bool Fill();

    FileDescriptor fd_;
    struct stat info_;
    std::string shownPath_;
    std::string fallbackPath_;
    bool open_ = false;
    bool eof_ = false;
    bool error_ = false;
    int64_t position_ = 0;
    std::unique_ptr<Exiv2::byte[]> buffer_;  // read ahead: the file's bytes from bufferStart_ on
    size_t buffered_ = 0;
    int64_t bufferStart_ = 0;
    Mapping mapping_;
};

// The whole content of the regular file at `path` (a link at its last name
// followed as RegularFileIo::Open does), read up to the size fstat
// gives for it. Throws as OpenRegularFile does, and Exiv2's
// kerFailedToReadImageData when reading fails.
std::vector<unsigned char> ReadRegularFile(const std::string& path);

}  // namespace lumenmeta
