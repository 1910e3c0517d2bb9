#include "merge/xmp_refresh.h"

#include "merge/container_ops.h"
#include "merge/guarded_conversion.h"
#include "merge/same_meaning.h"
#include "merge/twin_keys.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

template <typename ByKey>
void MarkGroupsHoldingEmpty(const ByKey& datums, std::vector<bool>& groups) {
    for (const auto& entry : datums) {
        for (const auto& datum : entry.second) {
            if (IsEmptyMeaning(datum.toString())) groups[TwinGroupOf(entry.first)] = true;
        }
    }
}

// The Exif keys each XMP property is converted from.
const std::unordered_map<std::string, std::vector<const char*>>& ExifSourcesOf() {
    static const auto sources = [] {
        std::unordered_map<std::string, std::vector<const char*>> byProperty;
        for (const TwinRow& row : TwinRows()) {
            if (row.exifKey) byProperty[row.xmpKey].push_back(row.exifKey);
        }
        return byProperty;
    }();
    return sources;
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
    const int count = TwinGroupCount();
    std::vector<bool> held(count, false), heldIptc(count, false);
    MarkGroupsHeld(exif_, held);
    MarkGroupsHeld(xmp_, held);
    MarkGroupsHeld(iptc_, heldIptc);
    // Without both digests Exiv2 converted Exif into the XMP that was
    // missing: that XMP is exactly what a conversion from Exif gives. With
    // them it converted one way or the other (Exif over all XMP when the
    // digests no longer matched the Exif, XMP into Exif when they did), so a
    // group counts as in step only where each side has its twin and no value
    // is empty: a conversion from Exif would then create nothing, and give
    // back what each value means. (An empty value on one side is kept by the
    // step, and would take its twin's text in a later conversion.)
    const bool intoMissingXmp = syncs_ && !digests_;
    const bool eitherWay = syncs_ && digests_;
    std::vector<bool> holdsEmpty(count, false);
    if (eitherWay) {
        MarkGroupsHoldingEmpty(exif_, holdsEmpty);
        MarkGroupsHoldingEmpty(xmp_, holdsEmpty);
    }
    std::unordered_set<std::string> properties;
    for (const auto& entry : xmp_) properties.insert(entry.first.substr(0, entry.first.find('/')));
    // Per group: every Exif key a conversion starts from has its XMP twin;
    // every XMP property has an Exif twin.
    std::vector<bool> exifCovered(count, true), xmpFromExif(count, true);
    for (const TwinRow& row : TwinRows()) {
        if (row.exifKey && exif_.count(row.exifKey) != 0 && properties.count(row.xmpKey) == 0) {
            exifCovered[TwinGroupOf(row.xmpKey)] = false;
        }
    }
    for (const std::string& property : properties) {
        const auto sources = ExifSourcesOf().find(property);
        bool sourced = false;
        if (sources != ExifSourcesOf().end()) {
            for (const char* exifKey : sources->second) sourced = sourced || exif_.count(exifKey) != 0;
        }
        if (!sourced) xmpFromExif[TwinGroupOf(property)] = false;
    }
    inStepForRefresh_.assign(count, false);
    inStepForMirror_.assign(count, false);
    for (int group = 0; group < count; ++group) {
        const bool empty = !held[group] && !heldIptc[group];
        const bool madeFromExif = !heldIptc[group] && ((intoMissingXmp && !hadXmp_[group]) ||
                                                       (eitherWay && exifCovered[group] && !holdsEmpty[group]));
        inStepForRefresh_[group] = empty || madeFromExif;
        inStepForMirror_[group] = empty || (madeFromExif && xmpFromExif[group]);
    }
    noted_ = true;
}

std::vector<bool> SyncedTwins::GroupsToRefresh(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                               const Exiv2::XmpData& xmp) const {
    return Changed(inStepForRefresh_, exif, iptc, xmp);
}

std::vector<bool> SyncedTwins::GroupsToMirror(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                              const Exiv2::XmpData& xmp) const {
    return Changed(inStepForMirror_, exif, iptc, xmp);
}

std::vector<bool> SyncedTwins::Changed(const std::vector<bool>& inStep, const Exiv2::ExifData& exif,
                                       const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp) const {
    if (!noted_) return std::vector<bool>(TwinGroupCount(), true);
    std::vector<bool> convert(TwinGroupCount());
    for (int group = 0; group < TwinGroupCount(); ++group) convert[group] = !inStep[group];
    MarkChangedGroups(exif_, PointDatums(exif, InGroup), convert);
    MarkChangedGroups(iptc_, PointDatums(iptc, InGroup), convert);
    MarkChangedGroups(xmp_, PointDatums(xmp, InGroup), convert);
    return convert;
}

void SyncedTwins::NoteRefreshed(const std::vector<bool>& madeFromExif, const Exiv2::ExifData& exif,
                                const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp) {
    if (!noted_ || std::none_of(madeFromExif.begin(), madeFromExif.end(), [](bool each) { return each; })) {
        return;
    }
    const auto made = [&madeFromExif](const std::string& key) {
        const int group = TwinGroupOf(key);
        return group >= 0 && madeFromExif[group];
    };
    // The note of those groups becomes their datums now.
    const auto renote = [&made](auto& noted, const auto& now) {
        for (auto entry = noted.begin(); entry != noted.end();) {
            entry = made(entry->first) ? noted.erase(entry) : std::next(entry);
        }
        for (auto& entry : CopyDatums(now, made)) noted.insert(std::move(entry));
    };
    renote(exif_, exif);
    renote(iptc_, iptc);
    renote(xmp_, xmp);
    for (int group = 0; group < TwinGroupCount(); ++group) {
        if (madeFromExif[group]) inStepForMirror_[group] = true;
    }
}

void RefreshXmpFromIptcAndExif(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif,
                               Exiv2::XmpData& xmp, SyncedTwins* synced) {
    if (!synced) {
        ConvertIptcAndExifToXmp(iptc, exif, xmp);
        return;
    }
    const std::vector<bool> convert = synced->GroupsToRefresh(exif, iptc, xmp);
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
        const int group = TwinGroupOf(datum.key());
        if (group < 0 || convert[group]) exifPart.add(datum);
    }
    Exiv2::XmpData xmpPart;
    // The groups converted from Exif alone: no XMP before, no IPTC.
    std::vector<bool> madeFromExif = convert;
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const std::string key = datum.key();
        if (!converted(key)) continue;
        xmpPart.add(datum);
        madeFromExif[TwinGroupOf(key)] = false;
    }
    for (const Exiv2::Iptcdatum& datum : iptc) {
        const int group = TwinGroupOf(datum.key());
        if (group >= 0) madeFromExif[group] = false;
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
    synced->NoteRefreshed(madeFromExif, exif, iptc, xmp);
}

}  // namespace lumenmeta
