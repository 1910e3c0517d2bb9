// The input is a raw Exif block (APP1 marker, length, "Exif\0\0", TIFF
// structure) handed to SetExifMetaData on a handle that starts empty; the
// decoded tags are then read through every reading export and written into
// a small JPEG.
#include "fuzz_support.h"

#include <cstdint>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lumenmeta::fuzz;
    if (size > std::numeric_limits<uint32_t>::max()) return 0;
    MetaHandle* handle = OpenMetaHandle(nullptr, 1);
    if (!handle) return 0;
    SetExifMetaData(handle, data, static_cast<uint32_t>(size));
    ReadEverything(handle);
    if (HadExifData(handle)) WriteToSmallJpeg(handle, 0);
    CloseMetaHandle(handle);
    return 0;
}
