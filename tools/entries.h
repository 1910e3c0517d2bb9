// The rows `show` and `demo` print: every datum of a family with its type
// code and value.
#pragma once

#include "lumenmeta.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

struct Entry {
    std::string key;
    int type;           // GetMetaDataW's type code, 0 for an empty value
    std::string value;  // UTF-8
    bool fromSidecar = false;  // read from the image's sidecar, laid over the image
};

// One entry per datum of `family` ("Exif", "Iptc" or "Xmp"), in the
// library's order: repeated IPTC datasets by occurrence, an XMP bag with all
// its elements joined by "; ".
std::vector<Entry> FamilyEntries(MetaHandle* handle, const char* family);

// A type code as shown: decimal, and hexadecimal from 0x10000 on.
std::string TypeText(int type);

}  // namespace lumenmeta_tool
