#include "read/read_helpers.h"

#include "platform/code_page.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumenmeta::test {
namespace {

using Read = std::pair<int, std::u16string>;
using namespace std::string_literals;

// GetMetaDataW's result and the text of the BSTR it stored ("-" for none).
Read ReadW(MetaHandle* handle, const char* key, int index = 0, bool decimal = false) {
    BSTR value = nullptr;
    const int type = GetMetaDataW(handle, key, &value, index, decimal);
    const std::u16string text = value ? std::u16string(value, SysStringLen(value)) : u"-";
    SysFreeString(value);
    return {type, text};
}

TEST(GetMetaDataW, RendersEveryValueShape) {
    const std::tuple<const char*, int, bool, Read> cases[] = {
        // XMP in UTF-8, language alternatives by their x-default entry.
        {"Xmp.dc.title", 0, false, {0x10009, u"Harbour at dawn"}},
        {"Xmp.dc.rights", 0, false, {0x10009, u"lang=\"de-DE\" Alle Rechte"}},
        {"Xmp.xmp.Label", 0, true, {0x10005, u"Caf\u00e9 \u2600"}},
        {"Xmp.dc.subject", 2, false, {2, u"blue"}},
        {"Xmp.dc.subject", 3, false, {0, u"-"}},
        {"Xmp.dc.creator", 1, false, {0, u"-"}},  // a sequence is one value
        {"Xmp.dc.source", 0, false, {0, u"-"}},   // empty
        {"Xmp.exif.FNumber", 0, false, {0x10005, u"28/10"}},
        {"Xmp.exif.FNumber", 0, true, {0x10005, u"2.800000"}},
        {"Xmp.tiff.XResolution", 0, true, {0x10005, u"123456.79"}},  // beyond single precision
        {"Xmp.exif.GPSAltitude", 0, true, {0x10005, u"0.333333"}},
        // IPTC in Windows-1252 up to a zero byte; empty counts as absent.
        {"Iptc.Application2.Keywords", 3, false, {0, u"-"}},
        {"Iptc.Application2.Caption", 0, false, {0x10000, u"Caf\u00e9 by the sea"}},
        {"Iptc.Application2.Headline", 0, false, {0x10000, u"ab"}},
        {"Iptc.Application2.Byline", 0, false, {0, u"-"}},
        {"Iptc.Application2.0x0019", 0, false, {0, u"-"}},  // not the key's spelling
        // Exif text in Windows-1252, also when it holds UTF-8; index 0 only.
        {"Exif.Image.0x013b", 0, false, {2, u"Ann Example"}},
        {"Exif.Image.Artist", 1, false, {0, u"-"}},
        {"Exif.Image.ImageDescription", 0, false, {2, u"Caf\u00c3\u00a9"}},
        {"Exif.Image.Software", 0, false, {0, u"-"}},
        {"Exif.Photo.ISOSpeedRatings", 0, false, {3, u"100"}},  // the first component
        {"Exif.Image.TimeZoneOffset", 0, false, {8, u"-5"}},
        {"Exif.Image.ImageWidth", 0, false, {4, u"-1294967296"}},  // 32 bits
        {"Exif.Photo.FocalLength", 0, false, {5, u"50/1"}},
        {"Exif.Photo.ExposureBiasValue", 0, true, {10, u"-0.333333"}},
        {"Exif.Image.XPTitle", 0, false, {1, u"Hafen \u2600"}},
        {"Exif.Image.XPKeywords", 0, false, {1, u"Abc"}},  // odd size
        {"Exif.Image.XPSubject", 0, false, {1, u""}},      // a zero unit first
    };
    HandlePtr handle = OpenFixture(ReadingFixture());
    for (const auto& [key, index, decimal, read] : cases) {
        EXPECT_EQ(ReadW(handle.get(), key, index, decimal), read) << key << " #" << index;
    }
    // UTF-8 IPTC is recognised on the first read and kept, edits notwithstanding.
    HandlePtr utf8 = OpenFixture(Utf8IptcFixture());
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Keywords", 1).second, u"Stra\u00dfe");
    utf8->iptcData["Iptc.Application2.Caption"] = "Caf\xE9";
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Caption").second, u"Caf\ufffd");
}

TEST(GetMetaDataW, OccurrencesFlagsAndBadArguments) {
    HandlePtr handle = OpenFixture(SeparatedKeywordsFixture());
    MetaHandle* h = handle.get();
    // Separated on disk, side by side after the sort at open; an edit then
    // appends a headline and a keyword, and only adjacent occurrences count.
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 1).second, u"second");
    Exiv2::StringValue headline("edited"), keyword("late");
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Headline"), &headline);
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 2).first, 0);
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Keywords", 3).second, u"late");
    const Exiv2::XmpTextValue one("one"), two("two"), zero("5/0");
    h->xmpData.add(Exiv2::XmpKey("Xmp.xmp.Label"), &one);
    h->xmpData.add(Exiv2::XmpKey("Xmp.xmp.Label"), &two);
    h->xmpData.add(Exiv2::XmpKey("Xmp.exif.FNumber"), &zero);
    EXPECT_EQ(ReadW(h, "Xmp.xmp.Label", 1).second, u"two");
    EXPECT_EQ(ReadW(h, "Xmp.exif.FNumber", 0, true).second, u"0.000000");

    HandlePtr fresh = OpenFixture(ReadingFixture());
    h = fresh.get();
    h->hadExif = false;
    const std::string longKey = "Xmp.dc." + std::string(100000, 'a');
    for (const char* key : {"exif.image.artist", "iptc.application2.caption", "xmp.dc.title",
                            "Exif.Nowhere.Artist", "Exif.Image.NoSuchTag", "", "\xff\xfe",
                            longKey.c_str()}) {
        EXPECT_EQ(ReadW(h, key, 0, true), Read(0, u"-")) << key;
    }
    for (const char* key : {"Exif.Image.Artist", "Iptc.Application2.Keywords", "Xmp.dc.subject"}) {
        for (int index : {INT_MIN, -1}) EXPECT_EQ(ReadW(h, key, index), Read(0, u"-")) << key;
    }
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Byline").first, 0);  // empty
    EXPECT_EQ(HadIptcData(h) + HadExifData(h) + HadXmpData(h), 0);  // nothing found
    // Finding the bag sets the flag even when the index is past its end.
    EXPECT_EQ(ReadW(h, "Xmp.dc.subject", 9).first, 0);
    EXPECT_EQ(ReadW(h, "Exif.Image.Artist").first, 2);
    EXPECT_EQ(HadIptcData(h) + HadExifData(h) + HadXmpData(h), 2);
    BSTR value = nullptr;
    EXPECT_EQ(GetMetaDataW(nullptr, "Exif.Image.Artist", &value, 0, false) +
                  GetMetaDataW(h, nullptr, &value, 0, false) +
                  GetMetaDataW(h, "Exif.Image.Artist", nullptr, 0, false),
              0);
    EXPECT_EQ(value, nullptr);
    HandlePtr invalid(OpenMetaHandle("/nonexistent/missing.jpg", 0));
    EXPECT_EQ(ReadW(invalid.get(), "Exif.Image.Artist").first, 0);
}

