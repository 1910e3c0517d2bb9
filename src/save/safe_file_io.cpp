#include "save/safe_file_io.h"

#include "handle/xmp_toolkit.h"
#include "platform/link_policy.h"
#include "save/extended_attributes.h"
#include "save/file_calls.h"
#include "save/iptc_digest.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

// Where a write goes, fixed when it begins.
struct Target {
    int folder;             // the folder, held open since the write began
    std::string name;       // the target's name in it
    std::string shownPath;  // the path as given, for messages
    bool existed;           // something was at the name when the write began
    struct stat held;       // what: the file that was read, or what a new file replaces
    int file;               // the file that was read; -1 when the write creates the file
};

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

[[noreturn]] void ThrowTransferFailed(const std::string& path, int error) {
    errno = error;
    throw Exiv2::Error(Exiv2::kerTransferFailed, path, Exiv2::strError());
}

// Throws the error Exiv2 raises when it cannot open `path` for writing.
[[noreturn]] void ThrowNotWritable(const std::string& path) {
    throw Exiv2::Error(Exiv2::kerFileOpenFailed, path, "w+b", Exiv2::strError());
}

// The folder and final name of the file `path` names once every symbolic
// link is followed, and that name as a path (for messages and for opening it
// again once its descriptor is let go).
struct Place {
    FileDescriptor folder;
    std::string resolved;
    std::string name;
};

// Symbolic links followed in one path at most, as the kernel allows.
constexpr int kMaxLinks = 40;

bool IsLinkAt(int folder, const std::string& name) {
    struct stat info {};
    return ::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

// The text of the symbolic link `name` in `folder`; false, with errno set,
// when it cannot be read.
bool ReadLinkAt(int folder, const std::string& name, std::string& text) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t size = ::readlinkat(folder, name.c_str(), buffer.data(), buffer.size());
    if (size < 0) return false;
    if (static_cast<size_t>(size) >= buffer.size()) {
        errno = ENAMETOOLONG;
        return false;
    }
    text.assign(buffer.data(), static_cast<size_t>(size));
    return true;
}

