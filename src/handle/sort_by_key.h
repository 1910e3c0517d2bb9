// Sorting a metadata container by key, as the library does at open and
// before a write. Exiv2's own sortByKey is not stable: it can reorder the
// datums of one key (repeated IPTC keywords, say), whose order carries
// meaning. This sort keeps them in their order. Each key is made once, and
// only the datums out of their place are copied; a container already in
// order is left untouched. The items of an XMP array sort by their index as a
// number ("History[2]" before "History[10]"): the XMP toolkit builds an array
// item by item and cannot take item 10 before item 2.
#pragma once

#include <algorithm>
#include <numeric>
#include <string>
#include <type_traits>
#include <vector>

namespace lumenmeta {

// Key order: text order, except that the digits after a "[" that both keys
// share compare as numbers.
inline bool KeyLess(const std::string& a, const std::string& b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
        if (a[i] != '[') continue;
        size_t endA = i + 1, endB = i + 1;
        while (endA < a.size() && a[endA] >= '0' && a[endA] <= '9') ++endA;
        while (endB < b.size() && b[endB] >= '0' && b[endB] <= '9') ++endB;
        size_t startA = i + 1, startB = i + 1;
        while (startA + 1 < endA && a[startA] == '0') ++startA;
        while (startB + 1 < endB && b[startB] == '0') ++startB;
        const size_t lengthA = endA - startA, lengthB = endB - startB;
        if (lengthA == 0 || lengthB == 0) continue;
        if (lengthA != lengthB) return lengthA < lengthB;
        const int order = a.compare(startA, lengthA, b, startB, lengthB);
        if (order != 0) return order < 0;
    }
    return a.size() < b.size();
}

template <typename Container>
void SortByKey(Container& data) {
    std::vector<std::string> keys;
    for (const auto& datum : data) keys.push_back(datum.key());
    std::vector<size_t> order(keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return KeyLess(keys[a], keys[b]); });
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
