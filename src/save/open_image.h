// Opening the images a write works on.
#pragma once

#include <exiv2/exiv2.hpp>

#include <memory>
#include <string>

namespace lumenmeta {

class CallerBytesIo;

using ImagePtr = std::unique_ptr<Exiv2::Image>;

// Opens the image file at `path` (not yet read), a local file whatever the
// path looks like. Raises Exiv2's error when there is no file or it is not an
// image Exiv2 knows, and NotRegularFile (platform/regular_file.h) for a path
// that names a folder, device, FIFO or socket.
ImagePtr OpenImageFile(const std::string& path);

// Opens an image on the caller's `size` bytes at `data`, read in place and
// never changed (not yet read); its I/O is set in `io`. Raises Exiv2's error
// when the bytes are not an image Exiv2 knows.
ImagePtr OpenImageBytes(const unsigned char* data, long size, CallerBytesIo*& io);

}  // namespace lumenmeta
