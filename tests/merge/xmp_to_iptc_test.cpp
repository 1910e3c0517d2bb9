// The linear XMP-to-IPTC conversion must leave exactly what Exiv2's own
// conversion leaves, and its table must be the pairs Exiv2 converts.
#include "merge/xmp_to_iptc.h"

#include "support/handles.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace lumenmeta {
namespace {

using namespace test;

// For every application dataset: the XMP property Exiv2 converts it to, kept
// when Exiv2's conversion back from that property replaces all of the
// dataset's datums.
std::set<std::pair<std::string, std::string>> PairsExiv2Converts() {
    std::set<std::pair<std::string, std::string>> pairs;
    const Exiv2::DataSet* sets = Exiv2::IptcDataSets::application2RecordList();
    for (int i = 0; sets[i].number_ != 0xffff; ++i) {
        const Exiv2::IptcKey key(sets[i].number_, Exiv2::IptcDataSets::application2);
        Exiv2::Iptcdatum datum(key);
        if (datum.setValue(sets[i].type_ == Exiv2::date ? "2020-01-02" : "1") != 0) continue;
        Exiv2::IptcData iptc;
        iptc.add(datum);
        Exiv2::XmpData xmp;
        Exiv2::copyIptcToXmp(iptc, xmp, nullptr);
        for (const Exiv2::Xmpdatum& property : xmp) {
            Exiv2::IptcData twice;
            twice.add(datum);
            twice.add(datum);
            Exiv2::XmpData only;
            only.add(property);
            Exiv2::copyXmpToIptc(only, twice);
            long left = 0;
            for (const Exiv2::Iptcdatum& datum : twice) left += datum.key() == key.key();
            if (left == 1) pairs.emplace(property.key(), key.key());
        }
    }
    return pairs;
}

TEST(XmpToIptc, TableIsWhatExiv2ConvertsAndResultIsExiv2s) {
    std::set<std::pair<std::string, std::string>> table;
    for (const XmpToIptcPair& pair : kXmpToIptcPairs) table.emplace(pair.xmpKey, pair.iptcKey);
    EXPECT_EQ(table, PairsExiv2Converts());

    // Converted datasets repeated and interleaved with ones the conversion
    // leaves alone (a date, the character set, an envelope dataset). Only
    // the first date lands: the dataset does not repeat.
    Exiv2::IptcData iptc;
    Fill(iptc, {"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Envelope.Destination=desk"});
    for (int i = 0; i < 40; ++i) {
        const char* key = i % 3 ? "Iptc.Application2.Keywords=" : "Iptc.Application2.Byline=";
        Fill(iptc, {key + ("old " + std::to_string(i))});
        if (i % 10 == 0) iptc.add(Exiv2::IptcKey("Iptc.Application2.DateCreated"),
                                  Exiv2::Value::create(Exiv2::date).get());
    }
    Fill(iptc, {"Iptc.Application2.City=Old", "Iptc.Application2.Headline=kept: no XMP headline"});
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.subject"] = "new one";
    xmp["Xmp.dc.subject"] = "new two";
    Fill(xmp, {"Xmp.dc.creator=New Author", "Xmp.photoshop.City=Lübeck",
               "Xmp.dc.title=lang=\"x-default\" Title"});

    Exiv2::IptcData expected = iptc;
    Exiv2::copyXmpToIptc(xmp, expected);
    CopyXmpToIptc(xmp, iptc);
    EXPECT_EQ(TypedEntries(iptc), TypedEntries(expected));
    EXPECT_EQ(iptc.count(), 9);  // 2 envelope, date, headline, 2 keywords, creator, city, title

    // The dates convert as well; properties without an IPTC twin change
    // nothing.
    Exiv2::XmpData dates;
    Fill(dates, {"Xmp.photoshop.DateCreated=2021-06-01T07:08:09", "Xmp.xmp.CreateDate=2021-06-02",
                 "Xmp.xmp.Label=Blue", "Xmp.tiff.Make=Canon"});
    Exiv2::IptcData dated, datedByExiv2;
    Exiv2::copyXmpToIptc(dates, datedByExiv2);
    CopyXmpToIptc(dates, dated);
    EXPECT_EQ(TypedEntries(dated), TypedEntries(datedByExiv2));
    EXPECT_EQ(KeysOf(dated), (Texts{"Iptc.Application2.DateCreated", "Iptc.Envelope.CharacterSet",
                                    "Iptc.Application2.DigitizationDate"}));
}

}  // namespace
}  // namespace lumenmeta
