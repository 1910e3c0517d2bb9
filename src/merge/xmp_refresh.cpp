#include "merge/xmp_refresh.h"

#include "merge/container_ops.h"
#include "merge/guarded_conversion.h"
#include "merge/twin_keys.h"

#include <algorithm>
#include <string>

namespace lumenmeta {

namespace {

bool InGroup(const std::string& key) { return TwinGroupOf(key) >= 0; }
bool AnyKey(const std::string&) { return true; }

// Marks the group of every key that differs between the two.
template <typename Before, typename After>
void MarkChangedGroups(const Before& before, const After& after, std::vector<bool>& groups) {
    ForEachChangedKey(before, after, [&groups](const std::string& key) { groups[TwinGroupOf(key)] = true; });
}

template <typename ByKey>
void MarkGroupsHeld(const ByKey& datums, std::vector<bool>& groups) {
    for (const auto& entry : datums) groups[TwinGroupOf(entry.first)] = true;
}

}  // namespace

void SyncedTwins::NoteBeforeSync(const Exiv2::XmpData& xmp, bool syncs) {
    syncs_ = syncs;
    noted_ = false;
    hadXmp_.assign(TwinGroupCount(), false);
    bool tiffDigest = false, exifDigest = false;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const std::string key = datum.key();
        tiffDigest = tiffDigest || key == "Xmp.tiff.NativeDigest";
        exifDigest = exifDigest || key == "Xmp.exif.NativeDigest";
        const int group = TwinGroupOf(key);
        if (group >= 0) hadXmp_[group] = true;
    }
    digests_ = tiffDigest && exifDigest;
}

void SyncedTwins::NoteAfterSync(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                const Exiv2::XmpData& xmp) {
    exif_ = CopyDatums(exif, InGroup);
    iptc_ = CopyDatums(iptc, InGroup);
    xmp_ = CopyDatums(xmp, InGroup);
    std::vector<bool> held(TwinGroupCount(), false), heldIptc(TwinGroupCount(), false);
    MarkGroupsHeld(exif_, held);
    MarkGroupsHeld(xmp_, held);
    MarkGroupsHeld(iptc_, heldIptc);
    const bool madeFromExif = syncs_ && !digests_;
    inStep_.assign(TwinGroupCount(), false);
    for (int group = 0; group < TwinGroupCount(); ++group) {
        const bool empty = !held[group] && !heldIptc[group];
        inStep_[group] = empty || (madeFromExif && !hadXmp_[group] && !heldIptc[group]);
    }
    noted_ = true;
}

std::vector<bool> SyncedTwins::GroupsToConvert(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                               const Exiv2::XmpData& xmp) const {
    if (!noted_) return std::vector<bool>(TwinGroupCount(), true);
    std::vector<bool> convert(TwinGroupCount());
    for (int group = 0; group < TwinGroupCount(); ++group) convert[group] = !inStep_[group];
    MarkChangedGroups(exif_, PointDatums(exif, InGroup), convert);
    MarkChangedGroups(iptc_, PointDatums(iptc, InGroup), convert);
    MarkChangedGroups(xmp_, PointDatums(xmp, InGroup), convert);
    return convert;
}

void RefreshXmpFromIptcAndExif(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif,
                               Exiv2::XmpData& xmp, const SyncedTwins* synced) {
    if (!synced) {
        ConvertIptcAndExifToXmp(iptc, exif, xmp);
        return;
    }
    const std::vector<bool> convert = synced->GroupsToConvert(exif, iptc, xmp);
    if (std::none_of(convert.begin(), convert.end(), [](bool each) { return each; })) return;
    const auto converted = [&convert](const std::string& key) {
        const int group = TwinGroupOf(key);
        return group >= 0 && convert[group];
    };
    // The conversion sees all IPTC (its groups left in step hold none) and all
    // Exif but that of the groups left in step, and writes into the XMP of
    // the groups it converts.
    Exiv2::ExifData exifPart;
    for (const Exiv2::Exifdatum& datum : exif) {
        const std::string key = datum.key();
        if (TwinGroupOf(key) < 0 || converted(key)) exifPart.add(datum);
    }
    Exiv2::XmpData xmpPart;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        if (converted(datum.key())) xmpPart.add(datum);
    }
    const DatumsByKey<Exiv2::XmpData> before = CopyDatums(xmpPart, AnyKey);
    ConvertIptcAndExifToXmp(iptc, exifPart, xmpPart);
    detail::MatchKeySet<Exiv2::XmpData> changed;
    ForEachChangedKey(before, PointDatums(xmpPart, AnyKey), [&changed](const std::string& key) {
        changed.insert(key);
    });
    detail::EraseMatching(xmp, changed);
    for (const Exiv2::Xmpdatum& datum : xmpPart) {
        if (changed.count(datum.key()) != 0) xmp.add(datum);
    }
}

}  // namespace lumenmeta
