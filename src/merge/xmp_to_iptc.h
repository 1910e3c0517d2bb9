// Exiv2's XMP-to-IPTC conversion in linear time.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Does what Exiv2::copyXmpToIptc does, with the same result. For every
// property it converts, Exiv2 first removes the dataset's IPTC datums one at
// a time, searching from the start for each, which is quadratic in a long
// keyword list. Here those datums are removed first in one pass, so Exiv2
// finds none left to remove; and Exiv2 is given only the properties it
// converts, so that its search for each is short.
void CopyXmpToIptc(const Exiv2::XmpData& xmp, Exiv2::IptcData& iptc);

// The IPTC datasets that the conversion fills, each with the XMP property it
// is filled from. Whenever the property is present, every datum of the
// dataset is replaced.
struct XmpToIptcPair {
    const char* xmpKey;
    const char* iptcKey;
};
extern const XmpToIptcPair kXmpToIptcPairs[20];

}  // namespace lumenmeta
