// The one-pass removal and the indexed XMP lookup must give exactly what the
// key-by-key forms they replace give: the same datums, in the same order.
#include "merge/container_ops.h"

#include "support/handle_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::Images;

bool TakeEveryKey(const std::string&) { return true; }
bool TakeNoResolution(const std::string& key) { return key.find("Resolution") == std::string::npos; }

// The removal as the merges defined it: every key of the source in turn,
// looked up again from the start until none is left.
template <typename Container, typename Takes>
void EraseKeyByKey(Container& target, const Container& source, Takes takes) {
    for (const auto& datum : source) {
        const std::string key = datum.key();
        if (takes(key)) EraseEveryDatum(target, key);
    }
}

template <typename Container, typename Takes>
void ExpectSameAsKeyByKey(const Container& original, const Container& source, Takes takes,
                          size_t expectedLeft) {
    Container keyByKey = original;
    EraseKeyByKey(keyByKey, source, takes);
    Container onePass = original;
    EraseEveryDatumOfKeys(onePass, source, takes);
    EXPECT_EQ(Images(onePass), Images(keyByKey));
    EXPECT_EQ(onePass.count(), static_cast<long>(expectedLeft));
}

struct Dataset {
    unsigned char record;
    unsigned char number;
    std::string text;
};

// IPTC as Exiv2 reads it from a file.
Exiv2::IptcData DecodedIptc(const std::vector<Dataset>& datasets) {
    std::vector<Exiv2::byte> bytes;
    for (const Dataset& dataset : datasets) {
        const size_t length = dataset.text.size();
        bytes.insert(bytes.end(), {0x1C, dataset.record, dataset.number,
                                   static_cast<Exiv2::byte>(length >> 8),
                                   static_cast<Exiv2::byte>(length & 0xFF)});
        bytes.insert(bytes.end(), dataset.text.begin(), dataset.text.end());
    }
    Exiv2::IptcData iptc;
    Exiv2::IptcParser::decode(iptc, bytes.data(), static_cast<uint32_t>(bytes.size()));
    return iptc;
}

void AddText(Exiv2::IptcData& data, const std::string& key, const std::string& text) {
    Exiv2::StringValue value(text);
    data.add(Exiv2::IptcKey(key), &value);
}

TEST(EraseEveryDatumOfKeys, RemovesWhatKeyByKeyRemovalRemovesInEveryFamily) {
    // Exif: a key held twice, keys the source lacks, and a key the filter
    // refuses, which stays although the source holds it.
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Maker";
    exif["Exif.Image.Artist"] = "Ann";
    exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    Exiv2::AsciiValue second("Ben");
    exif.add(Exiv2::ExifKey("Exif.Image.Artist"), &second);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(28, 10);
    Exiv2::ExifData exifSource;
    exifSource["Exif.Image.Artist"] = "Carla";
    exifSource["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    exifSource["Exif.Image.Copyright"] = "none";
    ExpectSameAsKeyByKey(exif, exifSource, TakeEveryKey, 2);
    ExpectSameAsKeyByKey(exif, exifSource, TakeNoResolution, 3);

    // IPTC: repeated keywords, and dataset 5 of both records, which only the
    // record tells apart.
    const Exiv2::IptcData iptc = DecodedIptc({{2, 25, "one"},
                                              {2, 90, "Hamburg"},
                                              {2, 25, "two"},
                                              {2, 5, "first"},
                                              {1, 5, "desk"},
                                              {2, 25, "three"}});
    ASSERT_EQ(iptc.count(), 6);
    ASSERT_EQ(iptc.findKey(Exiv2::IptcKey("Iptc.Envelope.Destination"))->toString(), "desk");
    Exiv2::IptcData iptcSource;
    AddText(iptcSource, "Iptc.Application2.Keywords", "three");
    AddText(iptcSource, "Iptc.Application2.ObjectName", "new");
    ExpectSameAsKeyByKey(iptc, iptcSource, TakeEveryKey, 2);

    // XMP: arrays, a language alternative, a key held twice, and a
    // container whose packet must survive.
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.title"] = "lang=x-default Title";
    Exiv2::XmpArrayValue subjects(Exiv2::xmpBag);
    subjects.read("a");
    subjects.read("b");
    xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &subjects);
    xmp["Xmp.xmp.Rating"] = "3";
    Exiv2::XmpTextValue label("Red");
    xmp.add(Exiv2::XmpKey("Xmp.xmp.Label"), &label);
    xmp.add(Exiv2::XmpKey("Xmp.xmp.Label"), &label);
    xmp["Xmp.dc.format"] = "image/jpeg";
    xmp.setPacket("<packet/>");
    xmp.usePacket(true);
    Exiv2::XmpData xmpSource;
    xmpSource["Xmp.xmp.Label"] = "Blue";
    xmpSource["Xmp.dc.subject"] = "c";
    xmpSource["Xmp.photoshop.City"] = "Kiel";
    ExpectSameAsKeyByKey(xmp, xmpSource, TakeEveryKey, 3);
    Exiv2::XmpData onePass = xmp;
    EraseEveryDatumOfKeys(onePass, xmpSource, TakeEveryKey);
    EXPECT_EQ(onePass.xmpPacket(), "<packet/>");
    EXPECT_TRUE(onePass.usePacket());

    // Nothing to remove: an empty source, and a target without the keys.
    ExpectSameAsKeyByKey(xmp, Exiv2::XmpData(), TakeEveryKey, 6);
    ExpectSameAsKeyByKey(Exiv2::XmpData(), xmpSource, TakeEveryKey, 0);
}

