// Sorting a metadata container by key, as the library does at open and
// before a write. Exiv2's own sortByKey is not stable: it can reorder the
// datums of one key (repeated IPTC keywords, say), whose order carries
// meaning. This sort keeps them in their order. Each key is made once, and
// only the datums out of their place are copied; a container already in
// order is left untouched.
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
    // The datums are moved along the cycles of the permutation: each datum
    // that is not already in its place is copied once, plus one copy held
    // aside per cycle.
    using Datum = std::decay_t<decltype(*data.begin())>;
    const auto at = [&data](size_t index) { return data.begin() + static_cast<std::ptrdiff_t>(index); };
    std::vector<bool> placed(order.size(), false);
    for (size_t start = 0; start < order.size(); ++start) {
        if (placed[start] || order[start] == start) continue;
        const Datum held = *at(start);
        size_t to = start;
        while (order[to] != start) {
            *at(to) = *at(order[to]);
            placed[to] = true;
            to = order[to];
        }
        *at(to) = held;
        placed[to] = true;
    }
}

}  // namespace lumenmeta
