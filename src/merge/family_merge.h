// Carrying one metadata family from a source container into a target: every
// key the source holds replaces, with all its occurrences, what the target
// holds under that key; other keys of the target stay as they are. The Exif
// merge takes only the standard Exif keys. Each datum added is traced.
//
// These raise Exiv2's error when the clearing pass or a read of the source
// fails; the adding of one datum is guarded and only traced. The exported
// MergeMetaDataExif, MergeMetaDataIptc and MergeMetaDataXmp wrap them so that
// nothing escapes to the host.
#pragma once

#include <exiv2/exiv2.hpp>

#include <set>
#include <string>

namespace lumenmeta {

// `alsoTaken`, when given, names keys taken even though they are not
// standard Exif keys (the keys a host set). `forWrite` leaves the datums of a
// key where they are when the target already holds exactly the source's
// (their place in the container is all that would change, and Exif does not
// keep it), which saves a write most of the merge's work.
void MergeExifData(const Exiv2::ExifData& source, Exiv2::ExifData& target,
                   const std::set<std::string>* alsoTaken = nullptr, bool forWrite = false);
void MergeIptcData(const Exiv2::IptcData& source, Exiv2::IptcData& target);
void MergeXmpData(const Exiv2::XmpData& source, Exiv2::XmpData& target);

}  // namespace lumenmeta
