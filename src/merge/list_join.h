// Lists grow from what the file holds: an item the host adds to a list
// (keywords, subjects, creators, supplemental categories: an XMP bag or
// sequence and its repeated IPTC dataset) joins every item the file holds
// for that list in either family, so a photo whose keywords are only in IPTC,
// given one more XMP subject, ends with the old keywords and the new one in
// both families. The host's own list keeps its order, and items the file
// holds only in the other family come before it; an item already there is
// not repeated. Where the host cleared the list before adding, its items
// replace the list in both families. An item the host replaced (the IPTC
// setters replace the first dataset) is replaced in the join too, since only
// items the other family holds and the edited one did not are joined.
#pragma once

#include "lumenmeta.h"
#include "merge/keep_untouched.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta {

// After the merge: puts the joined lists of every edited list into the
// target's XMP and IPTC (IPTC items cut to the dataset's length). `note` is
// what the target held before the edits.
void JoinEditedLists(const MetaHandle& handle, const MetadataNote& note, Exiv2::Image& target);

}  // namespace lumenmeta
