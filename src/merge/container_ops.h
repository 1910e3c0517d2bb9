// Removing and adding datums by key in Exiv2's three metadata containers,
// written once for all three families. Used by the merges and by the writers
// when they carry a source file's metadata into a target.
#pragma once

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdint>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lumenmeta {

// Removes every datum of `container` whose key is `key`: looks the key up,
// erases the hit and searches again from the start until none is left.
// Returns the number removed. Exiv2 rejects a key it does not know by
// raising its error.
template <typename Container>
int EraseEveryDatum(Container& container, const std::string& key);

// Removes every datum of `target` that EraseEveryDatum would remove when
// called, in the order of `source`, with the key of each source datum that
// `takes` accepts. The result is the same container (the datums left keep
// their order) but it is reached in one pass over each container instead of
// a search from the start for every key. If Exiv2 rejects a key, the datums
// of the keys before it are removed and Exiv2's error is raised, as the
// key-by-key removal would leave them.
template <typename Container, typename Takes>
void EraseEveryDatumOfKeys(Container& target, const Container& source, Takes takes);

// The `takes` of a carry or merge that takes every key of the family.
inline bool TakeEveryKey(const std::string&) { return true; }

// Appends a datum with `key` and a copy of `value` at the end of the
// container. The result code of IptcData::add and XmpData::add (a repeated
// non-repeatable dataset, for instance) is not looked at.
void AddDatum(Exiv2::ExifData& container, const std::string& key, const Exiv2::Value& value);
void AddDatum(Exiv2::IptcData& container, const std::string& key, const Exiv2::Value& value);
void AddDatum(Exiv2::XmpData& container, const std::string& key, const Exiv2::Value& value);

// True when two Exif datums hold the same type and the same value bytes
// (cheaper than comparing their texts).
bool SameExifValue(const Exiv2::Exifdatum& a, const Exiv2::Exifdatum& b);

// The keys whose datums in `target` are already exactly those of `source`
// (as many, in the same order, of the same type and bytes), among the keys
// `takes` accepts. Replacing such a key changes nothing but where its datums
// stand, which Exif does not keep.
template <typename Takes>
std::unordered_set<std::string> ExifKeysAlreadyThere(const Exiv2::ExifData& source,
                                                     const Exiv2::ExifData& target, Takes takes);

// The position of the first datum of each key in an XmpData that is built by
// FindOrAppendXmpDatum alone.
using XmpPositions = std::unordered_map<std::string, long>;

// What `data[key]` gives (the first datum with `key`, appended without a
// value when there is none), found through `positions` instead of a search
// from the start. `data` must receive datums through this function alone,
// starting empty with `positions` empty. Exiv2 rejects an unknown key by
// raising its error, and nothing is then appended.
Exiv2::Xmpdatum& FindOrAppendXmpDatum(Exiv2::XmpData& data, XmpPositions& positions,
                                      const std::string& key);

namespace detail {

template <typename Container>
struct KeyOf;
template <>
struct KeyOf<Exiv2::ExifData> {
    using Type = Exiv2::ExifKey;
};
template <>
struct KeyOf<Exiv2::IptcData> {
    using Type = Exiv2::IptcKey;
};
template <>
struct KeyOf<Exiv2::XmpData> {
    using Type = Exiv2::XmpKey;
};

// What each container's findKey compares: the key text for Exif and XMP,
// record and dataset number for IPTC.
inline std::string MatchKey(const Exiv2::ExifKey& key) { return key.key(); }
inline std::string MatchKey(const Exiv2::Exifdatum& datum) { return datum.key(); }
inline std::string MatchKey(const Exiv2::XmpKey& key) { return key.key(); }
inline std::string MatchKey(const Exiv2::Xmpdatum& datum) { return datum.key(); }
inline uint32_t MatchKey(const Exiv2::IptcKey& key) {
    return static_cast<uint32_t>(key.record()) << 16 | key.tag();
}
inline uint32_t MatchKey(const Exiv2::Iptcdatum& datum) {
    return static_cast<uint32_t>(datum.record()) << 16 | datum.tag();
}

template <typename Container>
using MatchKeySet = std::unordered_set<decltype(MatchKey(*std::declval<Container&>().begin()))>;

template <typename Container>
void EraseMatching(Container& target, const MatchKeySet<Container>& keys) {
    if (keys.empty()) return;
    const auto matches = [&keys](const auto& datum) { return keys.count(MatchKey(datum)) != 0; };
    if constexpr (std::is_same_v<Container, Exiv2::ExifData>) {
        // A list: each erase is a step of its own.
        for (auto datum = target.begin(); datum != target.end();) {
            datum = matches(*datum) ? target.erase(datum) : std::next(datum);
        }
    } else {
        // A vector: kept datums are moved forward in order, then the tail is
        // cut off from the back, which moves nothing.
        const auto kept = std::remove_if(target.begin(), target.end(), matches);
        const auto keptCount = kept - target.begin();
        while (target.end() - target.begin() > keptCount) target.erase(target.end() - 1);
    }
}

}  // namespace detail

template <typename Container, typename Takes>
void EraseEveryDatumOfKeys(Container& target, const Container& source, Takes takes) {
    detail::MatchKeySet<Container> keys;
    try {
        for (const auto& datum : source) {
            const std::string key = datum.key();
            if (takes(key)) keys.insert(detail::MatchKey(typename detail::KeyOf<Container>::Type(key)));
        }
    } catch (...) {
        detail::EraseMatching(target, keys);
        throw;
    }
    detail::EraseMatching(target, keys);
}

template <typename Takes>
std::unordered_set<std::string> ExifKeysAlreadyThere(const Exiv2::ExifData& source,
                                                     const Exiv2::ExifData& target, Takes takes) {
    std::unordered_map<std::string, std::vector<const Exiv2::Exifdatum*>> wanted, there;
    for (const auto& datum : source) {
        std::string key = datum.key();
        if (takes(key)) wanted[std::move(key)].push_back(&datum);
    }
    for (const auto& datum : target) {
        std::string key = datum.key();
        const auto found = wanted.find(key);
        if (found != wanted.end()) there[std::move(key)].push_back(&datum);
    }
    std::unordered_set<std::string> same;
    for (const auto& [key, datums] : wanted) {
        const auto found = there.find(key);
        if (found == there.end() || found->second.size() != datums.size()) continue;
        bool equal = true;
        for (size_t i = 0; equal && i < datums.size(); ++i) equal = SameExifValue(*datums[i], *found->second[i]);
        if (equal) same.insert(key);
    }
    return same;
}

template <typename Container>
int EraseEveryDatum(Container& container, const std::string& key) {
    const typename detail::KeyOf<Container>::Type exiv2Key(key);
    int removed = 0;
    for (auto hit = container.findKey(exiv2Key); hit != container.end();
         hit = container.findKey(exiv2Key)) {
        container.erase(hit);
        ++removed;
    }
    return removed;
}

}  // namespace lumenmeta
