#include "merge/edits_win.h"

#include "merge/added_twins.h"
#include "merge/container_ops.h"
#include "merge/iptc_text.h"
#include "merge/twin_keys.h"
#include "merge/xmp_dates.h"
#include "merge/xmp_mirroring.h"

#include <cstring>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

enum class Family { none, iptc, exif, xmp };  // in the order their edits win

Family FamilyOf(const std::string& key) {
    if (key.compare(0, 5, "Exif.") == 0) return Family::exif;
    if (key.compare(0, 5, "Iptc.") == 0) return Family::iptc;
    if (key.compare(0, 4, "Xmp.") == 0) return Family::xmp;
    return Family::none;
}

bool IsDateCheckedKey(const std::string& key) {
    return key.find("DateTime") != std::string::npos || key.find("SubSecTime") != std::string::npos ||
           key.find("GPSTimeStamp") != std::string::npos;
}

// Removes `key` from the target's container of its family; an XMP key takes
// its struct fields with it.
void EraseFromTarget(Exiv2::Image& target, const std::string& key) {
    try {
        switch (FamilyOf(key)) {
            case Family::exif:
                EraseEveryDatum(target.exifData(), key);
                break;
            case Family::iptc:
                EraseEveryDatum(target.iptcData(), key);
                break;
            case Family::xmp: {
                Exiv2::XmpData& xmp = target.xmpData();
                for (auto datum = xmp.begin(); datum != xmp.end();) {
                    datum = IsXmpKeyOf(datum->key(), key) ? xmp.erase(datum) : std::next(datum);
                }
                break;
            }
            case Family::none:
                break;
        }
    } catch (const Exiv2::AnyError&) {
        // A key Exiv2 does not know is in no container.
    }
}

template <typename Container>
Container DatumsOf(const Container& source, const std::string& key) {
    Container picked;
    for (const auto& datum : source) {
        const std::string datumKey = datum.key();
        if (datumKey == key || (FamilyOf(key) == Family::xmp && IsXmpKeyOf(datumKey, key))) picked.add(datum);
    }
    return picked;
}

// Replaces, key by key, the target's values with the converted ones.
template <typename Container>
void PutConverted(Exiv2::Image& target, Container& converted, Container& into) {
    std::vector<std::string> keys;
    for (const auto& datum : converted) {
        const std::string key = datum.key();
        if (key.find("NativeDigest") != std::string::npos || key == kIptcCharacterSetKey) continue;
        if (keys.empty() || keys.back() != key) keys.push_back(key);
    }
    for (const std::string& key : keys) EraseFromTarget(target, key);
    for (const auto& datum : converted) {
        const std::string key = datum.key();
        if (key.find("NativeDigest") != std::string::npos || key == kIptcCharacterSetKey) continue;
        into.add(datum);
    }
}

void PutIptcConverted(Exiv2::Image& target, Exiv2::IptcData& converted) {
    for (Exiv2::Iptcdatum& datum : converted) {
        if (datum.typeId() != Exiv2::string) continue;
        datum.setValue(CutIptcText(datum.toString(), IptcMaxBytes(datum.tag(), datum.record())));
    }
    PutConverted(target, converted, target.iptcData());
}

// True when `key` has a twin in the family whose keys start with `prefix`.
bool HasTwinIn(const std::string& key, const char* prefix) {
    for (const std::string& twin : TwinsOf(key)) {
        if (twin.compare(0, std::string(prefix).size(), prefix) == 0) return true;
    }
    return false;
}

bool AnyKeyHasTwinIn(const Exiv2::XmpData& xmp, const char* prefix) {
    for (const auto& datum : xmp) {
        if (HasTwinIn(datum.key(), prefix)) return true;
    }
    return false;
}

void PutExifFromXmp(Exiv2::Image& target, const Exiv2::XmpData& xmp) {
    if (!AnyKeyHasTwinIn(xmp, "Exif.")) return;
    Exiv2::ExifData exif;
    Exiv2::copyXmpToExif(xmp, exif);
    for (const char* date : {"Exif.Image.DateTime", "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized"}) {
        if (exif.findKey(Exiv2::ExifKey(date)) != exif.end()) RewriteDateFromXmp(xmp, date, exif);
    }
    PutConverted(target, exif, target.exifData());
}