TEST(EraseEveryDatumOfKeys, AKeyExivRejectsEndsTheRemovalWhereKeyByKeyRemovalEnds) {
    const char* uri = "http://ns.example.org/removal-test/";
    Exiv2::XmpProperties::registerNs(uri, "removalTest");
    Exiv2::XmpData source;
    source["Xmp.dc.format"] = "image/png";
    source["Xmp.removalTest.Gone"] = "x";
    source["Xmp.xmp.Rating"] = "5";
    Exiv2::XmpData target;
    target["Xmp.xmp.Rating"] = "1";
    target["Xmp.dc.format"] = "image/jpeg";
    target["Xmp.xmp.Label"] = "Red";
    // The source now holds a key whose namespace Exiv2 no longer knows.
    Exiv2::XmpProperties::unregisterNs(uri);

    Exiv2::XmpData keyByKey = target;
    EXPECT_THROW(EraseKeyByKey(keyByKey, source, TakeEveryKey), Exiv2::AnyError);
    Exiv2::XmpData onePass = target;
    EXPECT_THROW(EraseEveryDatumOfKeys(onePass, source, TakeEveryKey), Exiv2::AnyError);
    // dc:format went before the rejected key; Rating, after it, stayed.
    EXPECT_EQ(Images(onePass), Images(keyByKey));
    EXPECT_EQ(onePass.count(), 2);
}

TEST(FindOrAppendXmpDatum, BuildsWhatTheIndexOperatorBuilds) {
    // Texts for new keys, further items for arrays, a repeated text key
    // (which the second text replaces) and a language alternative.
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"Xmp.dc.subject", "harbour"}, {"Xmp.xmp.Rating", "3"},
        {"Xmp.dc.subject", "dawn"},    {"Xmp.dc.title", "lang=x-default Dawn"},
        {"Xmp.xmp.Rating", "4"},       {"Xmp.dc.creator", "Ann"},
        {"Xmp.dc.creator", "Ben"},     {"Xmp.photoshop.City", "Kiel"},
    };
    Exiv2::XmpData byOperator;
    Exiv2::XmpData byIndex;
    XmpPositions positions;
    for (const auto& [key, text] : steps) {
        byOperator[key] = text;
        FindOrAppendXmpDatum(byIndex, positions, key) = text;
    }
    EXPECT_EQ(Images(byIndex), Images(byOperator));
    EXPECT_EQ(byIndex.count(), 5);
    EXPECT_EQ(byIndex.findKey(Exiv2::XmpKey("Xmp.dc.subject"))->count(), 2);

    // A rejected key appends nothing and leaves later keys in place.
    EXPECT_THROW(FindOrAppendXmpDatum(byIndex, positions, "Xmp.noSuchPrefix.Thing"),
                 Exiv2::AnyError);
    EXPECT_EQ(byIndex.count(), 5);
    FindOrAppendXmpDatum(byIndex, positions, "Xmp.dc.format") = "image/png";
    byOperator["Xmp.dc.format"] = "image/png";
    EXPECT_EQ(Images(byIndex), Images(byOperator));
}

}  // namespace
}  // namespace lumenmeta
