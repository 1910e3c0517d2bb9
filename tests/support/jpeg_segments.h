// Pieces cut out of JPEG files for tests that feed raw blocks to the library.
#pragma once

#include <vector>

namespace lumenmeta::test {

// The Exif APP1 segment of `jpeg` from its marker on (marker, length,
// "Exif\0\0", TIFF structure); empty when there is none.
std::vector<unsigned char> ExifApp1Segment(const std::vector<unsigned char>& jpeg);

}  // namespace lumenmeta::test
