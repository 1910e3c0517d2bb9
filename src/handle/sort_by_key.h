// Sorting a metadata container by key, as the library does at open and
// before a write. Exiv2's own sortByKey is not stable: it can reorder the
// datums of one key (repeated IPTC keywords, say), whose order carries
// meaning. This sort keeps them in their order. Each key is made once and
// each datum copied at most twice; a container already in order is left
// untouched.
#pragma once

#include <algorithm>
#include <numeric>
#include <string>
#include <type_traits>
#include <vector>

namespace lumenmeta {

template <typename Container>
void SortByKey(Container& data) {
    std::vector<std::string> keys;
    for (const auto& datum : data) keys.push_back(datum.key());
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    if (std::is_sorted(order.begin(), order.end())) return;
    using Datum = std::decay_t<decltype(*data.begin())>;
    std::vector<Datum> sorted;
    sorted.reserve(order.size());
    for (const size_t at : order) sorted.push_back(*(data.begin() + static_cast<std::ptrdiff_t>(at)));
    auto place = data.begin();
    for (const Datum& datum : sorted) *place++ = datum;
}

}  // namespace lumenmeta
