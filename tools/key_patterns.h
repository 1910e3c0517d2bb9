// Keys named by pattern: a glob over the keys a file holds
// ('Exif.GPSInfo.*', 'Xmp.exif.GPS*'), a whole group (Exif.GPSInfo,
// Xmp.xmpMM), and the GPS keys of every family.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta_tool {

// Whether `word` names keys by pattern: a family and a group ("Exif.GPSInfo",
// every key of the group), or a family followed by a glob with *, ? or [...].
bool IsKeyPattern(const std::string& word);

// The keys of `held` that `pattern` matches, in their order. A glob matches
// the whole key, "/" and "[" included, so 'Xmp.xmpMM.*' takes the fields of
// its structs too.
std::vector<std::string> MatchingKeys(const std::string& pattern,
                                      const std::vector<std::string>& held);

// Whether `key` records where the photo was taken or where the camera
// pointed: every Exif GPS tag (position, altitude, direction, speed, GPS
// time and date stamps, ...), their XMP twins (Xmp.exif.GPS*) and the GPS
// properties of XMP's Exif 2.3 namespace (Xmp.exifEX.GPSHPositioningError).
bool IsGpsKey(const std::string& key);

}  // namespace lumenmeta_tool
