#include "merge/guarded_conversion.h"

#include "merge/container_ops.h"
#include "merge/datum_compare.h"
#include "merge/iptc_text.h"
#include "merge/same_meaning.h"
#include "merge/twin_keys.h"
#include "merge/xmp_dates.h"
#include "merge/xmp_mirroring.h"
#include "merge/xmp_to_iptc.h"

#include <string>
#include <vector>

namespace lumenmeta {

namespace {

bool Watches(const Exiv2::ExifData&, const std::string& key) { return IsConvertedExifKey(key); }
bool Watches(const Exiv2::IptcData&, const std::string& key) { return IsConvertedIptcKey(key); }
bool Watches(const Exiv2::XmpData&, const std::string& key) { return IsConvertedXmpKey(key); }

// The datums of every key a conversion may write, by key, in container order.
template <typename Container>
using Watched = DatumsByKey<Container>;

template <typename Container>
Watched<Container> Collect(const Container& data) {
    return CopyDatums(data, [&data](const std::string& key) { return Watches(data, key); });
}

template <typename Container>
using Current = DatumPointersByKey<Container>;

template <typename Container>
Current<Container> Pointers(const Container& data) {
    return PointDatums(data, [&data](const std::string& key) { return Watches(data, key); });
}

using detail::Deref;

template <typename Each>
bool EmptyMeaning(const std::vector<Each>& datums) {
    for (const auto& datum : datums) {
        if (!IsEmptyMeaning(Deref(datum).toString())) return false;
    }
    return true;
}

template <typename Each>
std::vector<std::string> Texts(const std::vector<Each>& datums) {
    std::vector<std::string> texts;
    for (const auto& datum : datums) texts.push_back(Deref(datum).toString());
    return texts;
}

void AddCopy(Exiv2::ExifData& data, const Exiv2::Exifdatum& datum) { data.add(datum); }
void AddCopy(Exiv2::IptcData& data, const Exiv2::Iptcdatum& datum) { data.add(datum); }
void AddCopy(Exiv2::XmpData& data, const Exiv2::Xmpdatum& datum) { data.add(datum); }

template <typename Container>
void Replace(Container& data, const std::string& key, const std::vector<DatumOf<Container>>& datums) {
    EraseEveryDatum(data, key);
    for (const auto& datum : datums) AddCopy(data, datum);
}

// Puts back what a conversion should not have changed; see the header. The
// decisions are taken first, on the container as the conversion left it;
// the changes follow.
template <typename Container>
void Reconcile(Container& data, const Watched<Container>& before) {
    using Datum = DatumOf<Container>;
    static const std::vector<Datum> none;
    static const std::vector<const Datum*> nothing;
    std::vector<std::pair<std::string, const std::vector<Datum>*>> putBack;
    {
        const Current<Container> after = Pointers(data);
        const auto decide = [&](const std::string& key, const std::vector<Datum>& old,
                                const std::vector<const Datum*>& current) {
            if (SameDatums(old, current)) return;
            if (EmptyMeaning(current)) {
                putBack.emplace_back(key, &old);  // nothing erased, nothing empty carried
            } else if (!EmptyMeaning(old) && SameItems(key, Texts(old), Texts(current))) {
                putBack.emplace_back(key, &old);
            }
        };
        for (const auto& [key, old] : before) {
            const auto now = after.find(key);
            decide(key, old, now == after.end() ? nothing : now->second);
        }
        for (const auto& [key, current] : after) {
            if (before.count(key) == 0) decide(key, none, current);
        }
    }
    for (const auto& [key, old] : putBack) Replace(data, key, *old);
}

std::string TextOf(const std::vector<Exiv2::Exifdatum>& datums) {
    return datums.empty() ? std::string() : datums.front().toString();
}

// Exif dates that the conversion from `xmp` changed, with their sub-seconds,
// written again by their wall-clock time.
void RewriteDates(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif, const Watched<Exiv2::ExifData>& before) {
    static const char* const kDates[][2] = {
        {"Exif.Image.DateTime", "Exif.Photo.SubSecTime"},
        {"Exif.Photo.DateTimeOriginal", "Exif.Photo.SubSecTimeOriginal"},
        {"Exif.Photo.DateTimeDigitized", "Exif.Photo.SubSecTimeDigitized"},
    };
    const auto textBefore = [&before](const char* key) {
        const auto was = before.find(key);
        return was == before.end() ? std::string() : TextOf(was->second);
    };
    const auto textNow = [&exif](const char* key) {
        const auto now = exif.findKey(Exiv2::ExifKey(key));
        return now == exif.end() ? std::string() : now->toString();
    };
    for (const auto& date : kDates) {
        if (textNow(date[0]) == textBefore(date[0]) && textNow(date[1]) == textBefore(date[1])) continue;
        if (textNow(date[0]).empty()) continue;
        const std::string old = textBefore(date[0]);
        RewriteDateFromXmp(xmp, date[0], exif, old.empty() ? nullptr : &old);
    }
}

// The IPTC datasets the conversion created or changed, cut to their length;
// the marker as it was.
void CutChangedDatasets(Exiv2::IptcData& iptc, const Watched<Exiv2::IptcData>& before) {
    const Watched<Exiv2::IptcData> after = Collect(iptc);
    for (const auto& entry : after) {
        const auto was = before.find(entry.first);
        if (was != before.end() && SameDatums(was->second, entry.second)) continue;
        for (Exiv2::Iptcdatum& datum : iptc) {
            if (datum.key() != entry.first || datum.typeId() != Exiv2::string) continue;
            const std::string text = datum.toString();
            const std::string cut = CutIptcText(text, IptcMaxBytes(datum.tag(), datum.record()));
            if (cut.size() != text.size()) datum.setValue(cut);
        }
    }
    static const std::vector<Exiv2::Iptcdatum> none;
    const auto was = before.find(kIptcCharacterSetKey);
    const auto now = after.find(kIptcCharacterSetKey);
    const auto& old = was == before.end() ? none : was->second;
    if (!SameDatums(old, now == after.end() ? none : now->second)) Replace(iptc, kIptcCharacterSetKey, old);
}

}  // namespace

// The keys of the twin groups, by family; IPTC's character set too, which
// the conversion into IPTC sets.
bool IsConvertedExifKey(const std::string& key) { return key.compare(0, 5, "Exif.") == 0 && TwinGroupOf(key) >= 0; }
bool IsConvertedIptcKey(const std::string& key) {
    return key == kIptcCharacterSetKey || (key.compare(0, 5, "Iptc.") == 0 && TwinGroupOf(key) >= 0);
}
bool IsConvertedXmpKey(const std::string& key) { return key.compare(0, 4, "Xmp.") == 0 && TwinGroupOf(key) >= 0; }

void ConvertIptcAndExifToXmp(const Exiv2::IptcData& iptc, const Exiv2::ExifData& exif, Exiv2::XmpData& xmp) {
    const auto before = Collect(xmp);
    Exiv2::copyIptcToXmp(Utf8IptcCopy(iptc), xmp, "UTF-8");
    Exiv2::copyExifToXmp(exif, xmp);
    Reconcile(xmp, before);
}

void ConvertXmpToExif(const Exiv2::XmpData& xmp, Exiv2::ExifData& exif) {
    const auto before = Collect(exif);
    Exiv2::copyXmpToExif(xmp, exif);
    RewriteDates(xmp, exif, before);
    Reconcile(exif, before);
}

void ConvertXmpToIptc(const Exiv2::XmpData& xmp, Exiv2::IptcData& iptc) {
    const auto before = Collect(iptc);
    CopyXmpToIptc(xmp, iptc);
    CutChangedDatasets(iptc, before);
    Reconcile(iptc, before);
}

void SyncExifWithXmp(Exiv2::ExifData& exif, Exiv2::XmpData& xmp) {
    const auto exifBefore = Collect(exif);
    const auto xmpBefore = Collect(xmp);
    Exiv2::syncExifWithXmp(exif, xmp);
    RewriteDates(xmp, exif, exifBefore);
    Reconcile(exif, exifBefore);
    Reconcile(xmp, xmpBefore);
}

}  // namespace lumenmeta
