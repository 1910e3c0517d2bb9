// Formats Exiv2 reads but cannot write: HEIF, AVIF and CR3 (ISO base media
// files), RAF, MRW, GIF and the like. A write into one is refused before
// anything is written, with a reason that names the format: Exiv2 itself
// throws for some of them and, for others, returns as if it had written.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// Raised for a target in a format that cannot be written. Its text is the
// reason: the format's name, then " files cannot be written in place".
class CannotWriteFormat : public Exiv2::Error {
public:
    explicit CannotWriteFormat(const std::string& reason);
};

// The reason the opened (not necessarily read) `image` cannot be written, as
// "HEIF files cannot be written in place", or "" when Exiv2 writes at least
// one metadata family of its format. The format is named by the brands of an
// ISO base media file (HEIF, AVIF, CR3, JPEG XL), else by Exiv2's image type,
// else by the extension of `path`.
std::string CannotWriteReason(Exiv2::Image& image, const std::string& path);

// Throws CannotWriteFormat when `image` cannot be written.
void RefuseUnwritableFormat(Exiv2::Image& image, const std::string& path);

}  // namespace lumenmeta