TEST(GetMetaDataW, UserCommentsByCharset) {
    const auto bytes = [](const char* header, std::vector<unsigned char> body) {
        body.insert(body.begin(), header, header + 8);
        return UserCommentBytesFixture(body);
    };
    const std::pair<FixtureImage, std::string> cases[] = {
        // The text delivered, in UTF-8; or "!" and the text traced on refusal.
        {bytes("ASCII\0\0\0", {'C', 'a', 'f', 0xE9}), " Caf\xC3\xA9"},
        {bytes("UNICODE\0", Utf16LeBytes(u"\u00fc \u2600", 0)), "\xC3\xBC \xE2\x98\x80"},
        {UserCommentTextFixture("charset=\"Ascii\" quoted"), "quoted"},
        {UserCommentTextFixture("charset=Unicode \xC3\xA9"), "\xC3\xA9"},
        {UserCommentTextFixture("charset=\"Ascii"), "charset=\"Ascii"},
        {bytes("XYZ\0\0\0\0\0", {'a', 'b', 'c'}), "!charset=InvalidCharsetId abc"},
        {UserCommentTextFixture("binary comment"), "!binary comment"},
    };
    for (const auto& [fixture, expected] : cases) {
        HandlePtr handle = OpenFixture(fixture);
        TraceCapture trace;
        const Read read = ReadW(handle.get(), "Exif.Photo.UserComment");
        if (expected[0] == '!') {
            EXPECT_EQ(read, Read(0, u"-")) << expected;
            EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Invalid Exif.Photo.UserComment: ",
                                                                expected.substr(1), "\n"}));
        } else {
            EXPECT_EQ(CodePageFromWide(read.second, kCodePageUtf8), expected);
            EXPECT_TRUE(trace.pieces().empty()) << expected;
        }
    }
}

