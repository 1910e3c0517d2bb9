#include "read/read_helpers.h"

#include "support/reading_fixtures.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumenmeta::test {
namespace {

struct Expected {
    const char* key;
    int index;
    bool decimal;
    int type;  // 0: nothing delivered
    const char16_t* text;
};

const Expected kValues[] = {
    // XMP: x-default alone, other languages keep their qualifier; text that
    // holds a language entry is cut like one.
    {"Xmp.dc.title", 0, false, 0x10009, u"Harbour at dawn"},
    {"Xmp.dc.rights", 0, false, 0x10009, u"lang=\"de-DE\" Alle Rechte"},
    {"Xmp.xmp.Nickname", 0, false, 0x10005, u"Hi"},
    {"Xmp.xmp.Label", 0, true, 0x10005, u"Caf\u00e9 \u2600"},
    {"Xmp.dc.subject", 0, false, 2, u"red"},
    {"Xmp.dc.subject", 2, false, 2, u"blue"},
    {"Xmp.dc.subject", 3, false, 0, nullptr},
    {"Xmp.dc.creator", 0, false, 0x10008, u"Ann, Bob"},
    {"Xmp.dc.creator", 1, false, 0, nullptr},
    {"Xmp.dc.title", 1, false, 0, nullptr},
    {"Xmp.dc.source", 0, false, 0, nullptr},  // empty
    {"xmp.dc.title", 0, false, 0, nullptr},
    {"Xmp.exif.FNumber", 0, true, 0x10005, u"2.800000"},
    {"Xmp.exif.FNumber", 0, false, 0x10005, u"28/10"},
    {"Xmp.exif.ExposureTime", 0, true, 0x10005, u"0.004000"},
    // Beyond single precision: the exact fraction, trailing zeros trimmed.
    {"Xmp.exif.FocalLength", 0, true, 0x10005, u"123.4567"},
    {"Xmp.tiff.XResolution", 0, true, 0x10005, u"123456.79"},
    {"Xmp.exif.GPSAltitude", 0, true, 0x10005, u"0.333333"},
    // IPTC in Windows-1252; repeats by index; text ends at a zero byte.
    {"Iptc.Application2.Keywords", 0, false, 0x10000, u"harbour"},
    {"Iptc.Application2.Keywords", 2, false, 0x10000, u"gulls"},
    {"Iptc.Application2.Keywords", 3, false, 0, nullptr},
    {"Iptc.Application2.Caption", 0, false, 0x10000, u"Caf\u00e9 by the sea"},
    {"Iptc.Envelope.ModelVersion", 0, true, 3, u"4"},
    {"Iptc.Application2.DateCreated", 0, false, 0x10001, u"2024-05-01"},
    {"Iptc.Application2.Headline", 0, false, 0x10000, u"ab"},
    {"Iptc.Application2.Byline", 0, false, 0, nullptr},  // empty
    {"Iptc.Application2.0x0019", 0, false, 0, nullptr},  // not the key's spelling
    // Exif text in Windows-1252, also when it holds UTF-8.
    {"Exif.Image.Artist", 0, false, 2, u"Ann Example"},
    {"Exif.Image.0x013b", 0, false, 2, u"Ann Example"},
    {"Exif.Image.Copyright", 0, false, 2, u"Caf\u00e9 Lumen"},
    {"Exif.Image.ImageDescription", 0, false, 2, u"Caf\u00c3\u00a9"},
    {"Exif.Photo.ISOSpeedRatings", 0, false, 3, u"100"},
    {"Exif.Image.TimeZoneOffset", 0, false, 8, u"-5"},
    {"Exif.Photo.PixelXDimension", 0, false, 4, u"4000"},
    {"Exif.Image.ImageWidth", 0, false, 4, u"-1294967296"},  // 32 bits
    {"Exif.Photo.FocalLength", 0, false, 5, u"50/1"},
    {"Exif.Photo.FocalLength", 0, true, 5, u"50.000000"},
    {"Exif.Photo.ExposureBiasValue", 0, true, 10, u"-0.333333"},
    {"Exif.Image.XPTitle", 0, false, 1, u"Hafen \u2600"},
    {"Exif.Image.XPKeywords", 0, false, 1, u"Abc"},
    {"Exif.Image.XPSubject", 0, false, 1, u""},
    {"Exif.Photo.UserComment", 0, false, 7, u" Hello there"},
    {"Exif.Image.Artist", 1, false, 0, nullptr},
    {"Exif.Image.Software", 0, false, 0, nullptr},  // empty
};

TEST(GetMetaDataW, RendersEveryValueShape) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    for (const Expected& e : kValues) {
        SCOPED_TRACE(std::string(e.key) + " #" + std::to_string(e.index));
        const WideRead read = ReadW(handle.get(), e.key, e.index, e.decimal);
        EXPECT_EQ(read.type, e.type);
        EXPECT_EQ(read.stored, e.type != 0);
        EXPECT_EQ(read.text, e.text ? e.text : u"");
    }
    EXPECT_EQ(handle->iptcCodePage, 0);

    Handle utf8 = OpenFixture(Utf8IptcFixture(), dir, "utf8.jpg");
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Caption").text, u"Caf\u00e9");
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Keywords", 1).text, u"Stra\u00dfe");
    EXPECT_EQ(utf8->iptcCodePage, 65001);
}

