// Lists the full keys of the handle's working set, family by family.
#include "lumenmeta.h"
#include "platform/sized_copy.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace lumenmeta {

namespace {

// Appends the key of every datum of `data`, in container order, each after
// `separator` unless the list is still empty.
template <typename Container>
void AppendKeys(const Container& data, const char* separator, std::string& list) {
    for (const auto& datum : data) {
        if (!list.empty()) list += separator;
        list += datum.key();
    }
}

}  // namespace

}  // namespace lumenmeta

extern "C" bool GetMetaDataKeys(MetaHandle* handle, const char* family, char* buffer,
                                int32_t* size, const char* separator) {
    using namespace lumenmeta;
    if (!handle || !size) return false;
    const bool all = family == nullptr;
    const bool exif = all || std::strcmp(family, "Exif") == 0;
    const bool iptc = all || std::strcmp(family, "Iptc") == 0;
    const bool xmp = all || std::strcmp(family, "Xmp") == 0;
    if (!exif && !iptc && !xmp) return false;
    if (!separator) separator = "|";
    std::string list;
    try {
        if (exif) AppendKeys(handle->exifData, separator, list);
        if (iptc) AppendKeys(handle->iptcData, separator, list);
        if (xmp) AppendKeys(handle->xmpData, separator, list);
    } catch (...) {
        return false;  // memory ran out; size is left as it was
    }
    return CopyTextOut(list, buffer, size);
}
