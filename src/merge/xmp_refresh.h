// The refresh of XMP from IPTC and Exif that every merge makes, done in a
// write only where it can change something.
//
// A write first brings its source file in step with the file's XMP. Around
// that step, SyncedTwins notes which twin groups it leaves in step: those
// whose XMP a conversion from IPTC and Exif would give again as it stands.
// These are the groups without any datum; with no IPTC dataset among them,
// the groups whose XMP the step made from their Exif (a file without Exif
// digests in its XMP gets the XMP it was missing); and, when the digests are
// there (Exiv2 then converts Exif over the XMP, or the XMP into Exif), the
// groups where every Exif value has its XMP twin. The refresh then converts
// only the other groups and the groups whose datums have changed since, in
// any family.
//
// The mirroring of XMP into Exif skips the same groups when each of their
// XMP properties has its Exif twin: the conversion would give back the Exif
// they came from. A property without one (an XMP rating, say) is still
// carried into Exif. It also skips the groups whose XMP the refresh itself
// made from Exif alone (they had no XMP before it, and no IPTC), unless
// they change again before the mirroring.
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
    // For containers as they are now, by twin group: true for the groups
    // the refresh of XMP, or the mirroring of XMP into Exif, must convert.
    // All of them until both notes are taken.
    std::vector<bool> GroupsToRefresh(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                      const Exiv2::XmpData& xmp) const;
    std::vector<bool> GroupsToMirror(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                     const Exiv2::XmpData& xmp) const;
    // After a refresh that converted `madeFromExif` alone from Exif into
    // groups without XMP or IPTC, with the containers as it left them: those
    // groups are in step for the mirroring.
    void NoteRefreshed(const std::vector<bool>& madeFromExif, const Exiv2::ExifData& exif,
                       const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp);

private:
    // The groups not in step, and those whose datums differ from the note.
    std::vector<bool> Changed(const std::vector<bool>& inStep, const Exiv2::ExifData& exif,
                              const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp) const;
    bool syncs_ = false;
    bool noted_ = false;
    bool digests_ = false;  // the XMP held both Exif digests before the step
    std::vector<bool> hadXmp_;  // by group, before the step
    std::vector<bool> inStepForRefresh_, inStepForMirror_;  // by group, after it
    DatumsByKey<Exiv2::ExifData> exif_;
    DatumsByKey<Exiv2::IptcData> iptc_;
    DatumsByKey<Exiv2::XmpData> xmp_;
};

// IPTC, then Exif, into XMP, as ConvertIptcAndExifToXmp does it. With
// `synced`, only the groups it names are converted; the XMP datums of a key
// the conversion changed are replaced at the end of the container, and all
// others stay where they are. What the refresh made from Exif alone is noted
// in `synced`.
void RefreshXmpFromIptcAndExif(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif,
                               Exiv2::XmpData& xmp, SyncedTwins* synced);

}  // namespace lumenmeta
