// The one-pass removal and the indexed XMP lookup must give what the key-by-key
// forms they replace give (the merges' definition: each key of the source in
// turn, looked up from the start): the same datums, in the same order.
#include "merge/container_ops.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

bool TakeEveryKey(const std::string&) { return true; }
bool NoResolution(const std::string& key) { return key.find("Resolution") == std::string::npos; }

template <typename Container>
void ExpectSameAsKeyByKey(const Texts& target, const Container& source, long left,
                          bool (*takes)(const std::string&) = TakeEveryKey) {
    Container keyByKey, onePass = Fill(keyByKey, target);
    for (const auto& datum : source) {
        if (takes(datum.key())) EraseEveryDatum(keyByKey, datum.key());
    }
    EraseEveryDatumOfKeys(onePass, source, takes);
    EXPECT_EQ(TypedEntries(onePass), TypedEntries(keyByKey));
    EXPECT_EQ(onePass.count(), left);
}

TEST(MergeContainerOps, OnePassRemovalRemovesWhatKeyByKeyRemovalRemoves) {
    Exiv2::ExifData exifSource;
    Exiv2::IptcData iptcSource;
    Exiv2::XmpData xmpSource, rejecting;
    // A key held twice, a key the source lacks, a key the filter refuses.
    const Texts exif = {"Exif.Image.Make=1", "Exif.Image.Artist=2", "Exif.Image.XResolution=3/1",
                        "Exif.Image.Artist=4"};
    Fill(exifSource, {"Exif.Image.Artist=x", "Exif.Image.XResolution=1/1", "Exif.Image.Model=x"});
    ExpectSameAsKeyByKey(exif, exifSource, 1);
    ExpectSameAsKeyByKey(exif, exifSource, 2, NoResolution);
    // Dataset 5 of both IPTC records, which only the record tells apart.
    Fill(iptcSource, {"Iptc.Application2.Keywords=x", "Iptc.Application2.ObjectName=x"});
    ExpectSameAsKeyByKey({"Iptc.Application2.Keywords=1", "Iptc.Application2.ObjectName=2",
                          "Iptc.Envelope.Destination=3", "Iptc.Application2.Keywords=4"},
                         iptcSource, 1);
    const Texts xmp = {"Xmp.dc.subject=a", "Xmp.xmp.Label=R", "Xmp.dc.format=f", "Xmp.xmp.Label=B"};
    ExpectSameAsKeyByKey(xmp, Fill(xmpSource, {"Xmp.xmp.Label=x", "Xmp.photoshop.City=x"}), 2);

    // A key Exiv2 rejects ends both removals after dc:format, before Label.
    Exiv2::XmpProperties::registerNs("http://ns.example.org/removal-test/", "removalTest");
    Fill(rejecting, {"Xmp.dc.format=x", "Xmp.removalTest.Gone=x", "Xmp.xmp.Label=x"});
    Exiv2::XmpProperties::unregisterNs("http://ns.example.org/removal-test/");
    Exiv2::XmpData keyByKey, onePass = Fill(keyByKey, xmp);
    EXPECT_THROW(for (const auto& d : rejecting) EraseEveryDatum(keyByKey, d.key()), Exiv2::Error);
    EXPECT_THROW(EraseEveryDatumOfKeys(onePass, rejecting, TakeEveryKey), Exiv2::Error);
    EXPECT_EQ(TypedEntries(onePass), TypedEntries(keyByKey));
    EXPECT_EQ(onePass.count(), 3);
}

TEST(MergeContainerOps, IndexedXmpLookupBuildsWhatTheIndexOperatorBuilds) {
    // New keys, array items, a text key set twice, a language alternative.
    Exiv2::XmpData byOperator, byIndex;
    XmpPositions positions;
    for (const std::string step : {"Xmp.dc.subject=a", "Xmp.xmp.Rating=3", "Xmp.dc.subject=b",
                                   "Xmp.xmp.Rating=4", "Xmp.dc.title=lang=x-default Dawn"}) {
        const std::string key = step.substr(0, step.find('=')), text = step.substr(key.size() + 1);
        FindOrAppendXmpDatum(byIndex, positions, key) = text;
        byOperator[key] = text;
    }
    EXPECT_EQ(TypedEntries(byIndex), TypedEntries(byOperator));
}

}  // namespace
}  // namespace lumenmeta
