// The input is an image file: opened with OpenMemImage, read through every
// reading export, then written into a small JPEG with WriteDataToMem.
#include "fuzz_support.h"

#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumenmeta::fuzz;
    if (size == 0 || size > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return 0;
    MetaHandle* handle = OpenMemImage(data, static_cast<int32_t>(size));
    if (!handle) return 0;
    ReadEverything(handle);
    // The last byte picks the XMP mode, so every mode meets every image shape.
    WriteToSmallJpeg(handle, data[size - 1] % 4);
    CloseMetaHandle(handle);
    return 0;
}
