// The smallest JPEG the fixtures build on: a 16 x 8 grey baseline image with
// no metadata.
#pragma once

#include <vector>

namespace lumenmeta::test {

constexpr int kMinimalJpegWidth = 16;
constexpr int kMinimalJpegHeight = 8;

const std::vector<unsigned char>& MinimalJpeg();

}  // namespace lumenmeta::test
