// The merge rules, step by step and as one merge of a handle into an image.
#include "lumenmeta.h"
#include "merge/container_ops.h"
#include "merge/date_rules.h"

#include "support/handle_state.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <array>

namespace lumenmeta {
namespace {

using test::Images;
using Texts = std::vector<std::string>;

// Appends each "key=text" entry as a datum of its key's own type.
template <typename Container>
Container& Fill(Container& data, const Texts& entries) {
    for (const std::string& entry : entries) {
        std::decay_t<decltype(*data.begin())> datum(
            typename detail::KeyOf<Container>::Type(entry.substr(0, entry.find('='))));
        datum.setValue(entry.substr(entry.find('=') + 1));
        data.add(datum);
    }
    return data;
}

template <typename Container>
Texts Entries(const Container& data) {
    Texts entries;
    for (const auto& datum : data) entries.push_back(datum.key() + "=" + datum.toString());
    return entries;
}

// The trace pieces of {text, key, value} lines.
Texts Lines(std::initializer_list<std::array<const char*, 3>> lines) {
    Texts pieces;
    for (const auto& [text, key, value] : lines) {
        pieces.insert(pieces.end(), {text, key, " Value: ", value, "\n"});
    }
    return pieces;
}

bool TakeEveryKey(const std::string&) { return true; }
bool NoResolution(const std::string& key) { return key.find("Resolution") == std::string::npos; }

// The one-pass removal must leave what the merges' definition (each key of
// the source in turn, looked up from the start) leaves, in the same order.
template <typename Container>
void ExpectSameAsKeyByKey(const Texts& target, const Container& source, long left,
                          bool (*takes)(const std::string&) = TakeEveryKey) {
    Container keyByKey, onePass;
    Fill(keyByKey, target);
    Fill(onePass, target);
    for (const auto& datum : source) {
        if (takes(datum.key())) EraseEveryDatum(keyByKey, datum.key());
    }
    EraseEveryDatumOfKeys(onePass, source, takes);
    EXPECT_EQ(Images(onePass), Images(keyByKey));
    EXPECT_EQ(onePass.count(), left);
}

TEST(MergeContainerOps, OnePassRemovalRemovesWhatKeyByKeyRemovalRemoves) {
    Exiv2::ExifData exifSource;
    Exiv2::IptcData iptcSource;
    Exiv2::XmpData xmpSource, rejecting, keyByKey, onePass;
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
    Fill(keyByKey, xmp);
    Fill(onePass, xmp);
    EXPECT_THROW(for (const auto& d : rejecting) EraseEveryDatum(keyByKey, d.key()), Exiv2::Error);
    EXPECT_THROW(EraseEveryDatumOfKeys(onePass, rejecting, TakeEveryKey), Exiv2::Error);
    EXPECT_EQ(Images(onePass), Images(keyByKey));
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
    EXPECT_EQ(Images(byIndex), Images(byOperator));
}

TEST(MergeDates, ValidDatesAreTrimmedAndInvalidOnesRemovedWithATraceLine) {
    // {key, value, what stays; or "-" and the text the removal traces}
    const std::array<const char*, 3> cases[] = {
        {"Exif.Image.DateTime", "0000:00:00 00:00:00", "-0000:00:00 00:00:00"},
        // Trailing blanks go first; then a colon follows the leading blanks.
        {"Exif.Photo.DateTimeOriginal", "    :  :     ", "-    :  :"},
        {"Exif.Photo.DateTimeDigitized", "2024:05:01 10:00:00 . ", "2024:05:01 10:00:00"},
        {"Exif.Image.Artist", " . ", " . "},
        {"Exif.Photo.SubSecTime", "", "-"},
        {"Exif.Photo.SubSecTimeOriginal", "00", "00"},
        {"Exif.Photo.DateTimeOriginal", "-2024:01:01 00:00:00", "--2024:01:01 00:00:00"},
        {"Exif.GPSInfo.GPSTimeStamp", "0/1 30/1 0/1", "0/1 30/1 0/1"},  // its first hour is valid
        {"Exif.GPSInfo.GPSTimeStamp", "x", "-"},
        {"Xmp.tiff.DateTime", "0000-00-00T00:00:00", "-0000-00-00T00:00:00"},
        {"Xmp.exif.DateTimeDigitized", "0001-01-01T00:00:00. ", "0001-01-01T00:00:00"},
        {"Xmp.exif.GPSTimeStamp", "", "-"},
        {"Xmp.xmp.CreateDate", "0000-00-00", "0000-00-00"},
    };
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;
    Texts exifLeft, xmpLeft, trace;
    for (const auto& [key, value, result] : cases) {
        const std::string k = key;
        k[0] == 'E' ? (void)Fill(exif, {k + "=" + value}) : (void)Fill(xmp, {k + "=" + value});
        if (*result != '-') (k[0] == 'E' ? exifLeft : xmpLeft).push_back(k + "=" + result);
        const Texts line = Lines({{"Removed invalid date: ", key, result + 1}});
        if (*result == '-') trace.insert(trace.end(), line.begin(), line.end());
    }
    test::TraceCapture traced;
    CheckExifDates(exif);
    CheckXmpDates(xmp);
    EXPECT_EQ(Entries(exif), exifLeft);
    EXPECT_EQ(Entries(xmp), xmpLeft);
    EXPECT_EQ(traced.pieces(), trace);
}

TEST(FamilyMerges, EachKeyTakenReplacesEveryOccurrenceAndEachDatumIsTraced) {
    // Exif takes standard keys only. Added datums follow the kept ones; repeated
    // datasets arrive in full; a bag is replaced whole. A datum without a value
    // cannot be added: it is traced and its key stays cleared.
    Exiv2::ExifData exifSource, exif, noExif;
    Exiv2::IptcData iptcSource, iptc;
    Exiv2::XmpData xmpSource, xmp;
    Fill(exifSource, {"Exif.Image.Artist=Ann", "Exif.Image.XResolution=72/1",
                      "Exif.Nikon3.Quality=FINE", "Exif.Image.Orientation=6"});
    exifSource.add(Exiv2::Exifdatum(Exiv2::ExifKey("Exif.Image.Make")));
    Fill(exif, {"Exif.Image.Artist=One", "Exif.Image.XResolution=300/1", "Exif.Image.Make=M",
                "Exif.Nikon3.Quality=BASIC", "Exif.Image.Artist=Two"});
    Fill(iptcSource, {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"});
    iptcSource.add(Exiv2::Iptcdatum(Exiv2::IptcKey("Iptc.Application2.City")));
    Fill(iptc, {"Iptc.Application2.Keywords=old", "Iptc.Application2.Caption=k",
                "Iptc.Application2.Keywords=older"});
    xmpSource["Xmp.dc.subject"] = "a";
    xmpSource["Xmp.dc.subject"] = "b";
    xmpSource.add(Exiv2::Xmpdatum(Exiv2::XmpKey("Xmp.dc.format")));
    Fill(xmp, {"Xmp.dc.subject=old", "Xmp.dc.format=image/jpeg", "Xmp.xmp.Label=kept"});

    test::TraceCapture trace;
    MergeMetaDataExif(exifSource, exif);
    MergeMetaDataIptc(iptcSource, iptc);
    MergeMetaDataXmp(xmpSource, xmp);
    // An empty source, and a container merged into itself, change nothing.
    MergeMetaDataExif(noExif, exif);
    MergeMetaDataExif(exif, exif);
    MergeMetaDataIptc(iptc, iptc);
    MergeMetaDataXmp(xmp, xmp);

    EXPECT_EQ(Entries(exif), (Texts{"Exif.Image.XResolution=300/1", "Exif.Nikon3.Quality=BASIC",
                                    "Exif.Image.Artist=Ann", "Exif.Image.Orientation=6"}));
    EXPECT_EQ(Entries(iptc), (Texts{"Iptc.Application2.Caption=k", "Iptc.Application2.Keywords=a",
                                    "Iptc.Application2.Keywords=b"}));
    EXPECT_EQ(Entries(xmp), (Texts{"Xmp.xmp.Label=kept", "Xmp.dc.subject=a, b"}));
    EXPECT_EQ(xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"))->typeId(), Exiv2::xmpBag);
    EXPECT_EQ(trace.pieces(), Lines({{"Exif-Key: ", "Exif.Image.Artist", "Ann"},
                                     {"Exif-Key: ", "Exif.Image.Orientation", "6"},
                                     {"Unable to write Exif-Key: ", "Exif.Image.Make", ""},
                                     {"IPTC-Key: ", "Iptc.Application2.Keywords", "a"},
                                     {"IPTC-Key: ", "Iptc.Application2.Keywords", "b"},
                                     {"Unable to write IPTC-Key: ", "Iptc.Application2.City", ""},
                                     {"XMP-Key: ", "Xmp.dc.subject", "a, b"},
                                     {"Unable to write XMP-Key: ", "Xmp.dc.format", ""}}));
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
using ImageAutoPtr = Exiv2::Image::AutoPtr;
#pragma GCC diagnostic pop

TEST(MergeMetaData, RunsItsStepsInOrderOnTheImageAndLeavesTheHandleAlone) {
    test::HandlePtr handle(OpenMetaHandle(nullptr, 0));
    // Sorted: keys Exiv2 rejects come before keys that must still go. The
    // family is the exact text before the first full stop.
    handle->deletedKeys = {"Exif.Image.AAANoSuchTag", "Exif.Image.Model", "Exif.Image.Software",
                           "Iptc.Application2.Keywords", "Iptc.Application2.NoSuchDataset",
                           "NoFullStop", "Xmp.dc.rights", "Xmp.nosuchprefix.Thing", "Xmp.tiff.Make",
                           "exif.Image.Make"};
    Fill(handle->exifData, {"Exif.Image.Artist=Ann", "Exif.Image.XResolution=7/1",
                            "Exif.Image.Model=New"});
    Fill(handle->iptcData, {"Iptc.Application2.Caption=caption"});
    handle->xmpData["Xmp.dc.creator"] = "Bob";
    handle->xmpData["Xmp.dc.creator"] = "Cy";
    // Exiv2 cannot assign the one item of this title to the mirror: reported.
    handle->xmpData["Xmp.dc.title"] = "lang=x-default lang=\"bad";
    handle->xmpData["Xmp.dc.rights"] = "New";
    // The image in memory, as a writer holds it before the merge.
    ImageAutoPtr image = Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg), none;
    Fill(image->exifData(), {"Exif.Image.Software=A", "Exif.Image.Software=B", "Exif.Image.Make=K",
                             "Exif.Image.Model=Old", "Exif.Image.DateTime=0000:00"});
    Fill(image->iptcData(), {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"});
    Fill(image->xmpData(), {"Xmp.dc.rights=Old"});
    const test::HandleSnapshot before = test::Snapshot(*handle);

    test::TraceCapture trace;
    test::StderrCapture stderrText;
    MergeMetaData(nullptr, &image);  // null arguments do nothing
    MergeMetaData(handle.get(), nullptr);
    MergeMetaData(handle.get(), &none);
    MergeMetaData(handle.get(), &image);

    EXPECT_EQ(stderrText.text(), "Catched Exiv2::AnyErrorCan't write metadata to xmp Block");
    // Exif and IPTC reach XMP through the refresh (tiff:Make then goes); the
    // handle's XMP, merged after it, is mirrored into Exif and IPTC.
    EXPECT_EQ(Entries(image->exifData()),
              (Texts{"Exif.Image.Make=K", "Exif.Image.ImageDescription=caption",
                     "Exif.Image.Model=New", "Exif.Image.Artist=Bob, Cy",
                     "Exif.Image.Copyright=New"}));
    EXPECT_EQ(Entries(image->iptcData()),
              (Texts{"Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.ObjectName=lang=\"bad",
                     "Iptc.Application2.Byline=Bob", "Iptc.Application2.Byline=Cy",
                     "Iptc.Application2.Copyright=New", "Iptc.Application2.Caption=caption"}));
    EXPECT_EQ(Entries(image->xmpData()),
              (Texts{"Xmp.dc.description=lang=\"x-default\" caption", "Xmp.tiff.Model=New",
                     "Xmp.dc.creator=Bob, Cy", "Xmp.dc.title=lang=\"x-default\" lang=\"bad",
                     "Xmp.dc.rights=lang=\"x-default\" New"}));
    EXPECT_EQ(trace.pieces(), Lines({{"IPTC-Key: ", "Iptc.Application2.Caption", "caption"},
                                     {"Exif-Key: ", "Exif.Image.Artist", "Ann"},
                                     {"Exif-Key: ", "Exif.Image.Model", "New"},
                                     {"Removed invalid date: ", "Exif.Image.DateTime", "0000:00"},
                                     {"XMP-Key: ", "Xmp.dc.creator", "Bob, Cy"},
                                     {"XMP-Key: ", "Xmp.dc.title", "lang=\"x-default\" lang=\"bad"},
                                     {"XMP-Key: ", "Xmp.dc.rights", "lang=\"x-default\" New"}}));
    EXPECT_TRUE(test::Snapshot(*handle) == before);
}

}  // namespace
}  // namespace lumenmeta