void PutIptcFromXmp(Exiv2::Image& target, const Exiv2::XmpData& xmp) {
    if (!AnyKeyHasTwinIn(xmp, "Iptc.")) return;
    Exiv2::IptcData iptc;
    Exiv2::copyXmpToIptc(xmp, iptc);
    PutIptcConverted(target, iptc);
}

// Puts the host's datums of `key` into `into` in place of the target's, and
// returns them; none when the handle holds none.
template <typename Container>
Container PutEdited(Exiv2::Image& target, const Container& from, Container& into, const std::string& key) {
    Container edited = DatumsOf(from, key);
    if (edited.empty()) return edited;
    EraseFromTarget(target, key);
    for (const auto& datum : edited) into.add(datum);
    return edited;
}

// Carries the host's value of `key` into the target and its twins.
void CarryEdit(const MetaHandle& handle, Exiv2::Image& target, const std::string& key) {
    const bool hasTwins = !TwinsOf(key).empty();
    switch (FamilyOf(key)) {
        case Family::exif: {
            Exiv2::ExifData edited = PutEdited(target, handle.exifData, target.exifData(), key);
            if (edited.empty() || !hasTwins) return;
            for (const std::string& companion : ExifCompanionsOf(key)) {
                const auto found = target.exifData().findKey(Exiv2::ExifKey(companion));
                if (found != target.exifData().end()) edited.add(*found);
            }
            Exiv2::XmpData xmp;
            Exiv2::copyExifToXmp(edited, xmp);
            PutConverted(target, xmp, target.xmpData());
            PutIptcFromXmp(target, xmp);
            break;
        }
        case Family::iptc: {
            const Exiv2::IptcData edited = PutEdited(target, handle.iptcData, target.iptcData(), key);
            if (edited.empty() || !hasTwins) return;
            Exiv2::XmpData xmp;
            Exiv2::copyIptcToXmp(Utf8IptcCopy(edited), xmp, "UTF-8");
            PutConverted(target, xmp, target.xmpData());
            PutExifFromXmp(target, xmp);
            break;
        }
        case Family::xmp: {
            const Exiv2::XmpData edited = PutEdited(target, handle.xmpData, target.xmpData(), key);
            if (edited.empty()) return;
            PutExifFromXmp(target, edited);
            PutIptcFromXmp(target, edited);
            break;
        }
        case Family::none:
            break;
    }
}

// True when the containers hold `key`.
bool Holds(const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc, const Exiv2::XmpData& xmp,
           const std::string& key) {
    try {
        switch (FamilyOf(key)) {
            case Family::exif:
                return exif.findKey(Exiv2::ExifKey(key)) != exif.end();
            case Family::iptc:
                return iptc.findKey(Exiv2::IptcKey(key)) != iptc.end();
            case Family::xmp:
                return xmp.findKey(Exiv2::XmpKey(key)) != xmp.end();
            case Family::none:
                break;
        }
    } catch (const Exiv2::AnyError&) {
        // A key Exiv2 does not know is in no container.
    }
    return false;
}

// True when a twin of `key` in a family whose edits win over those of `key`'s
// family was edited too.
bool OutrankedByTwin(const MetaHandle& handle, const std::string& key) {
    for (const std::string& twin : TwinsOf(key)) {
        if (handle.editedKeys.count(twin) != 0 && FamilyOf(twin) > FamilyOf(key)) return true;
    }
    return false;
}

// The text of the first datum of `key` in `data`, or empty.
template <typename Container>
std::string FirstText(const Container& data, const std::string& key) {
    for (const auto& datum : data) {
        if (datum.key() == key) return datum.toString();
    }
    return std::string();
}

