// Metadata containers filled from "key=text" entries, read back as entries,
// and expected trace lines: shared by the merge tests.
#pragma once

#include "merge/container_ops.h"

#include <array>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

namespace lumenmeta::test {

using Texts = std::vector<std::string>;

// Appends each "key=text" entry as a datum of its key's own type.
template <typename Container>
Container& Fill(Container& data, const Texts& entries) {
    for (const std::string& entry : entries) {
        std::decay_t<decltype(*data.begin())> datum(
            typename detail::KeyOf<Container>::Type(entry.substr(0, entry.find('='))));
        datum.setValue(entry.substr(entry.find('=') + 1));
        data.add(datum);
    }
    return data;
}

template <typename Container>
Texts Entries(const Container& data) {
    Texts entries;
    for (const auto& datum : data) entries.push_back(datum.key() + "=" + datum.toString());
    return entries;
}

// The trace pieces of {text, key, value} lines.
inline Texts Lines(std::initializer_list<std::array<const char*, 3>> lines) {
    Texts pieces;
    for (const auto& [text, key, value] : lines) {
        pieces.insert(pieces.end(), {text, key, " Value: ", value, "\n"});
    }
    return pieces;
}

}  // namespace lumenmeta::test
