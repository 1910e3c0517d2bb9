// Crash-safe replacement of image files. Exiv2 builds every new file in
// memory and hands it to the file's I/O object to store; this I/O object
// stores it without ever leaving a half-written file behind, and only in
// place of the very file that was read.
#pragma once

#include "platform/regular_file.h"

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>

namespace lumenmeta {

// The file I/O of a write. Opening it begins the write: the path is resolved
// there, once, to the folder and name of the file its symbolic links finally
// name (so a symbolic link is written through), each name in it opened with
// O_NOFOLLOW under the folder before it and each link read and followed
// where it stands, so no name is looked up twice; the folder is held open, and
// the file, which must be a regular file, is opened in it and read through
// that descriptor. transfer() then stores the new content:
//  - into an anonymous file (O_TMPFILE) in the folder, which gets a name only
//    once it is complete and flushed to disk and is at once renamed over the
//    target; where the file system has no anonymous files, into a temporary
//    file with a random name. A write stopped at any point leaves the target
//    as it was and, with anonymous files, nothing else;
//  - the replacement gets the target's permission bits, its owner (where the
//    process may set it) and its extended attributes, ACLs among them;
//  - right before the replacement is put in place, the name is checked to
//    still hold the file that was read (same device and inode): when anything
//    else is there now, nothing is changed and the write is refused;
//  - a file with several hard links keeps them: once the complete new content
//    is safely on disk, it is copied back over the file in place (the one
//    step that is not atomic; the old content is kept in memory meanwhile and
//    put back if that copy fails);
//  - a writable file in a folder the process may not create files in is
//    overwritten in place the same way (no temporary file can be made there);
//  - a target the process may not write is refused before anything is
//    written, with the error Exiv2's own write raises;
//  - on any failure the temporary file is removed and the target is left
//    byte for byte as it was. Failures are thrown as Exiv2::Error.
class SafeFileIo : public RegularFileIo {
public:
    // Begins a write of the file `path` names. Throws NotRegularFile (also
    // for a link at the last name where the thread does not follow one, see
    // SetFollowLastLink), or Exiv2's kerDataSourceOpenFailed when there is no
    // such file.
    static std::unique_ptr<SafeFileIo> Open(const std::string& path);
    // Begins a write of the file `name` in the folder `folder` (already
    // resolved), shown as `shownPath`, reachable as `resolvedPath`.
    static std::unique_ptr<SafeFileIo> OpenAt(FileDescriptor folder, const std::string& name,
                                              const std::string& shownPath,
                                              const std::string& resolvedPath);
    void transfer(Exiv2::BasicIo& src) override;
    int munmap() override;
    // Stores, as transfer() stores new content, an edit Exiv2 made in a
    // writable mapping of the file and left there; nothing when it made none.
    void StoreEdits();

private:
    SafeFileIo(FileDescriptor folder, const std::string& name, FileDescriptor file,
               const struct stat& info, const std::string& shownPath,
               const std::string& resolvedPath);
    // Replaces the file's content with `size` bytes at `data` and reads the
    // new file from then on.
    void Store(Exiv2::byte* data, size_t size);
    FileDescriptor folder_;
    std::string name_;
    bool transferring_ = false;
    Mapping edited_;  // an edit made in the mapping, not yet stored
};

// Writes the image's metadata (WriteImageMetadata) and, on a SafeFileIo,
// stores an edit Exiv2 left in its mapping of the file (StoreEdits).
void WriteImageFile(Exiv2::Image& image);

// Opens the image at `path` through a SafeFileIo, so that WriteImageFile()
// replaces it crash-safely. Throws as Exiv2::ImageFactory::open(path) does,
// and NotRegularFile.
std::unique_ptr<Exiv2::Image> OpenImageForWriting(const std::string& path);

// Creates (or empties) the file at `path` as a new, empty image of Exiv2
// image type `type`, as Exiv2::ImageFactory::create(type, path) does, but
// crash-safely, and opens it like OpenImageForWriting. A path that cannot be
// created or written is refused with the error that call raises; a path that
// names something other than a regular file with NotRegularFile.
std::unique_ptr<Exiv2::Image> CreateImageForWriting(int type, const std::string& path);

}  // namespace lumenmeta
