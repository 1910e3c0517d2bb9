#include "merge/keep_untouched.h"

#include "handle/sort_by_key.h"
#include "merge/added_twins.h"
#include "merge/datum_compare.h"
#include "merge/date_rules.h"
#include "merge/iptc_text.h"
#include "merge/twin_keys.h"
#include "merge/xmp_mirroring.h"
#include "platform/ascii.h"

#include <cstring>
#include <unordered_set>

namespace lumenmeta {

namespace {

// Calls `differs(key)` for each key the handle holds with datums other than
// the note's.
template <typename Container, typename Differs>
void ForEachKeyHeldOtherwise(const Container& handle, const DatumPointersByKey<Container>& noted, Differs differs) {
    if (handle.empty()) return;
    const DatumPointersByKey<Container> held = PointDatums(handle, [](const std::string&) { return true; });
    for (const auto& [key, datums] : held) {
        const auto found = noted.find(key);
        if (found == noted.end() || !SameDatums(datums, found->second)) differs(key);
    }
}

// Removes the datums whose position `goes` marks; the others keep their
// order.
void EraseAt(Exiv2::ExifData& exif, const std::vector<bool>& goes) {
    size_t at = 0;
    for (auto datum = exif.begin(); datum != exif.end(); ++at) datum = goes[at] ? exif.erase(datum) : std::next(datum);
}

template <typename Container>
void EraseAt(Container& data, const std::vector<bool>& goes) {
    // A vector: kept datums are moved forward, then the tail is cut off from
    // the back, which moves nothing.
    const auto at = [&data](size_t index) { return data.begin() + static_cast<std::ptrdiff_t>(index); };
    size_t kept = 0;
    for (size_t i = 0; i < goes.size(); ++i) {
        if (goes[i]) continue;
        if (kept != i) *at(kept) = *at(i);
        ++kept;
    }
    while (static_cast<size_t>(data.end() - data.begin()) > kept) data.erase(data.end() - 1);
}

// Replaces, in `target`, the datums of every untouched key that differ from
// the note's by the note's, and drops the added datums that `keeps` refuses.
// Touches the container only when something is to be put back or dropped.
template <typename Container, typename Keeps>
bool PutBack(const DatumPointersByKey<Container>& noted, Container& target, const TouchedKeys& touched, Keeps keeps) {
    const auto untouched = [&touched](const std::string& key) { return !touched(key); };
    const DatumPointersByKey<Container> now = PointDatums(target, untouched);
    // The untouched keys whose datums are not the note's.
    std::unordered_set<std::string> restore;
    for (const auto& [key, datums] : noted) {
        const auto found = now.find(key);
        if (found == now.end() ? untouched(key) : !SameDatums(datums, found->second)) {
            restore.insert(key);
        }
    }
    std::unordered_set<const void*> dropped;
    for (const auto& [key, datums] : now) {
        if (noted.count(key) != 0) continue;
        for (const auto* datum : datums) {
            if (!keeps(*datum, key)) dropped.insert(datum);
        }
    }
    if (restore.empty() && dropped.empty()) return false;
    // Positions of the datums to remove, taken before the container changes.
    std::unordered_set<const void*> removed(dropped);
    for (const std::string& key : restore) {
        const auto found = now.find(key);
        if (found == now.end()) continue;
        for (const auto* datum : found->second) removed.insert(datum);
    }
    // Which datums go, by position, before the container changes.
    std::vector<bool> goes;
    for (const auto& datum : target) goes.push_back(removed.count(&datum) != 0);
    EraseAt(target, goes);
    for (const std::string& key : restore) {
        for (const auto* datum : noted.at(key)) target.add(*datum);
    }
    return true;
}

}  // namespace

MetadataNote NoteOf(const Exiv2::Image& image) {
    return MetadataNote{image.exifData(), image.iptcData(), image.xmpData()};
}

NoteIndex::NoteIndex(const MetadataNote& note) {
    const auto any = [](const std::string&) { return true; };
    exif = PointDatums(note.exif, any);
    iptc = PointDatums(note.iptc, any);
    xmp = PointDatums(note.xmp, any);
}

TouchedKeys::TouchedKeys(const MetaHandle& handle, const NoteIndex& note)
    : groups_(static_cast<size_t>(TwinGroupCount()), false) {
    for (const std::string& key : handle.editedKeys) Touch(key);
    for (const std::string& key : handle.deletedKeys) Touch(key);
    const auto touch = [this](const std::string& key) { Touch(key); };
    ForEachKeyHeldOtherwise(handle.exifData, note.exif, touch);
    ForEachKeyHeldOtherwise(handle.iptcData, note.iptc, touch);
    ForEachKeyHeldOtherwise(handle.xmpData, note.xmp, touch);
    // The envelope's character set follows the IPTC text rules, not the note.
    keys_.insert("Iptc.Envelope.CharacterSet");
}

void TouchedKeys::Touch(const std::string& key) {
    if (!keys_.insert(key).second) return;
    if (key.compare(0, 4, "Xmp.") == 0) xmpProperties_.push_back(key);
    const int group = TwinGroupOf(key);
    if (group >= 0) groups_[static_cast<size_t>(group)] = true;
    // A private mirror key is the host's word for its Exif key.
    for (const ExifMirrorKey& row : kExifMirrorKeys) {
        if (EqualNoCase(key.c_str(), row.privateKey)) Touch(row.privateKey + std::strlen("Xmp.Lumenframe."));
    }
}

bool TouchedKeys::operator()(const std::string& key) const {
    if (keys_.count(key) != 0) return true;
    if (key.compare(0, 4, "Xmp.") == 0) {
        for (const std::string& property : xmpProperties_) {
            if (IsXmpKeyOf(key, property)) return true;
        }
    }
    const int group = TwinGroupOf(key);
    return group >= 0 && groups_[static_cast<size_t>(group)];
}

bool TouchedKeys::TouchesXmp() const {
    if (!xmpProperties_.empty()) return true;
    for (bool group : groups_) {
        if (group) return true;
    }
    return false;
}

void KeepUntouchedValues(const MetaHandle& handle, const MetadataNote& note, Exiv2::Image& target) {
    const NoteIndex index(note);
    const TouchedKeys touched(handle, index);
    if (PutBack(index.exif, target.exifData(), touched,
                [&target](const Exiv2::Exifdatum& datum, const std::string& key) {
                    return KeepsAddedExif(datum, key, target);
                })) {
        CheckExifDates(target.exifData(), false);
    }
    if (PutBack(index.iptc, target.iptcData(), touched,
                [&target](const Exiv2::Iptcdatum& datum, const std::string& key) {
                    return KeepsAddedIptc(datum, key, target.xmpData());
                })) {
        SortByKey(target.iptcData());
        NormalizeIptcText(target.iptcData());
    }
    // A conversion may have copied Exif text in another encoding: an added
    // datum is made UTF-8 before it is judged.
    const auto keepsXmp = [](const Exiv2::Xmpdatum& datum, const std::string& key) {
        MakeXmpTextUtf8(const_cast<Exiv2::Xmpdatum&>(datum));  // a datum of the target's own XMP
        return KeepsAddedXmp(datum, key);
    };
    if (PutBack(index.xmp, target.xmpData(), touched, keepsXmp)) {
        CheckXmpDates(target.xmpData(), false);
    }
    // Restored and converted datums stand at the end: the XMP is written in
    // key order, array items in the order of their index, so that the same
    // metadata always gives the same packet.
    SortByKey(target.xmpData());
    // So may the conversions of the host's edits; the file's own XMP was
    // read from a packet and is UTF-8.
    if (touched.TouchesXmp()) MakeXmpTextUtf8(target.xmpData(), touched);
    AddRequiredExifTags(note.exif, target);
}

}  // namespace lumenmeta
