// Removing and adding datums by key in Exiv2's three metadata containers,
// written once for all three families. Used by the merges and by the writers
// when they carry a source file's metadata into a target.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// Removes every datum of `container` whose key is `key`: looks the key up,
// erases the hit and searches again from the start until none is left.
// Returns the number removed. Exiv2 rejects a key it does not know by
// raising its error.
template <typename Container>
int EraseEveryDatum(Container& container, const std::string& key);

// Appends a datum with `key` and a copy of `value` at the end of the
// container. The result code of IptcData::add and XmpData::add (a repeated
// non-repeatable dataset, for instance) is not looked at.
void AddDatum(Exiv2::ExifData& container, const std::string& key, const Exiv2::Value& value);
void AddDatum(Exiv2::IptcData& container, const std::string& key, const Exiv2::Value& value);
void AddDatum(Exiv2::XmpData& container, const std::string& key, const Exiv2::Value& value);

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

}  // namespace detail

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
