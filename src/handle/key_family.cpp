#include "handle/key_family.h"

#include "platform/ascii.h"

namespace lumenmeta {

KeyFamily FamilyOfKey(const char* key) {
    if (CompareNoCaseN(key, "xmp.", 4) == 0) return KeyFamily::Xmp;
    if (CompareNoCaseN(key, "iptc.", 5) == 0) return KeyFamily::Iptc;
    return KeyFamily::Exif;
}

}  // namespace lumenmeta
