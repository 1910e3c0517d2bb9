// Sorting a metadata container by key, as the library does at open and
// before a write. Exiv2's own sortByKey is not stable: it can reorder the
// datums of one key (repeated IPTC keywords, say), whose order carries
// meaning. This sort keeps them in their order.
#pragma once

#include <algorithm>

namespace lumenmeta {

template <typename Container>
void SortByKey(Container& data) {
    std::stable_sort(data.begin(), data.end(),
                     [](const auto& a, const auto& b) { return a.key() < b.key(); });
}

}  // namespace lumenmeta
