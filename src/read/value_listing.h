// Walking the working set value by value, as the stored and readable reads
// and the listing count values: every datum in container order, split into
// its items (see ItemsOf).
#pragma once

#include "lumenmeta.h"
#include "read/value_forms.h"

#include <exiv2/exiv2.hpp>

#include <functional>
#include <string>

namespace lumenmeta {

// One value met on the walk: its datum, its item, and, on a walk of one
// key, its index among the values of that key (-1 on a walk of the whole
// family, whose caller counts: a count per key would cost a search per
// datum).
struct ListedValue {
    const Exiv2::Metadatum& datum;
    const ValueItem& item;
    int index;
};

// Calls `visit` for every value of the family (`family` "Exif", "Iptc",
// "Xmp"), or only for those of the datums whose key is `onlyKey` when it is
// not null; `visit` returns false to stop the walk. Throws what Exiv2 or
// `visit` throws.
void WalkValues(const MetaHandle& handle, const std::string& family, const char* onlyKey,
                const std::function<bool(const ListedValue&)>& visit);

}  // namespace lumenmeta
