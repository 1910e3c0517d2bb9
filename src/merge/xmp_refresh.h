// The refresh of XMP from IPTC and Exif that every merge makes, done in a
// write only where it can change something.
//
// A write first brings its source file in step with the file's XMP. Around
// that step, SyncedTwins notes which twin groups it leaves in step: those
// whose XMP a conversion from IPTC and Exif would give again exactly as it
// stands. These are the groups without any datum, and the groups whose XMP
// the step itself made from Exif: none of their XMP was in the file, the
// file's XMP carried no Exif digests (with them, Exiv2 may convert the other
// way), and no IPTC dataset is among them. The refresh then converts only the
// other groups and the groups whose datums have changed since, in any
// family; for the rest the conversion would give what is there.
#pragma once

#include "merge/datum_compare.h"

#include <exiv2/exiv2.hpp>

#include <vector>

namespace lumenmeta {

class SyncedTwins {
public:
    // Before the source is brought in step with its XMP; `syncs` tells
    // whether it will be (a source without XMP is not).
    void NoteBeforeSync(const Exiv2::XmpData& xmp, bool syncs);
    // After that step, with the source's containers as it left them.
    void NoteAfterSync(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                       const Exiv2::XmpData& xmp);
    // For containers as they are now, by twin group: true for the groups a
    // refresh must convert. All of them until both notes are taken.
    std::vector<bool> GroupsToConvert(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                      const Exiv2::XmpData& xmp) const;

private:
    bool syncs_ = false;
    bool digests_ = false;
    bool noted_ = false;
    std::vector<bool> hadXmp_;  // by group, before the step
    std::vector<bool> inStep_;  // by group, after it
    DatumsByKey<Exiv2::ExifData> exif_;
    DatumsByKey<Exiv2::IptcData> iptc_;
    DatumsByKey<Exiv2::XmpData> xmp_;
};

// IPTC, then Exif, into XMP, as ConvertIptcAndExifToXmp does it. With
// `synced`, only the groups it names are converted; the XMP datums of a key
// the conversion changed are replaced at the end of the container, and all
// others stay where they are.
void RefreshXmpFromIptcAndExif(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif,
                               Exiv2::XmpData& xmp, const SyncedTwins* synced);

}  // namespace lumenmeta
