#include "save/carry_source.h"

#include "handle/sort_by_key.h"
#include "merge/container_ops.h"
#include "merge/guarded_conversion.h"
#include "save/standard_exif_keys.h"

#include <string>

namespace lumenmeta {

namespace {

// Removes, then adds, so that keys the source holds several times arrive in
// full and the target's former values for them are all gone.
template <typename Container, typename Takes>
void CarryFamily(const Container& source, Container& target, Takes takes) {
    EraseEveryDatumOfKeys(target, source, takes);
    for (const auto& datum : source) {
        const std::string key = datum.key();
        if (takes(key)) AddDatum(target, key, datum.value());
    }
}

}  // namespace

bool PrepareSourceImage(Exiv2::Image& source, SyncedTwins* synced) {
    const bool hadXmp = source.xmpData().count() != 0;
    if (synced) synced->NoteBeforeSync(source.xmpData(), hadXmp);
    if (hadXmp) {
        SyncExifWithXmp(source.exifData(), source.xmpData());
        ConvertXmpToIptc(source.xmpData(), source.iptcData());
    }
    SortByKey(source.iptcData());
    SortByKey(source.xmpData());
    if (synced) synced->NoteAfterSync(source.exifData(), source.iptcData(), source.xmpData());
    return hadXmp;
}

// As CarryFamily, with the datums copied as they are.
template <typename Container, typename Takes>
void CarryDatums(const Container& source, Container& target, Takes takes) {
    EraseEveryDatumOfKeys(target, source, takes);
    for (const auto& datum : source) {
        if (takes(datum.key())) target.add(datum);
    }
}

void CarrySourceNote(const Exiv2::Image& source, MetadataNote& note) {
    CarryDatums(source.iptcData(), note.iptc, TakeEveryKey);
    EnsureStandardExifKeySet();
    CarryDatums(source.exifData(), note.exif, IsCarriedExifKey);
    CarryDatums(source.xmpData(), note.xmp, TakeEveryKey);
}

bool CarrySourceMetadata(Exiv2::Image& source, Exiv2::Image& target, SyncedTwins* synced) {
    const bool sourceHadXmp = PrepareSourceImage(source, synced);
    if (!source.iptcData().empty()) {
        CarryFamily(source.iptcData(), target.iptcData(), TakeEveryKey);
    }
    if (!source.exifData().empty()) {
        EnsureStandardExifKeySet();
        CarryFamily(source.exifData(), target.exifData(), IsCarriedExifKey);
    }
    if (!source.xmpData().empty()) {
        CarryFamily(source.xmpData(), target.xmpData(), TakeEveryKey);
    }
    return sourceHadXmp;
}

}  // namespace lumenmeta
