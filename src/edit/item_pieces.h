// How AddMetaDataWContainer cuts one text into the items it stores.
#pragma once

#include <string_view>
#include <vector>

namespace lumenmeta {

// Cuts `items` at the characters of `separators` (a set; empty means the
// whole text is one piece). Scanning from position p, a piece runs up to the
// next separator and the scan resumes one past it, with two exceptions that
// keep separators inside pieces: a piece that would be empty (a separator at
// p) takes that separator and the characters up to the next one, so ";b"
// stays whole; and a piece followed by exactly one last character, a
// separator, takes it along, so "a;b;" gives "a" and "b;". A zero unit ends
// the scan of a piece as the end of the text does. Each piece is cut at its
// first zero unit; pieces that are then empty are left out, so no piece ever
// asks for a clearing. The views point into `items`.
std::vector<std::u16string_view> SplitItems(std::u16string_view items,
                                            std::u16string_view separators);

}  // namespace lumenmeta
