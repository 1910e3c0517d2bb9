// The IPTC digest of a JPEG's Photoshop resources. Programs that find the
// digest (resource 0x0425) unequal to the MD5 of the IPTC block (resource
// 0x0404) take the IPTC for stale, edited by a program that does not know
// it. Exiv2 copies the old digest when it writes a new IPTC block; a write
// brings it up to date.
#pragma once

#include <cstddef>
#include <string>

namespace lumenmeta {

// The MD5 of `size` bytes (RFC 1321), 16 bytes.
std::string Md5(const unsigned char* data, size_t size);

// Sets the IPTC digest of the JPEG in `jpeg` to the MD5 of its IPTC block,
// in place (the digest keeps its size). Returns true when it changed the
// bytes; a file that is not a JPEG, or whose Photoshop resources in one
// APP13 segment hold no digest or no IPTC block, is left as it is.
bool RefreshIptcDigest(unsigned char* jpeg, size_t size);

}  // namespace lumenmeta
