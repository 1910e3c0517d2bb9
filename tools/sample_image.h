// The demo's sample: a small grey JPEG with Exif, IPTC and XMP, built from
// bytes kept in this program, so the demo needs no file from the user.
#pragma once

#include <vector>

namespace lumenmeta_tool {

std::vector<unsigned char> SampleJpeg();

}  // namespace lumenmeta_tool
