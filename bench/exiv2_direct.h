// The work of each benchmark done with Exiv2's API directly: the same reads,
// conversions and write as the library's exports, with no handle, no working
// set, no trace and no merge rules beyond replacing the keys a source holds.
// These are the baselines the exports are measured against.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta::bench {

// Opens the file, reads the ReadKeys() values as text, closes. Returns the
// total length of the texts, so the work cannot be optimised away.
size_t DirectRead(const std::string& path);

// Reads the file, brings Exif and IPTC in step with its XMP, sets the
// WriteValues(), runs the conversions between the families and writes the
// file back.
void DirectWriteInPlace(const std::string& path);

// Reads `target` and `source`, replaces in the target every key the source
// holds by the source's values, sets the WriteValues(), converts and writes
// the target.
void DirectWriteToTarget(const std::string& source, const std::string& target);

// DirectWriteToTarget with the target held in memory; returns the written
// image's bytes.
std::vector<unsigned char> DirectWriteToMemory(const std::string& source,
                                               const std::vector<unsigned char>& target);

// Opens the file, reads its metadata and walks every entry of the three
// families, making each one's key, type name, Exiv2 text and print (what
// `lumenmeta show --json` lists), closes. Returns the total length of the
// texts.
size_t DirectWalk(const std::string& path);

}  // namespace lumenmeta::bench
