// Whether two texts of one key say the same thing in different forms. A
// conversion between the families often gives back a value that means what
// the file already held, written another way (a date with a zone offset, a
// coordinate in decimal minutes, sub-seconds padded to nine digits); the
// write then keeps the bytes the file had.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta {

// True when `a` and `b`, two texts of `key` (Exiv2's toString() of values of
// any family), mean the same:
//  - dates and date-times agree on every digit both of them have, so a
//    date-only value matches a date-time of that day, and a zone offset is
//    not compared (the wall-clock time is the meaning);
//  - sub-seconds are compared as a decimal fraction ("81" and "810000000");
//  - GPS coordinates and times agree within a millionth of a degree or hour;
//  - other numbers (integers, rationals, decimals, lists of them) agree
//    within a relative millionth;
//  - text agrees once read as UTF-8 or Windows-1252, without a "lang=" or
//    "charset=" prefix, list separators and trailing blanks.
bool SameMeaning(const std::string& key, const std::string& a, const std::string& b);

// True when the values of a key held several times (IPTC keywords, say)
// are the same items, each meaning the same, in any order; for one value
// each, SameMeaning.
bool SameItems(const std::string& key, std::vector<std::string> a, std::vector<std::string> b);

// True when the text carries nothing: empty once the "lang=" or "charset="
// prefix, blanks and zero bytes are gone, or only rationals with a zero
// denominator (which no reader can turn into a number).
bool IsEmptyMeaning(const std::string& text);

}  // namespace lumenmeta
