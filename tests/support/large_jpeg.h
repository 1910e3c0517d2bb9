// Large JPEGs for tests and benchmarks that need realistic file sizes: the
// frame of a 4000 x 3000 grey photo whose scan holds `scanBytes` of
// deterministic, entropy-coded-looking bytes (0xFF stuffed as in real scans).
// Exiv2 reads and writes such files as it does photos; no pixel decoder is
// involved anywhere in the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumenmeta::test {

std::vector<unsigned char> LargeJpeg(size_t scanBytes, uint32_t seed = 1);

}  // namespace lumenmeta::test