// An edited Exif date or its sub-seconds reaches the XMP properties that
// hold the same date, with the sub-seconds as set and the zone offset they
// held (or the Exif offset tag's, where the photo has one), unless the host
// set one of them itself: XMP edits win.
void CarryEditedDates(const MetaHandle& handle, Exiv2::Image& target) {
    for (const ExifDateTwins& date : kExifDateTwins) {
        if (handle.editedKeys.count(date.exifKey) == 0 && handle.editedKeys.count(date.subSecondKey) == 0) continue;
        if (handle.editedKeys.count(date.xmpKeys[0]) != 0 || handle.editedKeys.count(date.xmpKeys[1]) != 0) continue;
        const std::string exifDate = FirstText(target.exifData(), date.exifKey);
        if (!IsValidExifDateTime(exifDate)) continue;
        const std::string subSeconds = FirstText(target.exifData(), date.subSecondKey);
        const std::string exifOffset = FirstText(target.exifData(), date.offsetKey);
        for (const char* xmpKey : date.xmpKeys) {
            const std::string held = FirstText(handle.xmpData, xmpKey);
            if (held.empty() && FirstText(target.xmpData(), xmpKey).empty() && xmpKey != date.xmpKeys[0]) continue;
            const std::string offset = XmpDateOffset("T" + exifOffset).empty() ? XmpDateOffset(held) : exifOffset;
            std::string carried = XmpDateFromExif(exifDate, subSeconds, offset);
            // A twin that held a year, a month or a day alone keeps that
            // precision: it dates the day, not the moment.
            if (held.find('T') == std::string::npos &&
                (held.size() == 4 || held.size() == 7 || held.size() == 10)) {
                carried.resize(held.size());
            }
            EraseFromTarget(target, xmpKey);
            target.xmpData()[xmpKey] = carried;
        }
    }
}

// A private mirror key is the host's instruction for its Exif key: where the
// host set it, or set the Dublin Core twin while the handle holds it, its
// text wins in Exif over the Dublin Core one, unless the host set the Exif
// key itself.
void CarryEditedMirrorKeys(const MetaHandle& handle, Exiv2::Image& target) {
    for (const ExifMirrorKey& row : kExifMirrorKeys) {
        const std::string exifKey = row.privateKey + std::strlen("Xmp.Lumenframe.");
        const auto held = handle.xmpData.findKey(Exiv2::XmpKey(row.privateKey));
        if (held == handle.xmpData.end() || handle.editedKeys.count(exifKey) != 0) continue;
        if (handle.editedKeys.count(row.privateKey) == 0 && handle.editedKeys.count(row.dublinCoreKey) == 0) continue;
        Exiv2::XmpData mirror;
        const Exiv2::TypeId type = held->typeId();
        const bool array = type == Exiv2::xmpBag || type == Exiv2::xmpSeq || type == Exiv2::xmpAlt;
        for (long item = 0; item < (array ? held->count() : 1); ++item) {
            mirror[row.dublinCoreKey] = held->toString(item);
        }
        Exiv2::ExifData exif;
        Exiv2::copyXmpToExif(mirror, exif);
        PutConverted(target, exif, target.exifData());
    }
}

}  // namespace

void ApplyEditsToTwins(const MetaHandle& handle, Exiv2::Image& target) {
    for (const std::string& cleared : handle.deletedKeys) {
        // Only a key whose family is spelled exactly is cleared, as in the
        // removal passes before; a key set again after it was cleared is an
        // edit.
        if (FamilyOf(cleared) == Family::none ||
            Holds(handle.exifData, handle.iptcData, handle.xmpData, cleared)) continue;
        EraseFromTarget(target, cleared);
        for (const std::string& twin : TwinsOf(cleared)) {
            if (handle.editedKeys.count(twin) == 0) EraseFromTarget(target, twin);
        }
    }
    for (Family family : {Family::iptc, Family::exif, Family::xmp}) {
        for (const std::string& edited : handle.editedKeys) {
            if (FamilyOf(edited) != family || OutrankedByTwin(handle, edited)) continue;
            // A date the date passes removed as invalid stays removed.
            if (IsDateCheckedKey(edited) && !Holds(target.exifData(), target.iptcData(), target.xmpData(), edited)) continue;
            try {
                CarryEdit(handle, target, edited);
            } catch (const Exiv2::AnyError&) {
                // A value Exiv2 cannot convert stays in its own family only.
            }
        }
    }
    CarryEditedDates(handle, target);
    CarryEditedMirrorKeys(handle, target);
    NormalizeIptcText(target.iptcData());
}

}  // namespace lumenmeta
