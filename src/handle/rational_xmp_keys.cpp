#include "handle/rational_xmp_keys.h"

#include "platform/ascii.h"

namespace lumenmeta {

bool IsRationalXmpKey(const char* key) {
    for (const char* rational : kRationalXmpKeys) {
        if (EqualNoCase(key, rational)) return true;
    }
    return false;
}

}  // namespace lumenmeta