// Opens the folder `path` names, relative to `base`, one name at a time,
// each opened with O_NOFOLLOW under the folder opened before it: a symbolic
// link in the path is followed there, once, so every name is looked up
// exactly once and nothing changed afterwards can redirect the write. An invalid descriptor, with errno set, when there is no such folder.
FileDescriptor OpenFolder(int base, const std::string& path, int& links) {
    FileDescriptor current(::openat(path.rfind('/', 0) == 0 ? AT_FDCWD : base,
                                    path.rfind('/', 0) == 0 ? "/" : ".",
                                    O_PATH | O_DIRECTORY | O_CLOEXEC));
    size_t start = 0;
    while (current.get() >= 0 && start <= path.size()) {
        const size_t end = std::min(path.find('/', start), path.size());
        const std::string step = path.substr(start, end - start);
        start = end + 1;
        if (step.empty() || step == ".") continue;
        FileDescriptor next(::openat(current.get(), step.c_str(),
                                     O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0 && (errno == ENOTDIR || errno == ELOOP) &&
            IsLinkAt(current.get(), step)) {
            if (++links > kMaxLinks) {
                errno = ELOOP;
                return FileDescriptor();
            }
            // The kernel follows it, in the same single lookup: a link to a
            // folder, or a descriptor's entry in /proc/self/fd, which stands
            // for the very folder a host holds open, wherever it is now.
            next = FileDescriptor(
                ::openat(current.get(), step.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        current = std::move(next);
    }
    return current;
}

// The path of the folder behind `folder` (Linux's /proc), or "" when /proc
// cannot tell.
std::string FolderPath(int folder) {
    std::string text;
    if (!DescriptorPathsWork() || !ReadLinkAt(AT_FDCWD, DescriptorPath(folder), text)) return "";
    return text;
}

// Resolves `path` once: its folder is opened name by name (OpenFolder), and
// a symbolic link at its last name, which the caller named, is followed the
// same way. With `mayBeNew`, a path that names nothing yet (or a link that
// leads nowhere) keeps its own last name in its folder.
Place Resolve(const std::string& path, bool mayBeNew) {
    int links = 0;
    Place place;
    place.name = NameOf(path);
    if (place.name.empty() || place.name == "." || place.name == "..") {
        errno = EISDIR;
        ThrowNotWritable(path);
    }
    place.folder = OpenFolder(AT_FDCWD, FolderOf(path), links);
    if (place.folder.get() < 0) {
        if (mayBeNew) ThrowNotWritable(path);
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, path, Exiv2::strError());
    }
    // A link at the last name is followed to the file it finally names.
    FileDescriptor folder(::dup(place.folder.get()));
    std::string name = place.name;
    bool followed = false;
    while (folder.get() >= 0 && IsLinkAt(folder.get(), name)) {
        // Not followed at all where the thread says so: refused as what is
        // no regular file.
        if (!FollowLastLink()) throw NotRegularFile(path);
        std::string target;
        followed = true;
        if (++links > kMaxLinks) {
            errno = ELOOP;
            folder = FileDescriptor();
        } else if (ReadLinkAt(folder.get(), name, target)) {
            name = NameOf(target);
            folder = OpenFolder(folder.get(), FolderOf(target), links);
        } else {
            folder = FileDescriptor();
        }
        if (name.empty() || name == "." || name == "..") {
            errno = EISDIR;
            ThrowNotWritable(path);
        }
    }
    if (followed) {
        struct stat info {};
        const bool found = folder.get() >= 0 &&
                           ::fstatat(folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
        if (found) {
            place.folder = std::move(folder);
            place.name = name;
        } else if (!mayBeNew) {
            throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, path, Exiv2::strError());
        }
        // Otherwise a link that leads nowhere, which the new file replaces.
    }
    const std::string folderPath = FolderPath(place.folder.get());
    place.resolved = folderPath.empty() ? path
                     : folderPath == "/" ? "/" + place.name
                                         : folderPath + "/" + place.name;
    return place;
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// Up to `bytes.size()` bytes of the file from its start; the vector is cut
// to what was there.
bool ReadAll(int fd, std::vector<unsigned char>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done,
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    bytes.resize(done);
    return true;
}

// The start of `name`, at most `limit` bytes, not cutting a UTF-8 character.
std::string StartOf(const std::string& name, size_t limit) {
    if (name.size() <= limit) return name;
    size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    return name.substr(0, cut);
}

// A name no other process can guess, beside the target.
std::string RandomName(const std::string& target) {
    unsigned char bytes[12];
    if (getrandom(bytes, sizeof(bytes), 0) != static_cast<ssize_t>(sizeof(bytes))) {
        std::random_device device;
        for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
    }
    std::string name = "." + StartOf(target, 200) + ".lumenmeta-";
    for (const unsigned char byte : bytes) {
        name += "0123456789abcdef"[byte >> 4];
        name += "0123456789abcdef"[byte & 15];
    }
    return name;
}

// A 64-bit FNV-1a hash of the whole target name, in hex: two names that
// start alike still get landing names of their own.
std::string NameHash(const std::string& target) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : target) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) hex[static_cast<size_t>(i)] = "0123456789abcdef"[hash & 15];
    return hex;
}

// The name under which a complete anonymous file is linked in, just before
// it is renamed over the target: the start of the target's name (for
// people reading the folder) and the hash of all of it.
std::string LandingName(const std::string& target) {
    return "." + StartOf(target, 160) + "." + NameHash(target) + ".lumenmeta-landing";
}

// The extended attribute that marks a landing file as the writer's own; its
// value is the hash of the target's name. The writer removes a file under a
// landing name only when it bears this mark and no live write holds it.
constexpr const char* kLandingMark = "user.lumenmeta.landing";

// Removes what stands under `landing` in `folder` when it is provably a
// landing file a write of `target` left behind (one that was stopped
// between linking it in and renaming it): a regular file bearing the mark
// for this target, locked by no write still running. Anything else there is
// someone's own file and stays.
bool RemoveLeftLanding(int folder, const std::string& landing, const std::string& target) {
    const FileDescriptor fd(::openat(folder, landing.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat held {}, now {};
    if (fd.get() < 0 || ::fstat(fd.get(), &held) != 0 || !S_ISREG(held.st_mode)) return false;
    char mark[32] = {};
    const ssize_t size = ::fgetxattr(fd.get(), kLandingMark, mark, sizeof(mark) - 1);
    if (size != 16 || NameHash(target) != mark) return false;
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;  // a write in progress
    if (::fstatat(folder, landing.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || !SameFile(now, held)) {
        return false;
    }
    return ::unlinkat(folder, landing.c_str(), 0) == 0;
}

// The new content while it is written: an anonymous file in the target's
// folder, or where the file system has none, a file with a random name.
// Whatever has a name and was not put in place is removed at the end, if
// the name still holds it.
class Temporary {
public:
    explicit Temporary(int folder) : folder_(folder) {}
    ~Temporary() { Discard(); }
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;

    // False, with errno set, when no file can be made in the folder.
    bool Create(const std::string& target, mode_t mode) {
        // Only where /proc lets the anonymous file be linked in later.
        if (DescriptorPathsWork()) {
            fd_ = FileDescriptor(fileCalls.openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
            if (fd_.get() >= 0) return Hold();
            if (errno == EACCES || errno == EPERM) return false;
        }
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::string name = RandomName(target);
            fd_ = FileDescriptor(fileCalls.openat(
                folder_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
            if (fd_.get() >= 0) {
                name_ = name;
                return Hold();
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    int fd() const { return fd_.get(); }
    const std::string& name() const { return name_; }

    // Marks the file as a landing file of `target` (see kLandingMark), once
    // its other attributes are final. Where the file system keeps no
    // extended attributes it stays unmarked, and is never removed by another
    // write.
    void Mark(const std::string& target) {
        const std::string hash = NameHash(target);
        marked_ = ::fsetxattr(fd_.get(), kLandingMark, hash.data(), hash.size(), 0) == 0;
    }

    // Gives an anonymous file a name in the folder, for the rename that
    // follows at once; false, with errno set, when it cannot be linked in.
    // The name is fixed for each target: a write stopped between the link
    // and the rename (the one instant in which it can leave anything) leaves
    // that one file, the complete new content, and the next write of the
    // target removes it (RemoveLeftLanding: only when it bears our mark and
    // no running write holds it). Where that name is taken by anything else,
    // a random name serves.
    bool Name(const std::string& target) {
        if (!name_.empty()) return true;
        const std::string self = DescriptorPath(fd_.get());
        const std::string landing = LandingName(target);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (fileCalls.linkat(AT_FDCWD, self.c_str(), folder_, landing.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                name_ = landing;
                return true;
            }
            if (errno != EEXIST) return false;
            if (!RemoveLeftLanding(folder_, landing, target)) break;
        }
        for (int attempt = 0; attempt < 16; ++attempt) {
            const std::string name = RandomName(target);
            if (fileCalls.linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(),
                                 AT_SYMLINK_FOLLOW) == 0) {
                name_ = name;
                return true;
            }
            if (errno != EEXIST) return false;
        }
        return false;
    }

    // The file now stands under the target's name: nothing to remove, and
    // the landing mark comes off.
    void Placed() {
        name_.clear();
        if (marked_) ::fremovexattr(fd_.get(), kLandingMark);
    }

    void Discard() {
        if (!name_.empty() && fd_.get() >= 0) {
            struct stat mine {}, now {};
            if (::fstat(fd_.get(), &mine) == 0 &&
                ::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
                SameFile(mine, now)) {
                ::unlinkat(folder_, name_.c_str(), 0);
            }
        }
        fd_ = FileDescriptor();
        name_.clear();
    }

private:
    // Locks the file for as long as the write runs, which tells every other
    // write that it is no leftover.
    bool Hold() {
        ::flock(fd_.get(), LOCK_EX | LOCK_NB);
        return true;
    }

    int folder_;
    FileDescriptor fd_;
    std::string name_;
    bool marked_ = false;
};

// Refuses the write unless the target's name still holds what it held when
// the write began: the file that was read, or for a new file, nothing (or
// the same dangling link).
void CheckUnchanged(const Target& target) {
    struct stat now {};
    const bool present = ::fstatat(target.folder, target.name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0;
    if (present == target.existed && (!present || SameFile(now, target.held))) return;
    if (!present && errno != ENOENT) ThrowTransferFailed(target.shownPath, errno);
    throw Exiv2::Error(Exiv2::kerErrorMessage,
                       target.shownPath +
                           ": another file has taken its name since it was read; nothing written");
}

// A descriptor for writing the very file that was read (through /proc, or
// by its name where /proc is missing, checked to be the same file). Throws
// the error of Exiv2's own write when the process may not write it.
FileDescriptor OpenInPlace(const Target& target) {
    FileDescriptor fd(::open(DescriptorPath(target.file).c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0 && errno == ENOENT) {
        fd = FileDescriptor(::openat(target.folder, target.name.c_str(),
                                     O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat now {};
        if (fd.get() >= 0 && (::fstat(fd.get(), &now) != 0 || !SameFile(now, target.held))) {
            fd = FileDescriptor();
            errno = ESTALE;
        }
    }
    if (fd.get() < 0) ThrowNotWritable(target.shownPath);
    return fd;
}

// Writes `size` bytes over the file from its start and cuts it there; true
// once all of it is on disk.
bool Overwrite(int fd, const unsigned char* data, size_t size) {
    return WriteAll(fd, data, size) && ::ftruncate(fd, static_cast<off_t>(size)) == 0 &&
           fileCalls.fsync(fd) == 0;
}

// Copies the new content over the file in place, keeping its old content in
// memory to put back if the copy fails. Used where a rename cannot serve: a
// file with several hard links, or one in a folder the process may not
// create files in.
void OverwriteKeepingOld(const Target& target, const unsigned char* data, size_t size) {
    std::vector<unsigned char> old(static_cast<size_t>(target.held.st_size));
    const bool saved = ReadAll(target.file, old);
    CheckUnchanged(target);
    const FileDescriptor out = OpenInPlace(target);
    if (!saved || !Overwrite(out.get(), data, size)) {
        const int error = errno;
        if (saved) Overwrite(out.get(), old.data(), old.size());
        ThrowTransferFailed(target.shownPath, error);
    }
}

// Gives the replacement the target's owner (where the process may set it),
// permission bits and extended attributes. Returns 0 or an errno.
int TakeAttributes(const Target& target, int fd) {
    if (::fchown(fd, target.held.st_uid, target.held.st_gid) != 0 &&
        ::fchown(fd, static_cast<uid_t>(-1), target.held.st_gid) != 0) {
        // Not permitted: the file gets our owner but keeps its permission bits.
    }
    if (::fchmod(fd, target.held.st_mode & 07777) != 0) return errno;
    return CopyExtendedAttributes(target.file, fd);
}

void SyncFolder(int folder) {
    const FileDescriptor fd(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) fileCalls.fsync(fd.get());
}

// Stores `size` bytes at `data` as the new content of the target (see
// SafeFileIo).
void ReplaceContent(const Target& target, const unsigned char* data, size_t size) {
    const bool replacing = target.file >= 0;
    if (replacing) OpenInPlace(target);  // refuses a target we may not write

    // Until it is complete, a replacement is readable by us alone; a new file
    // gets the usual mode, less the umask.
    Temporary temporary(target.folder);
    if (!temporary.Create(target.name, replacing ? 0600 : 0666)) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            if (replacing) return OverwriteKeepingOld(target, data, size);
            ThrowNotWritable(target.shownPath);
        }
        ThrowTransferFailed(target.shownPath, error);
    }
    int error = WriteAll(temporary.fd(), data, size) ? 0 : errno;
    if (error == 0 && replacing) error = TakeAttributes(target, temporary.fd());
    if (error == 0) temporary.Mark(target.name);
    if (error == 0 && fileCalls.fsync(temporary.fd()) != 0) error = errno;
    if (error != 0) ThrowTransferFailed(target.shownPath, error);

    if (replacing && target.held.st_nlink > 1) {
        // Renaming would split the links: the complete content, now safe on
        // disk, is copied over the one file they share instead.
        return OverwriteKeepingOld(target, data, size);
    }
    if (!temporary.Name(target.name)) ThrowTransferFailed(target.shownPath, errno);
    CheckUnchanged(target);
    if (fileCalls.renameat(target.folder, temporary.name().c_str(), target.folder,
                           target.name.c_str()) != 0) {
        ThrowTransferFailed(target.shownPath, errno);
    }
    temporary.Placed();
    SyncFolder(target.folder);
}

}  // namespace

std::unique_ptr<SafeFileIo> SafeFileIo::Open(const std::string& path) {
    Place place = Resolve(path, false);
    return OpenAt(std::move(place.folder), place.name, path, place.resolved);
}

std::unique_ptr<SafeFileIo> SafeFileIo::OpenAt(FileDescriptor folder, const std::string& name,
                                               const std::string& shownPath,
                                               const std::string& resolvedPath) {
    struct stat info {};
    FileDescriptor file = OpenRegularFile(folder.get(), name, shownPath, false, info);
    return std::unique_ptr<SafeFileIo>(
        new SafeFileIo(std::move(folder), name, std::move(file), info, shownPath, resolvedPath));
}

SafeFileIo::SafeFileIo(FileDescriptor folder, const std::string& name, FileDescriptor file,
                       const struct stat& info, const std::string& shownPath,
                       const std::string& resolvedPath)
    : RegularFileIo(std::move(file), info, shownPath, resolvedPath),
      folder_(std::move(folder)),
      name_(name) {}

void SafeFileIo::transfer(Exiv2::BasicIo& src) {
    // Exiv2 has finished with XMP by the time it stores the file: other
    // threads may use the toolkit while this one writes and flushes.
    XmpToolkitPause pause;
    const bool wasOpen = isopen();
    // The new content supersedes an edit made in a mapping of the old, so
    // closing drops that mapping (closing the descriptor's I/O cannot throw).
    edited_ = Mapping();
    transferring_ = true;
    close();
    transferring_ = false;
    if (src.open() != 0) {
        throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, src.path(), Exiv2::strError());
    }
    {
        // Exiv2 hands over the new file in memory, whose mmap is the buffer
        // itself: the bytes are written from there, without a copy. Closing
        // the source releases a mapping a file source would have made.
        Exiv2::IoCloser closer(src);
        const size_t size = src.size();
        Store(size != 0 ? src.mmap(true) : nullptr, size);
    }
    if (wasOpen && open() != 0) {
        throw Exiv2::Error(Exiv2::kerFileOpenFailed, path(), "rb", Exiv2::strError());
    }
}

int SafeFileIo::munmap() {
    // Exiv2's TIFF-based writers edit values of the same size in the
    // mapping and store nothing else: the edited copy is kept for
    // StoreEdits(). An edit left by a writer that failed is dropped.
    if (HasWritableMapping() && !transferring_ && std::uncaught_exceptions() == 0) {
        edited_ = TakeMapping();
        return 0;
    }
    return RegularFileIo::munmap();
}

void SafeFileIo::StoreEdits() {
    if (!edited_.data) return;
    const Mapping edited = std::move(edited_);
    Store(edited.data, edited.size);
}

void SafeFileIo::Store(Exiv2::byte* data, size_t size) {
    if (data) RefreshIptcDigest(data, size);
    const Target target{folder_.get(), name_, path(), true, info(), descriptor()};
    ReplaceContent(target, data, size);
    // From here on the I/O reads the new file (the name may have been
    // replaced, or the file overwritten in place).
    struct stat now {};
    try {
        Reattach(OpenRegularFile(folder_.get(), name_, path(), false, now), now);
    } catch (const Exiv2::AnyError&) {
        // Gone again already: the write itself succeeded.
    }
}

void WriteImageFile(Exiv2::Image& image) {
    WriteImageMetadata(image);
    if (auto* file = dynamic_cast<SafeFileIo*>(&image.io())) file->StoreEdits();
}

namespace {

std::unique_ptr<Exiv2::Image> OpenImageOn(std::unique_ptr<SafeFileIo> file,
                                          const std::string& path) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    Exiv2::BasicIo::AutoPtr io(file.release());
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(io).release());
#pragma GCC diagnostic pop
    if (!image) throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType, path);
    return image;
}

}  // namespace

std::unique_ptr<Exiv2::Image> OpenImageForWriting(const std::string& path) {
    return OpenImageOn(SafeFileIo::Open(path), path);
}

std::unique_ptr<Exiv2::Image> CreateImageForWriting(int type, const std::string& path) {
    std::unique_ptr<Exiv2::Image> blank(Exiv2::ImageFactory::create(type).release());
    Exiv2::BasicIo& io = blank->io();
    if (io.open() != 0) throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, io.path(), Exiv2::strError());
    const Exiv2::DataBuf bytes = io.read(static_cast<long>(io.size()));
    io.close();

    Place place = Resolve(path, true);
    Target target{place.folder.get(), place.name, path, false, {}, -1};
    FileDescriptor file;
    if (::fstatat(target.folder, target.name.c_str(), &target.held, AT_SYMLINK_NOFOLLOW) == 0) {
        target.existed = true;
        // A regular file is replaced like any target; a link that leads
        // nowhere is replaced by the new file, as a missing file is created.
        if (!S_ISLNK(target.held.st_mode)) {
            file = OpenRegularFile(target.folder, target.name, path, false, target.held);
            target.file = file.get();
        }
    } else if (errno != ENOENT) {
        ThrowNotWritable(path);
    }
    ReplaceContent(target, bytes.pData_, static_cast<size_t>(bytes.size_));
    // Opened again in the folder already held, not by the path: the image
    // written next is the file just made.
    file = FileDescriptor();
    return OpenImageOn(SafeFileIo::OpenAt(std::move(place.folder), place.name, path, place.resolved),
                       path);
}

}  // namespace lumenmeta
