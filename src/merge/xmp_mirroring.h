// Mirroring of a target image's XMP into its Exif and IPTC at the end of a
// merge. Exif receives the XMP texts as UTF-8; the host's own copies of the Exif description, copyright and artist
// (kept in the private namespace) override what Exif gets from the Dublin
// Core properties; the IPTC envelope is marked as UTF-8 when XMP holds
// properties that Exiv2 converts into IPTC text; then XMP is converted into
// IPTC. The XMP itself is not changed.
#pragma once

#include "merge/xmp_refresh.h"

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// A private-namespace key whose text is mirrored into Exif, and the Dublin
// Core key whose conversion carries it there.
struct ExifMirrorKey {
    const char* privateKey;
    const char* dublinCoreKey;
};

constexpr ExifMirrorKey kExifMirrorKeys[] = {
    {"Xmp.Lumenframe.Exif.Image.ImageDescription", "Xmp.dc.description"},
    {"Xmp.Lumenframe.Exif.Image.Copyright", "Xmp.dc.rights"},
    {"Xmp.Lumenframe.Exif.Image.Artist", "Xmp.dc.creator"},
};

// The IPTC dataset and bytes (ESC % G) that declare the IPTC text UTF-8.
constexpr const char* kIptcCharacterSetKey = "Iptc.Envelope.CharacterSet";
constexpr const char kIptcUtf8Marker[] = "\x1b%G";

// True when the presence of the XMP property sets the UTF-8 marker: any
// "Xmp.iptc." or "Xmp.photoshop." property, and Xmp.dc.title, subject,
// creator, rights and description (ASCII case ignored).
bool IsIptcMarkerXmpKey(const std::string& key);

// Runs the mirroring on one image's containers. An item that cannot be
// assigned is reported with "Can't write metadata to xmp Block" on the
// standard error stream and skipped; errors of Exiv2's converters and of
// setting the marker are raised. With `synced`, the twin groups it names as
// left in step are not converted into Exif (see merge/xmp_refresh.h).
void MirrorXmp(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif, Exiv2::IptcData& iptc,
               const SyncedTwins* synced = nullptr);

}  // namespace lumenmeta
