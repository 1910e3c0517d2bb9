#include "read/components.h"

namespace lumenmeta {

int32_t ComponentAsLong(const Exiv2::Value& value, long n) {
    return static_cast<int32_t>(value.toLong(n));
}

double ComponentAsFloat(const Exiv2::Value& value, long n) {
    return static_cast<double>(value.toFloat(n));
}

}  // namespace lumenmeta
