#include "merge/xmp_to_iptc.h"

#include "merge/container_ops.h"

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
    if (!iptc.empty()) {
        // The properties the XMP holds, found in one pass rather than a
        // search from the start for each pair.
        std::unordered_set<std::string> held;
        for (const auto& datum : xmp) held.insert(datum.key());
        detail::MatchKeySet<Exiv2::IptcData> replaced;
        for (const XmpToIptcPair& pair : kXmpToIptcPairs) {
            if (held.count(pair.xmpKey) != 0) replaced.insert(detail::MatchKey(Exiv2::IptcKey(pair.iptcKey)));
        }
        detail::EraseMatching(iptc, replaced);
    }
    Exiv2::copyXmpToIptc(xmp, iptc);
}

}  // namespace lumenmeta
