#include "merge/iptc_text.h"

#include "merge/xmp_mirroring.h"
#include "platform/code_page.h"

namespace lumenmeta {

namespace {

bool IsText(const Exiv2::Iptcdatum& datum) { return datum.typeId() == Exiv2::string; }

bool HasMarker(const Exiv2::IptcData& iptc) {
    const auto marker = iptc.findKey(Exiv2::IptcKey(kIptcCharacterSetKey));
    return marker != iptc.end() && marker->toString() == kIptcUtf8Marker;
}

}  // namespace

size_t IptcMaxBytes(uint16_t tag, uint16_t record) {
    const Exiv2::DataSet* sets = record == Exiv2::IptcDataSets::application2
                                     ? Exiv2::IptcDataSets::application2RecordList()
                                     : Exiv2::IptcDataSets::envelopeRecordList();
    for (const Exiv2::DataSet* set = sets; set && set->number_ != 0xffff; ++set) {
        if (set->number_ == tag) return set->maxbytes_ > 0 ? static_cast<size_t>(set->maxbytes_) : 0;
    }
    return 0;
}

std::string CutIptcText(const std::string& text, size_t maxBytes) {
    if (maxBytes == 0 || text.size() <= maxBytes) return text;
    size_t end = maxBytes;
    if (IsValidUtf8(text)) {
        // Step back over continuation bytes to the start of the cut sequence.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    return text.substr(0, end);
}

Exiv2::IptcData Utf8IptcCopy(const Exiv2::IptcData& iptc) {
    Exiv2::IptcData copy = iptc;
    for (Exiv2::Iptcdatum& datum : copy) {
        if (!IsText(datum)) continue;
        const std::string text = datum.toString();
        if (!IsValidUtf8(text)) datum.setValue(Utf8FromNarrowText(text));
    }
    return copy;
}

void NormalizeIptcText(Exiv2::IptcData& iptc) {
    bool needsMarker = HasMarker(iptc);
    for (const Exiv2::Iptcdatum& datum : iptc) {
        if (needsMarker) break;
        if (IsText(datum) && !IsAscii(datum.toString())) needsMarker = true;
    }
    if (!needsMarker) return;
    for (Exiv2::Iptcdatum& datum : iptc) {
        if (!IsText(datum)) continue;
        const std::string text = datum.toString();
        if (!IsValidUtf8(text)) datum.setValue(Utf8FromNarrowText(text));
    }
    if (!HasMarker(iptc)) iptc[kIptcCharacterSetKey] = std::string(kIptcUtf8Marker);
}

}  // namespace lumenmeta
