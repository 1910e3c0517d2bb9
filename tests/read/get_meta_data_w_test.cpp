#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

using Read = std::pair<int, std::u16string>;
using namespace std::string_literals;
const Read kNone(0, u"-");

HandlePtr OpenFixture(const FixtureImage& fixture) {
    TempDir dir;
    return HandlePtr(OpenMetaHandle(fixture.WriteTo(dir.File("fixture.jpg")).c_str(), 0));
}

// GetMetaDataW's result and the text of the BSTR it stored ("-" for none).
Read ReadW(MetaHandle* handle, const char* key, int index = 0, bool decimal = false) {
    BSTR value = nullptr;
    const int type = GetMetaDataW(handle, key, &value, index, decimal);
    const std::u16string text = value ? std::u16string(value, SysStringLen(value)) : u"-";
    SysFreeString(value);
    return {type, text};
}

TEST(GetMetaDataW, RendersEveryValueShape) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    MetaHandle* h = handle.get();
    h->hadExif = false;
    // Nothing found: misspelt, unknown or empty values, indexes past or before them.
    const std::pair<const char*, int> misses[] = {
        {"exif.image.artist", 0}, {"iptc.application2.caption", 0}, {"xmp.dc.title", 0}, {"", 0},
        {"Exif.Image.NoSuchTag", 0}, {"Exif.Image.Software", 0}, {"Iptc.Application2.Byline", 0},
        {"Xmp.dc.source", 0}, {"Exif.Image.Artist", 1}, {"Xmp.dc.creator", 1}, {nullptr, 0},
        {"Exif.Image.Artist", -1}, {"Iptc.Application2.Keywords", -1}, {"Xmp.dc.subject", -1}};
    for (const auto& [key, index] : misses) EXPECT_EQ(ReadW(h, key, index, true), kNone) << index;
    EXPECT_EQ(ReadW(nullptr, "Exif.Image.Artist").first +
                  GetMetaDataW(h, "Exif.Image.Artist", nullptr, 0, false), 0);
    EXPECT_EQ(HadIptcData(h) + HadExifData(h) + HadXmpData(h), 0);
    EXPECT_EQ(ReadW(h, "Xmp.dc.subject", 9), kNone);  // the bag is found: flagged all the same
    EXPECT_EQ(HadXmpData(h), 1);

    const std::tuple<const char*, int, bool, Read> cases[] = {
        // XMP in UTF-8, language alternatives by their x-default entry.
        {"Xmp.dc.title", 0, false, {0x10009, u"Harbour at dawn"}},
        {"Xmp.xmp.Label", 0, true, {0x10005, u"Caf\u00e9 \u2600"}},
        {"Xmp.dc.subject", 2, false, {2, u"blue"}},
        {"Xmp.exif.FNumber", 0, true, {0x10005, u"2.800000"}},
        {"Xmp.tiff.XResolution", 0, true, {0x10005, u"123456.79"}},  // beyond single precision
        // IPTC in Windows-1252 up to a zero byte.
        {"Iptc.Application2.Caption", 0, false, {0x10000, u"Caf\u00e9 by the sea"}},
        {"Iptc.Application2.Headline", 0, false, {0x10000, u"ab"}},
        // Exif text: UTF-8 where it is valid UTF-8, else Windows-1252.
        {"Exif.Image.0x013b", 0, false, {2, u"Ann Example"}},
        {"Exif.Image.ImageDescription", 0, false, {2, u"Caf\u00e9"}},
        {"Exif.Photo.FocalLength", 0, false, {5, u"50/1"}},
        {"Exif.Photo.ISOSpeedRatings", 0, false, {3, u"100"}},     // the first component
        {"Exif.Image.ImageWidth", 0, false, {4, u"-1294967296"}},  // 32 bits
        {"Exif.Photo.ExposureBiasValue", 0, true, {10, u"-0.333333"}},
        {"Exif.Image.XPTitle", 0, false, {1, u"Hafen \u2600"}},
        {"Exif.Image.XPSubject", 0, false, {1, u""}},  // a zero unit first
        {"Exif.Photo.UserComment", 0, false, {7, u" Hello there"}},  // without "charset=Ascii"
    };
    for (const auto& [key, index, decimal, read] : cases) {
        EXPECT_EQ(ReadW(h, key, index, decimal), read) << key << " #" << index;
    }
}

