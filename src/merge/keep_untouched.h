// The last step of a write's merge: a write changes what it was asked to
// change and nothing else.
//
// Before the merge, the writer notes what the target would hold with no edit
// at all: the file as read for a write in place, or the target file with the
// source's metadata carried in, as the source file holds it, for a write
// into another file. After the merge and its conversions, every key that the
// host neither edited nor cleared, and that is no twin of such a key, gets
// back exactly the datums of that note, in every family, even where the
// file's families disagree with each other. A key the note does not hold is
// a twin that a conversion added: it stays only when it is valid where it
// landed (see merge/added_twins.h). The date passes then run again, without
// trace, so that a date they removed stays removed; the IPTC text rules run
// again; the XMP is sorted by key with array items in the order of their
// index.
#pragma once

#include "lumenmeta.h"
#include "merge/datum_compare.h"

#include <exiv2/exiv2.hpp>

#include <set>
#include <string>
#include <vector>

namespace lumenmeta {

// The three containers as a write found them.
struct MetadataNote {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
};

MetadataNote NoteOf(const Exiv2::Image& image);

// The note's datums by key, family by family.
struct NoteIndex {
    explicit NoteIndex(const MetadataNote& note);
    DatumPointersByKey<Exiv2::ExifData> exif;
    DatumPointersByKey<Exiv2::IptcData> iptc;
    DatumPointersByKey<Exiv2::XmpData> xmp;
};

// The keys a write may change: those the host edited or cleared, the XMP
// fields and items of such a property, every key of their twin groups, and
// the Exif key of an edited private mirror key. A key whose datums in the
// handle's working set are not those of `note` counts as edited too: a C++
// host may change the containers of the handle directly.
class TouchedKeys {
public:
    TouchedKeys(const MetaHandle& handle, const NoteIndex& note);
    bool operator()(const std::string& key) const;
    // False when no XMP key can be touched: the host edited nothing that has
    // XMP or an XMP twin.
    bool TouchesXmp() const;

private:
    void Touch(const std::string& key);
    std::set<std::string> keys_;
    std::vector<std::string> xmpProperties_;
    std::vector<bool> groups_;
};

// Puts back every key of `note` that `handle` leaves untouched into `target`
// and keeps only valid added twins.
void KeepUntouchedValues(const MetaHandle& handle, const MetadataNote& note, Exiv2::Image& target);

}  // namespace lumenmeta
