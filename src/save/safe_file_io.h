// Crash-safe replacement of image files. Exiv2 builds every new file in
// memory and hands it to the file's I/O object to store; this I/O object
// stores it without ever leaving a half-written file behind.
#pragma once

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>

namespace lumenmeta {

// A file I/O whose transfer() writes the new content to a temporary file in
// the same folder, flushes it to disk and renames it over the target:
//  - the target's permission bits (and its owner, where the process may set
//    it) are kept; a symbolic link is written through to the file it names;
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
class SafeFileIo : public Exiv2::FileIo {
public:
    explicit SafeFileIo(const std::string& path);
    void transfer(Exiv2::BasicIo& src) override;
};

// Opens the image at `path` through a SafeFileIo, so that writeMetadata()
// replaces it crash-safely. Throws as Exiv2::ImageFactory::open(path) does.
std::unique_ptr<Exiv2::Image> OpenImageForWriting(const std::string& path);

// Creates (or empties) the file at `path` as a new, empty image of Exiv2
// image type `type`, as Exiv2::ImageFactory::create(type, path) does, but
// crash-safely, and opens it like OpenImageForWriting. A path that cannot be
// created or written is refused with the error that call raises.
std::unique_ptr<Exiv2::Image> CreateImageForWriting(int type, const std::string& path);

}  // namespace lumenmeta
