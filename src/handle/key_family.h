// Which working container a key belongs to, chosen by its prefix with ASCII
// case ignored: "xmp." selects XMP, "iptc." IPTC, anything else Exif. Exiv2
// itself then requires the family spelled exactly "Xmp", "Iptc" or "Exif".
#pragma once

namespace lumenmeta {

enum class KeyFamily { Exif, Iptc, Xmp };

KeyFamily FamilyOfKey(const char* key);

}  // namespace lumenmeta
