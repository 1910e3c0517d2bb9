// The Exif keys that travel when the metadata of one image file is carried
// into another: a fixed table of standard keys, looked up in one process-wide
// set, and the maker-note groups, recognised by the maker's name.
#pragma once

#include <set>
#include <string>

namespace lumenmeta {

// The 160 standard Exif keys, spelled as Exiv2 renders a datum's key, in
// case-insensitive alphabetical order, ended by a null pointer. Only used to
// fill the set below.
extern const char* const kStandardExifKeys[];

// Number of keys in kStandardExifKeys, the ending null pointer not counted.
constexpr int kStandardExifKeyCount = 160;

// Fragments that mark a maker-note group: the point before the group name,
// then the maker's name.
constexpr const char* kMakerNoteGroups[] = {
    ".Canon", ".Fujifilm", ".Minolta", ".Nikon", ".Olympus",
    ".Panasonic", ".Pentax", ".Sigma", ".Sony",
};

// The process-wide set of standard keys: empty until the first
// EnsureStandardExifKeySet, then exactly the keys of the table.
const std::set<std::string>& StandardExifKeySet();

// Fills the set from the table unless it holds keys already. The fill runs
// once per process, also when several threads ask for it at the same time.
void EnsureStandardExifKeySet();

// Exact, case-sensitive membership of the whole key in the set. The set must
// have been ensured first.
bool IsStandardExifKey(const std::string& key);

// True when the key contains one of the maker-note fragments (case-sensitive,
// at any position).
bool IsMakerNoteKey(const std::string& key);

// A key whose values are carried from a source file into a target: a
// standard key or a maker-note key.
bool IsCarriedExifKey(const std::string& key);

}  // namespace lumenmeta
