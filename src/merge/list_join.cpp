#include "merge/list_join.h"

#include "handle/sort_by_key.h"
#include "merge/container_ops.h"
#include "merge/iptc_text.h"
#include "merge/twin_keys.h"
#include "platform/code_page.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {

namespace {

using Items = std::vector<std::string>;

struct ListPair {
    std::string xmpKey, iptcKey;
};

// The twin rows whose XMP property is an array and whose IPTC dataset may
// repeat.
const std::vector<ListPair>& ListPairs() {
    static const std::vector<ListPair> pairs = [] {
        std::vector<ListPair> found;
        for (const TwinRow& row : TwinRows()) {
            if (!row.iptcKey || !row.xmpKey) continue;
            try {
                const Exiv2::IptcKey iptc(row.iptcKey);
                const Exiv2::TypeId type = Exiv2::XmpProperties::propertyType(Exiv2::XmpKey(row.xmpKey));
                if ((type == Exiv2::xmpBag || type == Exiv2::xmpSeq) &&
                    Exiv2::IptcDataSets::dataSetRepeatable(iptc.tag(), iptc.record())) {
                    found.push_back({row.xmpKey, row.iptcKey});
                }
            } catch (const Exiv2::AnyError&) {
            }
        }
        return found;
    }();
    return pairs;
}

Items XmpItems(const Exiv2::XmpData& xmp, const std::string& key) {
    Items items;
    const auto found = xmp.findKey(Exiv2::XmpKey(key));
    if (found == xmp.end()) return items;
    for (long i = 0; i < found->count(); ++i) items.push_back(found->toString(i));
    return items;
}

// IPTC text as UTF-8 (valid UTF-8 stays, anything else is Windows-1252).
Items IptcItems(const Exiv2::IptcData& iptc, const std::string& key) {
    Items items;
    const Exiv2::IptcKey iptcKey(key);
    for (const auto& datum : iptc) {
        if (datum.tag() != iptcKey.tag() || datum.record() != iptcKey.record()) continue;
        const std::string text = datum.toString();
        items.push_back(IsValidUtf8(text) ? text : Utf8FromNarrowText(text));
    }
    return items;
}

// The same item, also where one of them is the other cut to the IPTC length.
bool SameItem(const std::string& a, const std::string& b, size_t iptcBytes) {
    return a == b || CutIptcText(a, iptcBytes) == CutIptcText(b, iptcBytes);
}

bool Holds(const Items& items, const std::string& item, size_t iptcBytes) {
    return std::any_of(items.begin(), items.end(),
                       [&](const std::string& held) { return SameItem(held, item, iptcBytes); });
}

void PutXmpList(Exiv2::XmpData& xmp, const std::string& key, const Items& items) {
    Exiv2::TypeId type = Exiv2::xmpBag;
    const auto found = xmp.findKey(Exiv2::XmpKey(key));
    if (found != xmp.end()) type = found->typeId();
    EraseEveryDatum(xmp, key);
    if (items.empty()) return;
    Exiv2::XmpArrayValue value(type);
    for (const std::string& item : items) value.read(item);
    xmp.add(Exiv2::XmpKey(key), &value);
}

void PutIptcList(Exiv2::IptcData& iptc, const std::string& key, const Items& items, size_t maxBytes) {
    EraseEveryDatum(iptc, key);
    const Exiv2::IptcKey iptcKey(key);
    Items written;
    for (const std::string& item : items) {
        const std::string cut = CutIptcText(item, maxBytes);
        if (cut.empty() || std::find(written.begin(), written.end(), cut) != written.end()) continue;
        written.push_back(cut);
        Exiv2::StringValue value(cut);
        iptc.add(iptcKey, &value);
    }
}

}  // namespace

void JoinEditedLists(const MetaHandle& handle, const MetadataNote& note, Exiv2::Image& target) {
    bool iptcChanged = false;
    for (const ListPair& pair : ListPairs()) {
        const bool xmpEdited = handle.editedKeys.count(pair.xmpKey) != 0;
        const bool iptcEdited = handle.editedKeys.count(pair.iptcKey) != 0;
        if (!xmpEdited && !iptcEdited) continue;
        if (handle.deletedKeys.count(pair.xmpKey) != 0 || handle.deletedKeys.count(pair.iptcKey) != 0) continue;
        const Exiv2::IptcKey iptcKey(pair.iptcKey);
        const size_t maxBytes = IptcMaxBytes(iptcKey.tag(), iptcKey.record());
        // Where the host edited both, the XMP list wins, as it does for any
        // pair of twins.
        const Items own = xmpEdited ? XmpItems(handle.xmpData, pair.xmpKey) : IptcItems(handle.iptcData, pair.iptcKey);
        const Items same = xmpEdited ? XmpItems(note.xmp, pair.xmpKey) : IptcItems(note.iptc, pair.iptcKey);
        const Items other = xmpEdited ? IptcItems(note.iptc, pair.iptcKey) : XmpItems(note.xmp, pair.xmpKey);
        if (own.empty()) continue;  // a list the host emptied goes as the edit says
        Items joined;
        for (const std::string& item : other) {
            if (!Holds(same, item, maxBytes) && !Holds(own, item, maxBytes) && !Holds(joined, item, maxBytes)) {
                joined.push_back(item);
            }
        }
        if (joined.empty()) continue;  // nothing the edit's own family lacked
        for (const std::string& item : own) {
            if (!Holds(joined, item, maxBytes)) joined.push_back(item);
        }
        PutXmpList(target.xmpData(), pair.xmpKey, joined);
        if (target.supportsMetadata(Exiv2::mdIptc)) {
            PutIptcList(target.iptcData(), pair.iptcKey, joined, maxBytes);
            iptcChanged = true;
        }
    }
    if (iptcChanged) {
        SortByKey(target.iptcData());
        NormalizeIptcText(target.iptcData());
    }
}

}  // namespace lumenmeta
