// One component of a value as a number, the way every getter that hands out
// numbers converts it. Integers are 32 bits wide at the interface, so a value
// that Exiv2 converts to a wider integer keeps its low 32 bits.
#pragma once

#include <exiv2/exiv2.hpp>

#include <cstdint>

namespace lumenmeta {

// Exiv2's integer conversion of component `n` (a rational gives its integer
// quotient). Throws what Exiv2 throws for a component past the last one.
int32_t ComponentAsLong(const Exiv2::Value& value, long n);

// Exiv2's single-precision conversion of component `n`, widened: 1/250 gives
// 0.004000000189989805. Throws what Exiv2 throws for a missing component.
double ComponentAsFloat(const Exiv2::Value& value, long n);

}  // namespace lumenmeta