TEST(GetMetaDataW, AdjacentOccurrencesUtf8IptcAndRefusedComments) {
    HandlePtr handle = OpenFixture(SeparatedKeywordsFixture());
    MetaHandle* h = handle.get();
    // Side by side after the sort at open; only adjacent occurrences count after an edit.
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 1).second, u"second");
    Exiv2::StringValue headline("edited"), keyword("late");
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Headline"), &headline);
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 2), kNone);
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 3).second, u"late");
    // UTF-8 IPTC is recognised on the first read and kept, edits notwithstanding.
    HandlePtr utf8 = OpenFixture(Utf8IptcFixture());
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Keywords", 1).second, u"Stra\u00dfe");
    // Bytes that are not UTF-8 read as Windows-1252 even under the marker.
    utf8->iptcData["Iptc.Application2.Caption"] = "Caf\xE9";
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Caption").second, u"Caf\u00e9");
    // A Unicode comment is UTF-8 behind its prefix, quoted or not.
    for (const char* prefix : {"charset=Unicode ", "charset=\"Unicode\" "}) {
        HandlePtr comment = OpenFixture(UserCommentTextFixture(prefix + "Zo\xC3\xAB \xE2\x98\x80"s));
        EXPECT_EQ(ReadW(comment.get(), "Exif.Photo.UserComment").second, u"Zo\u00eb \u2600") << prefix;
    }
    HandlePtr invalid = OpenFixture(UserCommentBytesFixture({'X', 'Y', 'Z', 0, 0, 0, 0, 0, 'a'}));
    TraceCapture trace;
    EXPECT_EQ(ReadW(invalid.get(), "Exif.Photo.UserComment"), kNone);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Invalid Exif.Photo.UserComment: ",
                                                        "charset=InvalidCharsetId a", "\n"}));
}

TEST(WideGetters, JoinAllValuesOrFillACallerBufferAsWcsncpy) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    MetaHandle* h = handle.get();
    const auto join = [](MetaHandle* h, const char* key, const char16_t* separator) {
        WCHAR* text = nullptr;  // freed with its own function, not SysFreeString
        const int result = GetMetaDataWContainer(h, key, &text, separator);
        const Read joined(result, text ? text : u"-");
        FreeMetaDataWContainer(text);
        return joined;
    };
    EXPECT_EQ(join(h, "Xmp.dc.subject", u" | "), Read(18, u"red | green | blue"));
    EXPECT_EQ(join(h, "Iptc.Application2.Keywords", nullptr), Read(17, u"harbourboatsgulls"));
    EXPECT_EQ(join(h, "Exif.Image.XResolution", u";"), Read(9, u"72.000000"));  // always decimal
    EXPECT_EQ(join(nullptr, "Xmp.dc.title", u";"), kNone);
    EXPECT_EQ(join(h, nullptr, u";"), kNone);
    EXPECT_EQ(GetMetaDataWContainer(h, "Xmp.dc.title", nullptr, u";"), 0);

    const auto read = [](MetaHandle* h, const char16_t* key, int count, int index = 0) {
        std::u16string buffer(20, u'#');
        const int result = GetMetaDataWide(h, key, buffer.data(), count, index);
        return Read(result, buffer.substr(0, buffer.find_last_not_of(u'#') + 1));
    };
    EXPECT_EQ(read(h, u"Xmp.dc.title\0junk", 17), Read(0x10009, u"Harbour at dawn\0\0"s));
    EXPECT_EQ(read(h, u"Xmp.dc.subject", 3, 2), Read(2, u"blu"));  // unterminated
    EXPECT_EQ(read(h, u"Xmp.dc.t\u65e5tle", 16), Read(0, u""));  // "?" for what code page 0 lacks
    EXPECT_EQ(read(h, u"Xmp.dc.title", -1), Read(0, u""));
    EXPECT_EQ(read(nullptr, u"Xmp.dc.title", 16), Read(0, u""));
    EXPECT_EQ(read(h, nullptr, 16).first + GetMetaDataWide(h, u"Xmp.dc.title", nullptr, 4, 0), 0);
}

// The joined read walks a bag, and a run of repeated IPTC datasets, once;
// what it gives is what reading each index gives, in order, with the flags.
TEST(WideGetters, AJoinedReadOfManyItemsGivesWhatTheReadsByIndexGive) {
    FixtureImage fixture;
    Exiv2::XmpArrayValue subjects(Exiv2::xmpBag);
    for (int i = 0; i < 1200; ++i) subjects.read("subject " + std::to_string(i) + (i % 7 ? "" : "; x"));
    fixture.xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &subjects);
    for (int i = 0; i < 400; ++i) {
        Exiv2::Iptcdatum keyword(Exiv2::IptcKey("Iptc.Application2.Keywords"));
        keyword.setValue("k\xC3\xA9" + std::to_string(i));
        fixture.iptc.add(keyword);
    }
    HandlePtr handle = OpenFixture(fixture);
    MetaHandle* h = handle.get();
    for (const char* key : {"Xmp.dc.subject", "Iptc.Application2.Keywords"}) {
        SCOPED_TRACE(key);
        std::u16string expected;
        int items = 0;
        for (BSTR value = nullptr; GetMetaDataW(h, key, &value, items, true) != 0; ++items) {
            expected += (items ? u"|" : u"") + std::u16string(value, SysStringLen(value));
            SysFreeString(value);
            value = nullptr;
        }
        EXPECT_EQ(items, key[0] == 'X' ? 1200 : 400);
        HandlePtr fresh = OpenFixture(fixture);
        WCHAR* text = nullptr;
        const int length = GetMetaDataWContainer(fresh.get(), key, &text, u"|");
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::u16string(text, static_cast<size_t>(length)), expected);
        FreeMetaDataWContainer(text);
        EXPECT_EQ(key[0] == 'X' ? HadXmpData(fresh.get()) : HadIptcData(fresh.get()), 1);
    }
}

}  // namespace
}  // namespace lumenmeta::test
