// Comparing the datums of a key before and after a step: what the guarded
// conversions and the refresh of XMP decide by. Datums are kept by key, in
// container order, so that a key held several times (IPTC keywords) is
// compared item by item.
#pragma once

#include <exiv2/exiv2.hpp>

#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace lumenmeta {

template <typename Container>
using DatumOf = std::decay_t<decltype(*std::declval<Container&>().begin())>;

// Copies of datums by key, in container order.
template <typename Container>
using DatumsByKey = std::map<std::string, std::vector<DatumOf<Container>>>;

// Pointers to the datums a container holds now, by key; valid until the
// container changes.
template <typename Container>
using DatumPointersByKey = std::map<std::string, std::vector<const DatumOf<Container>*>>;

// The same type and value. Exif values are compared by their bytes, XMP and
// IPTC values by the text they hold.
bool SameValue(const Exiv2::Exifdatum& a, const Exiv2::Exifdatum& b);
bool SameValue(const Exiv2::Iptcdatum& a, const Exiv2::Iptcdatum& b);
bool SameValue(const Exiv2::Xmpdatum& a, const Exiv2::Xmpdatum& b);

namespace detail {
template <typename Datum>
const Datum& Deref(const Datum& datum) { return datum; }
template <typename Datum>
const Datum& Deref(const Datum* datum) { return *datum; }
}  // namespace detail

// As many datums, pairwise of the same value.
template <typename A, typename B>
bool SameDatums(const std::vector<A>& a, const std::vector<B>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!SameValue(detail::Deref(a[i]), detail::Deref(b[i]))) return false;
    }
    return true;
}

namespace detail {
template <typename Entry, typename Container, typename Wanted, typename Make>
std::map<std::string, std::vector<Entry>> ByKey(const Container& data, Wanted wanted, Make make) {
    std::map<std::string, std::vector<Entry>> byKey;
    for (const auto& datum : data) {
        std::string key = datum.key();
        if (wanted(key)) byKey[std::move(key)].push_back(make(datum));
    }
    return byKey;
}
}  // namespace detail

// The copies, or the pointers, of the datums whose key `wanted` accepts.
template <typename Container, typename Wanted>
DatumsByKey<Container> CopyDatums(const Container& data, Wanted wanted) {
    return detail::ByKey<DatumOf<Container>>(data, wanted, [](const auto& datum) { return datum; });
}

template <typename Container, typename Wanted>
DatumPointersByKey<Container> PointDatums(const Container& data, Wanted wanted) {
    return detail::ByKey<const DatumOf<Container>*>(data, wanted, [](const auto& datum) { return &datum; });
}

// Calls `differs(key)` for each key whose datums are not the same in both
// maps (held by one of them only, or with other values).
template <typename Before, typename After, typename Differs>
void ForEachChangedKey(const Before& before, const After& after, Differs differs) {
    using BeforeList = typename Before::mapped_type;
    using AfterList = typename After::mapped_type;
    static const BeforeList noneBefore;
    static const AfterList noneAfter;
    for (const auto& [key, old] : before) {
        const auto now = after.find(key);
        if (!SameDatums(old, now == after.end() ? noneAfter : now->second)) differs(key);
    }
    for (const auto& [key, current] : after) {
        if (before.count(key) == 0 && !SameDatums(noneBefore, current)) differs(key);
    }
}

}  // namespace lumenmeta
