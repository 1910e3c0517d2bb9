// The XMP of a write is encoded before anything is written: a write carries
// all of the file's XMP with the edits, or it fails and the file stays as it
// was. Exiv2's own writers, when the XMP toolkit cannot encode the XMP, keep
// the old packet in a JPEG and write none in a TIFF, and report nothing.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// Encodes the target's XMP and, for a JPEG or PNG, hands the packet to the
// image, so that its writer stores exactly that packet and does not encode
// the XMP again; other formats are only checked. A
// target whose packet is already set (the compact packet of XMP mode 3) is
// left as it is. Raises Exiv2's error, with the reason, when the toolkit
// cannot encode the XMP.
void EncodeXmpPacket(Exiv2::Image& target);

}  // namespace lumenmeta
