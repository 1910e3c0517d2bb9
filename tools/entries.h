// The rows `show` and `demo` print: every value of a family with its type
// code, its stored and its readable form.
#pragma once

#include "lumenmeta.h"

#include <string>
#include <vector>

namespace lumenmeta_tool {

struct Entry {
    std::string key;
    int type;           // Exiv2's type code of the value
    std::string value;  // the stored form, UTF-8
    std::string text;   // the readable form, UTF-8
    int index = 0;      // which value of the key (an XMP item, a repeated dataset)
    std::string language;      // a language alternative's language, else ""
    bool fromSidecar = false;  // read from the image's sidecar, laid over the image
};

// One entry per value of `family` ("Exif", "Iptc" or "Xmp"), in the
// library's order, as GetMetaDataEntries lists them: repeated IPTC datasets
// by occurrence, an XMP array item by item, a language alternative language
// by language.
std::vector<Entry> FamilyEntries(MetaHandle* handle, const char* family);

// A type code as shown: decimal, and hexadecimal from 0x10000 on.
std::string TypeText(int type);

}  // namespace lumenmeta_tool
