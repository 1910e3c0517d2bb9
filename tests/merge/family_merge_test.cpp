#include "lumenmeta.h"
#include "save/standard_exif_keys.h"

#include "support/handle_state.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::Images;
using test::KeysOf;
using test::TraceCapture;
using test::ValuesOf;
using Pieces = std::vector<std::string>;

Pieces Line(const std::string& text, const std::string& key, const std::string& value) {
    return {text, key, " Value: ", value, "\n"};
}

void AddText(Exiv2::ExifData& data, const std::string& key, const std::string& text) {
    Exiv2::AsciiValue value(text);
    data.add(Exiv2::ExifKey(key), &value);
}

void AddText(Exiv2::IptcData& data, const std::string& key, const std::string& text) {
    Exiv2::StringValue value(text);
    data.add(Exiv2::IptcKey(key), &value);
}

TEST(MergeMetaDataExif, ReplacesStandardKeysAndLeavesAllOthers) {
    Exiv2::ExifData source;
    AddText(source, "Exif.Image.Artist", "Source Ann");
    source["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    source["Exif.Thumbnail.Compression"] = uint16_t(6);
    AddText(source, "Exif.Nikon3.Quality", "FINE");
    source["Exif.Image.Orientation"] = uint16_t(6);

    Exiv2::ExifData target;
    AddText(target, "Exif.Image.Artist", "Target One");
    target["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    AddText(target, "Exif.Nikon3.Quality", "BASIC");
    AddText(target, "Exif.Image.Artist", "Target Two");
    target["Exif.Thumbnail.Compression"] = uint16_t(1);

    TraceCapture trace;
    MergeMetaDataExif(source, target);

    EXPECT_EQ(ValuesOf(target, "Exif.Image.Artist"), std::vector<std::string>{"Source Ann"});
    EXPECT_EQ(ValuesOf(target, "Exif.Image.Orientation"), std::vector<std::string>{"6"});
    // Not standard: the target keeps its own values.
    EXPECT_EQ(ValuesOf(target, "Exif.Image.XResolution"), std::vector<std::string>{"300/1"});
    EXPECT_EQ(ValuesOf(target, "Exif.Nikon3.Quality"), std::vector<std::string>{"BASIC"});
    EXPECT_EQ(ValuesOf(target, "Exif.Thumbnail.Compression"), std::vector<std::string>{"1"});
    // The added datums stand after the kept ones, in source order.
    EXPECT_EQ(KeysOf(target),
              (std::vector<std::string>{"Exif.Image.XResolution", "Exif.Nikon3.Quality",
                                        "Exif.Thumbnail.Compression", "Exif.Image.Artist",
                                        "Exif.Image.Orientation"}));
    Pieces expected = Line("Exif-Key: ", "Exif.Image.Artist", "Source Ann");
    const Pieces orientation = Line("Exif-Key: ", "Exif.Image.Orientation", "6");
    expected.insert(expected.end(), orientation.begin(), orientation.end());
    EXPECT_EQ(trace.pieces(), expected);
    // The source is only read.
    EXPECT_EQ(source.count(), 5);
}

TEST(MergeMetaDataIptc, RepeatedDatasetsArriveInFullInSourceOrder) {
    Exiv2::IptcData source;
    for (const char* keyword : {"harbour", "boats", "dawn"}) {
        AddText(source, "Iptc.Application2.Keywords", keyword);
    }
    Exiv2::IptcData target;
    AddText(target, "Iptc.Application2.Keywords", "old one");
    AddText(target, "Iptc.Application2.Caption", "kept caption");
    AddText(target, "Iptc.Application2.Keywords", "old two");

    TraceCapture trace;
    MergeMetaDataIptc(source, target);

    EXPECT_EQ(KeysOf(target),
              (std::vector<std::string>{"Iptc.Application2.Caption", "Iptc.Application2.Keywords",
                                        "Iptc.Application2.Keywords",
                                        "Iptc.Application2.Keywords"}));
    EXPECT_EQ(ValuesOf(target, "Iptc.Application2.Keywords"),
              (std::vector<std::string>{"harbour", "boats", "dawn"}));
    Pieces expected;
    for (const char* keyword : {"harbour", "boats", "dawn"}) {
        const Pieces line = Line("IPTC-Key: ", "Iptc.Application2.Keywords", keyword);
        expected.insert(expected.end(), line.begin(), line.end());
    }
    EXPECT_EQ(trace.pieces(), expected);
}

TEST(MergeMetaDataXmp, ABagIsReplacedAsAWhole) {
    Exiv2::XmpData source;
    Exiv2::XmpArrayValue subjects(Exiv2::xmpBag);
    subjects.read("harbour");
    subjects.read("dawn");
    source.add(Exiv2::XmpKey("Xmp.dc.subject"), &subjects);
    Exiv2::XmpData target;
    target["Xmp.dc.subject"] = "old";
    target["Xmp.dc.subject"] = "older";
    target["Xmp.dc.format"] = "image/jpeg";

    TraceCapture trace;
    MergeMetaDataXmp(source, target);

    EXPECT_EQ(KeysOf(target), (std::vector<std::string>{"Xmp.dc.format", "Xmp.dc.subject"}));
    const auto subject = target.findKey(Exiv2::XmpKey("Xmp.dc.subject"));
    EXPECT_EQ(subject->typeId(), Exiv2::xmpBag);
    EXPECT_EQ(subject->toString(), "harbour, dawn");
    EXPECT_EQ(trace.pieces(), Line("XMP-Key: ", "Xmp.dc.subject", "harbour, dawn"));
}

TEST(FamilyMerges, ADatumThatCannotBeAddedIsTracedAndSkipped) {
    // A datum without a value cannot be added; the merge goes on with the
    // next one.
    Exiv2::ExifData exifSource;
    exifSource.add(Exiv2::Exifdatum(Exiv2::ExifKey("Exif.Image.Artist")));
    AddText(exifSource, "Exif.Image.Make", "Lumen");
    Exiv2::ExifData exifTarget;
    AddText(exifTarget, "Exif.Image.Artist", "Target");
    Exiv2::IptcData iptcSource;
    iptcSource.add(Exiv2::Iptcdatum(Exiv2::IptcKey("Iptc.Application2.City")));
    Exiv2::IptcData iptcTarget;
    Exiv2::XmpData xmpSource;
    xmpSource.add(Exiv2::Xmpdatum(Exiv2::XmpKey("Xmp.dc.format")));
    xmpSource["Xmp.dc.source"] = "roll 7";
    Exiv2::XmpData xmpTarget;

    TraceCapture trace;
    MergeMetaDataExif(exifSource, exifTarget);
    MergeMetaDataIptc(iptcSource, iptcTarget);
    MergeMetaDataXmp(xmpSource, xmpTarget);

    // The cleared key stays cleared even though its new value did not come.
    EXPECT_EQ(KeysOf(exifTarget), std::vector<std::string>{"Exif.Image.Make"});
    EXPECT_TRUE(iptcTarget.empty());
    EXPECT_EQ(KeysOf(xmpTarget), std::vector<std::string>{"Xmp.dc.source"});
    Pieces expected;
    for (const Pieces& line : {Line("Unable to write Exif-Key: ", "Exif.Image.Artist", ""),
                               Line("Exif-Key: ", "Exif.Image.Make", "Lumen"),
                               Line("Unable to write IPTC-Key: ", "Iptc.Application2.City", ""),
                               Line("Unable to write XMP-Key: ", "Xmp.dc.format", ""),
                               Line("XMP-Key: ", "Xmp.dc.source", "roll 7")}) {
        expected.insert(expected.end(), line.begin(), line.end());
    }
    EXPECT_EQ(trace.pieces(), expected);
}

TEST(FamilyMerges, EmptyOrOwnSourceChangesNothing) {
    Exiv2::ExifData exif;
    AddText(exif, "Exif.Image.Artist", "Ann");
    AddText(exif, "Exif.Image.Artist", "Bob");
    Exiv2::IptcData iptc;
    AddText(iptc, "Iptc.Application2.Keywords", "one");
    AddText(iptc, "Iptc.Application2.Keywords", "two");
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.format"] = "image/jpeg";
    const auto exifBefore = Images(exif);
    const auto iptcBefore = Images(iptc);
    const auto xmpBefore = Images(xmp);
    const size_t setSizeBefore = StandardExifKeySet().size();

    TraceCapture trace;
    Exiv2::ExifData emptyExif;
    Exiv2::IptcData emptyIptc;
    Exiv2::XmpData emptyXmp;
    MergeMetaDataExif(emptyExif, exif);
    MergeMetaDataIptc(emptyIptc, iptc);
    MergeMetaDataXmp(emptyXmp, xmp);
    // An empty source does not need the key set, so it does not fill it.
    EXPECT_EQ(StandardExifKeySet().size(), setSizeBefore);
    MergeMetaDataExif(exif, exif);
    MergeMetaDataIptc(iptc, iptc);
    MergeMetaDataXmp(xmp, xmp);

    EXPECT_EQ(Images(exif), exifBefore);
    EXPECT_EQ(Images(iptc), iptcBefore);
    EXPECT_EQ(Images(xmp), xmpBefore);
    EXPECT_TRUE(trace.pieces().empty());
}

}  // namespace
}  // namespace lumenmeta
