// Fixtures for tests of writes: source and target images with metadata of
// every family, XMP sidecars and tiny JPEGs made with Exiv2 directly, and a
// way to run a write as an unprivileged user.
#pragma once

#include "support/fixture_image.h"

#include <functional>
#include <string>
#include <vector>

namespace lumenmeta::test {

// A camera file: Exif with a Nikon maker note, a date, the resolution tags;
// IPTC caption and two keywords; XMP title and a private variable.
FixtureImage CameraSource();

// A file that already has metadata of its own, partly under the same keys as
// CameraSource (Artist, Keywords, Caption, dc:title) and partly not
// (resolution 300, Software, City, dc:format, Rating).
FixtureImage ExistingTarget();

// Writes an XMP sidecar with Exiv2 holding `xmp` (nothing when empty).
void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp);

// A 12-byte JPEG holding only the comment "helo".
std::vector<unsigned char> TinyJpegWithComment();

// The comment of the image file at `path`, read with Exiv2.
std::string CommentOf(const std::string& path);

}  // namespace lumenmeta::test