TEST(GetMetaDataW, OccurrencesFlagsAndEdits) {
    TempDir dir;
    Handle handle = OpenFixture(SeparatedKeywordsFixture(), dir);
    // Separated on disk: the sort at open puts them side by side.
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 1).text, u"second");
    // An edit appends a headline and a keyword; positions count from the
    // first keyword, and position 2 is the headline.
    AppendSeparatedKeyword(*handle, "late");
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 2).type, 0);
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 3).text, u"late");

    // A repeated XMP property counts the same way.
    Exiv2::XmpTextValue second("two");
    handle->xmpData["Xmp.xmp.Label"] = "one";
    handle->xmpData.add(Exiv2::XmpKey("Xmp.xmp.Label"), &second);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.xmp.Label", 1).text, u"two");

    // The find sets the flag even when nothing is then delivered.
    Handle fresh = OpenFixture(ReadingFixture(), dir, "fresh.jpg");
    fresh->hadExif = false;
    EXPECT_EQ(ReadW(fresh.get(), "Iptc.Application2.Byline").type, 0);
    EXPECT_EQ(ReadW(fresh.get(), "Exif.Image.Artist", 1).type, 0);
    EXPECT_EQ(HadIptcData(fresh.get()) + HadExifData(fresh.get()) + HadXmpData(fresh.get()), 0);
    EXPECT_EQ(ReadW(fresh.get(), "Xmp.dc.subject", 9).type, 0);
    EXPECT_EQ(HadXmpData(fresh.get()), 1);
    EXPECT_EQ(ReadW(fresh.get(), "Exif.Image.Artist").type, 2);
    EXPECT_EQ(HadExifData(fresh.get()), 1);
}

TEST(GetMetaDataW, UserCommentsInEveryCharsetForm) {
    const auto bytes = [](const char* header, std::vector<unsigned char> body) {
        body.insert(body.begin(), header, header + 8);
        return UserCommentBytesFixture(body);
    };
    struct Case {
        FixtureImage fixture;
        const char16_t* text;  // null: rejected, with the trace of `traced`
        const char* traced;
    };
    const Case cases[] = {
        {bytes("ASCII\0\0\0", {'C', 'a', 'f', 0xE9}), u" Caf\u00e9", nullptr},
        {bytes("UNICODE\0", Utf16LeBytes(u"Gr\u00fc\u00dfe \u2600", 0)), u"Gr\u00fc\u00dfe \u2600",
         nullptr},
        {bytes("\0\0\0\0\0\0\0\0", {'p', 'l', 'a', 'i', 'n'}), u"plain", nullptr},
        {bytes("JIS\0\0\0\0\0", {'a', 'b'}), u"charset=Jis ab", nullptr},
        {UserCommentTextFixture("charset=\"Ascii\" quoted"), u"quoted", nullptr},
        {UserCommentTextFixture("charset=\"Unicode\" \xE2\x98\x80"), u"\u2600", nullptr},
        {UserCommentTextFixture("charset=Unicode \xC3\xA9"), u"\u00e9", nullptr},
        {UserCommentTextFixture("charset=\"Ascii"), u"charset=\"Ascii", nullptr},
        {bytes("XYZ\0\0\0\0\0", {'a', 'b', 'c'}), nullptr, "charset=InvalidCharsetId abc"},
        {UserCommentTextFixture("charset=\"InvalidCharsetId\" x"), nullptr,
         "charset=\"InvalidCharsetId\" x"},
        {UserCommentTextFixture("binary comment"), nullptr, "binary comment"},
    };
    TempDir dir;
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(++number);
        Handle handle = OpenFixture(c.fixture, dir, std::to_string(number) + ".jpg");
        TraceCapture trace;
        const WideRead read = ReadW(handle.get(), "Exif.Photo.UserComment");
        EXPECT_EQ(read.stored, c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(read.text, c.text);
            EXPECT_TRUE(trace.pieces().empty());
        } else {
            EXPECT_EQ(read.type, 0);
            EXPECT_EQ(trace.pieces(), (std::vector<std::string>{
                                          "Invalid Exif.Photo.UserComment: ", c.traced, "\n"}));
        }
    }
}

TEST(GetMetaDataW, BadKeysIndexesAndArgumentsFindNothing) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    handle->hadExif = false;
    const std::string longKey = "Xmp.dc." + std::string(100000, 'a');
    const char* keys[] = {"exif.image.artist",
                          "iptc.application2.caption",
                          "Exif.Nowhere.Artist",
                          "Iptc.Nowhere.Caption",
                          "Xmp.nowhere.title",
                          "Exif.Image.NoSuchTag",
                          "",
                          ".",
                          "Xmp.",
                          "Iptc..",
                          "\xff\xfe",
                          longKey.c_str()};
    for (const char* key : keys) {
        for (int index : {0, 1, -1}) EXPECT_EQ(ReadW(handle.get(), key, index, true).type, 0);
    }
    for (const char* key : {"Exif.Image.Artist", "Iptc.Application2.Keywords", "Xmp.dc.title"}) {
        for (int index : {-1, INT_MIN, INT_MAX})
            EXPECT_FALSE(ReadW(handle.get(), key, index).stored);
    }
    EXPECT_EQ(HadExifData(handle.get()) + HadIptcData(handle.get()) + HadXmpData(handle.get()), 0);

    BSTR value = nullptr;
    EXPECT_EQ(GetMetaDataW(nullptr, "Exif.Image.Artist", &value, 0, false), 0);
    EXPECT_EQ(GetMetaDataW(handle.get(), nullptr, &value, 0, false), 0);
    EXPECT_EQ(GetMetaDataW(handle.get(), "Exif.Image.Artist", nullptr, 0, false), 0);
    EXPECT_EQ(value, nullptr);
    Handle invalid(OpenMetaHandle(dir.File("missing.jpg").c_str(), 0));
    EXPECT_EQ(ReadW(invalid.get(), "Xmp.dc.title").type, 0);
}

}  // namespace
}  // namespace lumenmeta::test
