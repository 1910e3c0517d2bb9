#include "merge/xmp_to_iptc.h"

#include "merge/container_ops.h"
#include "merge/twin_keys.h"

#include <string>
#include <unordered_set>

namespace lumenmeta {

const XmpToIptcPair kXmpToIptcPairs[20] = {
    {"Xmp.dc.title", "Iptc.Application2.ObjectName"},
    {"Xmp.photoshop.Urgency", "Iptc.Application2.Urgency"},
    {"Xmp.photoshop.Category", "Iptc.Application2.Category"},
    {"Xmp.photoshop.SupplementalCategories", "Iptc.Application2.SuppCategory"},
    {"Xmp.dc.subject", "Iptc.Application2.Keywords"},
    {"Xmp.photoshop.Instructions", "Iptc.Application2.SpecialInstructions"},
    {"Xmp.dc.creator", "Iptc.Application2.Byline"},
    {"Xmp.photoshop.AuthorsPosition", "Iptc.Application2.BylineTitle"},
    {"Xmp.photoshop.City", "Iptc.Application2.City"},
    {"Xmp.iptc.Location", "Iptc.Application2.SubLocation"},
    {"Xmp.photoshop.State", "Iptc.Application2.ProvinceState"},
    {"Xmp.iptc.CountryCode", "Iptc.Application2.CountryCode"},
    {"Xmp.photoshop.Country", "Iptc.Application2.CountryName"},
    {"Xmp.photoshop.TransmissionReference", "Iptc.Application2.TransmissionReference"},
    {"Xmp.photoshop.Headline", "Iptc.Application2.Headline"},
    {"Xmp.photoshop.Credit", "Iptc.Application2.Credit"},
    {"Xmp.photoshop.Source", "Iptc.Application2.Source"},
    {"Xmp.dc.rights", "Iptc.Application2.Copyright"},
    {"Xmp.dc.description", "Iptc.Application2.Caption"},
    {"Xmp.photoshop.CaptionWriter", "Iptc.Application2.Writer"},
};

void CopyXmpToIptc(const Exiv2::XmpData& xmp, Exiv2::IptcData& iptc) {
    // The properties with an IPTC twin: the pairs, and the dates, which
    // Exiv2 converts as well (into datasets it adds without replacing).
    static const std::unordered_set<std::string> kConverted = [] {
        std::unordered_set<std::string> keys;
        for (const TwinRow& row : TwinRows()) {
            if (row.iptcKey) keys.insert(row.xmpKey);
        }
        return keys;
    }();
    // The conversion reads only those properties, and looks each up from the
    // start of the XMP: it is given them alone, found in one pass.
    Exiv2::XmpData paired;
    for (const auto& datum : xmp) {
        const std::string key = datum.key();
        const size_t field = key.find('/');
        if (kConverted.count(field == std::string::npos ? key : key.substr(0, field)) != 0) paired.add(datum);
    }
    if (!iptc.empty()) {
        // Exiv2 would remove each dataset's datums one at a time, searching
        // from the start for each; they are removed here in one pass.
        std::unordered_set<std::string> held;
        for (const auto& datum : paired) held.insert(datum.key());
        detail::MatchKeySet<Exiv2::IptcData> replaced;
        for (const XmpToIptcPair& pair : kXmpToIptcPairs) {
            if (held.count(pair.xmpKey) != 0) replaced.insert(detail::MatchKey(Exiv2::IptcKey(pair.iptcKey)));
        }
        detail::EraseMatching(iptc, replaced);
    }
    Exiv2::copyXmpToIptc(paired, iptc);
}

}  // namespace lumenmeta