TEST(GetMetaDataWContainer, JoinsEveryValueOfAKey) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    const auto join = [&](MetaHandle* h, const char* key, const char16_t* separator) {
        WCHAR* text = nullptr;
        const int result = GetMetaDataWContainer(h, key, &text, separator);
        const std::u16string joined = text ? text : u"-";
        FreeMetaDataWContainer(text);
        return Read(result, joined);
    };
    EXPECT_EQ(join(handle.get(), "Xmp.dc.subject", u" | "), Read(18, u"red | green | blue"));
    EXPECT_EQ(join(handle.get(), "Iptc.Application2.Keywords", nullptr), Read(17, u"harbourboatsgulls"));
    EXPECT_EQ(join(handle.get(), "Exif.Image.XResolution", u";"), Read(9, u"72.000000"));  // decimal
    EXPECT_EQ(join(handle.get(), "Xmp.dc.source", u";"), Read(0, u"-"));
    EXPECT_EQ(join(handle.get(), "Exif.Image.XPSubject", nullptr), Read(0, u"-"));  // "": count - 1
    EXPECT_EQ(join(nullptr, "Xmp.dc.subject", u";"), Read(0, u"-"));
    EXPECT_EQ(join(handle.get(), nullptr, u";"), Read(0, u"-"));
    EXPECT_EQ(GetMetaDataWContainer(handle.get(), "Xmp.dc.subject", nullptr, u";"), 0);
    FreeMetaDataWContainer(nullptr);
}

TEST(GetMetaDataWide, WideKeyIntoACallerBufferAsWcsncpy) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    const auto read = [&](const char16_t* key, int count, int index = 0) {
        std::u16string buffer(20, u'#');
        const int result = GetMetaDataWide(handle.get(), key, buffer.data(), count, index);
        return Read(result, buffer.substr(0, buffer.find_last_not_of(u'#') + 1));
    };
    EXPECT_EQ(read(u"Xmp.dc.title", 17), Read(0x10009, u"Harbour at dawn\0\0"s));
    EXPECT_EQ(read(u"Xmp.dc.title", 15), Read(0x10009, u"Harbour at dawn"));  // unterminated
    EXPECT_EQ(read(u"Xmp.dc.title\0junk", 4), Read(0x10009, u"Harb"));
    EXPECT_EQ(read(u"Iptc.Application2.Keywords", 6, 1), Read(0x10000, u"boats\0"s));
    EXPECT_EQ(read(u"Exif.Image.XResolution", 9), Read(5, u"72.000000"));  // always decimal
    // Key characters that code page 0 lacks become "?": no such key.
    for (const char16_t* key : {u"Xmp.dc.t\u65e5tle", u"Xmp.dc.subject\xd800", u""}) {
        EXPECT_EQ(read(key, 16), Read(0, u""));
    }
    EXPECT_EQ(read(u"Xmp.dc.subject", 16, 3), Read(0, u""));
    EXPECT_EQ(read(u"Xmp.dc.title", -1), Read(0, u""));
    EXPECT_EQ(read(nullptr, 16), Read(0, u""));
    char16_t buffer[4] = {u'#'};
    EXPECT_EQ(GetMetaDataWide(nullptr, u"Xmp.dc.title", buffer, 4, 0) +
                  GetMetaDataWide(handle.get(), u"Xmp.dc.title", nullptr, 4, 0),
              0);
    EXPECT_EQ(buffer[0], u'#');
}

}  // namespace
}  // namespace lumenmeta::test
