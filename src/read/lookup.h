// Finding the datum a read asks for in a handle's working containers. Every
// getter finds its datum through these functions, so one key gives the same
// datum whichever getter reads it.
//
// Each function builds an Exiv2 key from `key` and throws Exiv2's error for a
// key Exiv2 rejects (a family not spelled "Exif", "Iptc" or "Xmp", an unknown
// group or tag); the callers turn that into their failure result.
#pragma once

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// The first Exif datum with `key`, or null when there is none or its value
// is empty. Exif keys have no occurrence index.
const Exiv2::Exifdatum* FindExifValue(const Exiv2::ExifData& data, const char* key);

// The XMP datum for occurrence `index` of `key`, counted in container order
// from the first datum with the key. A position qualifies when its key equals
// `key` byte for byte and its value is not empty; it is taken when it is
// position `index`, or at any position when its value is a bag (the index
// then selects an element of that bag, which the caller renders). Null when
// no position is taken; always null for a negative index.
const Exiv2::Xmpdatum* FindXmpOccurrence(const Exiv2::XmpData& data, const char* key, int index);

// Whether a dataset with an empty value counts as found.
enum class EmptyIptcValue { NotFound, Found };

// The IPTC dataset at position `index` counted from the first dataset with
// `key`, when that position still carries `key` byte for byte (so repeated
// datasets are reachable while they stand next to each other, as the sort at
// open leaves them). Null otherwise, for a negative index, and for an empty
// value when `empty` says so.
const Exiv2::Iptcdatum* FindIptcOccurrence(const Exiv2::IptcData& data, const char* key, int index,
                                           EmptyIptcValue empty);

}  // namespace lumenmeta
