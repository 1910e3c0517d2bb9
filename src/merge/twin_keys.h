// Twins: the keys of different families that Exiv2's converters keep in step
// with each other (Exif.Image.Artist, Iptc.Application2.Byline and
// Xmp.dc.creator, say). A write uses them to carry a host's edit into the
// other families and to know which values a conversion may touch.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta {

// One conversion of Exiv2's: an Exif key and an IPTC dataset (either may be
// missing) that both convert to and from one XMP property.
struct TwinRow {
    const char* exifKey;
    const char* iptcKey;
    const char* xmpKey;
};

// Every conversion Exiv2 0.27 makes between the families.
const std::vector<TwinRow>& TwinRows();

// The keys of the other families that convert to or from `key`, in any
// family; each once. Empty for a key that no conversion touches.
std::vector<std::string> TwinsOf(const std::string& key);

// True when the XMP key is `property` itself or one of its struct fields
// ("Xmp.exif.Flash/exif:Fired" belongs to "Xmp.exif.Flash").
bool IsXmpKeyOf(const std::string& key, const std::string& property);

// The Exif keys that Exiv2 writes together with a converted key: the
// reference of a GPS coordinate, the sub-seconds of a date, the date of the
// GPS time stamp.
std::vector<std::string> ExifCompanionsOf(const std::string& exifKey);

// Twin groups: the keys tied together by the rows above, directly or through
// a shared member, with the Exif companions of their Exif keys
// (Exif.Photo.DateTimeOriginal, Exif.Photo.SubSecTimeOriginal,
// Xmp.exif.DateTimeOriginal, Xmp.photoshop.DateCreated and
// Iptc.Application2.DateCreated are one group). A conversion reads the keys
// of a group together and writes only keys of that group, so groups can be
// converted one without the other. The group of a key, from 0 to
// TwinGroupCount() - 1 (an XMP struct field is in its property's group); -1
// for a key that no conversion touches.
int TwinGroupOf(const std::string& key);
int TwinGroupCount();

}  // namespace lumenmeta
