#include "read/read_helpers.h"

#include "support/reading_fixtures.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumenmeta::test {
namespace {

constexpr int kLangAlt = 0x10009;
constexpr int kXmpText = 0x10005;
constexpr int kXmpSeq = 0x10008;

TEST(GetMetaDataW, XmpTextLanguageAlternativesBagsAndSequences) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    ASSERT_TRUE(handle->isValid);
    EXPECT_EQ(HadXmpData(handle.get()), 0);

    // The x-default entry alone; without one the qualifiers stay.
    WideRead title = ReadW(handle.get(), "Xmp.dc.title");
    EXPECT_EQ(title.type, kLangAlt);
    EXPECT_EQ(title.text, u"Harbour at dawn");
    EXPECT_EQ(HadXmpData(handle.get()), 1);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.rights").text, u"lang=\"de-DE\" Alle Rechte");
    // Text that holds a language entry is cut like one, whatever its type.
    WideRead nickname = ReadW(handle.get(), "Xmp.xmp.Nickname");
    EXPECT_EQ(nickname.type, kXmpText);
    EXPECT_EQ(nickname.text, u"Hi");

    WideRead label = ReadW(handle.get(), "Xmp.xmp.Label");
    EXPECT_EQ(label.type, kXmpText);
    EXPECT_EQ(label.text, u"Caf\u00e9 \u2600");

    // A bag gives one element per index, as an ASCII string.
    const char16_t* colours[] = {u"red", u"green", u"blue"};
    for (int index = 0; index < 3; ++index) {
        WideRead element = ReadW(handle.get(), "Xmp.dc.subject", index);
        EXPECT_EQ(element.type, 2);
        EXPECT_EQ(element.text, colours[index]);
    }
    EXPECT_FALSE(ReadW(handle.get(), "Xmp.dc.subject", 3).stored);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.subject", 3).type, 0);

    // A sequence is one value: Exiv2's text at index 0, nothing after.
    WideRead creators = ReadW(handle.get(), "Xmp.dc.creator");
    EXPECT_EQ(creators.type, kXmpSeq);
    EXPECT_EQ(creators.text, u"Ann, Bob");
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.creator", 1).type, 0);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.title", 1).type, 0);

    // An empty value is not found, nor is a family written in lower case.
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.source").type, 0);
    EXPECT_EQ(ReadW(handle.get(), "xmp.dc.title").type, 0);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.format").type, 0);
}

TEST(GetMetaDataW, FlagsAreSetByTheFindEvenWhenNothingIsDelivered) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.format").type, 0);
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Byline").type, 0);  // empty
    EXPECT_EQ(HadXmpData(handle.get()), 0);
    EXPECT_EQ(HadIptcData(handle.get()), 0);
    EXPECT_EQ(handle->iptcCodePage, -1);
    // The bag is found; its fourth element is not there.
    EXPECT_EQ(ReadW(handle.get(), "Xmp.dc.subject", 3).type, 0);
    EXPECT_EQ(HadXmpData(handle.get()), 1);

    // Exif read into a handle that had none at open.
    FixtureImage noExif;
    noExif.xmp["Xmp.dc.format"] = "image/jpeg";
    Handle bare = OpenFixture(noExif, dir, "bare.jpg");
    ASSERT_EQ(HadExifData(bare.get()), 0);
    bare->exifData["Exif.Image.Artist"] = "Ann";
    EXPECT_EQ(ReadW(bare.get(), "Exif.Image.Artist", 1).type, 0);
    EXPECT_EQ(HadExifData(bare.get()), 0);
    EXPECT_EQ(ReadW(bare.get(), "Exif.Image.Artist").text, u"Ann");
    EXPECT_EQ(HadExifData(bare.get()), 1);
}

TEST(GetMetaDataW, RepeatedXmpPropertiesAreCountedFromTheFirst) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    // A second datum with the same key, appended to the working set.
    Exiv2::XmpTextValue second("Second label");
    handle->xmpData.add(Exiv2::XmpKey("Xmp.xmp.Label"), &second);
    handle->xmpData.sortByKey();
    EXPECT_EQ(ReadW(handle.get(), "Xmp.xmp.Label", 0).text, u"Caf\u00e9 \u2600");
    EXPECT_EQ(ReadW(handle.get(), "Xmp.xmp.Label", 1).text, u"Second label");
    EXPECT_EQ(ReadW(handle.get(), "Xmp.xmp.Label", 2).type, 0);
}

TEST(GetMetaDataW, RationalXmpPropertiesAsDecimals) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    struct Case {
        const char* key;
        const char16_t* decimal;
        const char16_t* text;
    };
    const Case cases[] = {
        {"Xmp.exif.FNumber", u"2.800000", u"28/10"},
        {"Xmp.exif.ExposureTime", u"0.004000", u"1/250"},
        // Single precision cannot hold these to 1e-7: the fraction itself is
        // rendered, trailing zeros trimmed.
        {"Xmp.exif.FocalLength", u"123.4567", u"1234567/10000"},
        {"Xmp.tiff.XResolution", u"123456.79", u"12345679/100"},
        {"Xmp.exif.GPSAltitude", u"0.333333", u"0.3333333333"},
        // Not one of the rational properties: text either way.
        {"Xmp.xmp.Label", u"Caf\u00e9 \u2600", u"Caf\u00e9 \u2600"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        WideRead decimal = ReadW(handle.get(), c.key, 0, true);
        EXPECT_EQ(decimal.type, kXmpText);
        EXPECT_EQ(decimal.text, c.decimal);
        EXPECT_EQ(ReadW(handle.get(), c.key, 0, false).text, c.text);
    }
}

TEST(GetMetaDataW, IptcOccurrencesAndCodePages) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    const char16_t* keywords[] = {u"harbour", u"boats", u"gulls"};
    for (int index = 0; index < 3; ++index) {
        WideRead keyword = ReadW(handle.get(), "Iptc.Application2.Keywords", index);
        EXPECT_EQ(keyword.type, 0x10000);  // Exiv2's IPTC string
        EXPECT_EQ(keyword.text, keywords[index]);
    }
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 3).type, 0);
    EXPECT_EQ(HadIptcData(handle.get()), 1);
    EXPECT_EQ(handle->iptcCodePage, 0);  // not UTF-8: Windows-1252
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Caption").text, u"Caf\u00e9 by the sea");
    WideRead version = ReadW(handle.get(), "Iptc.Envelope.ModelVersion");
    EXPECT_EQ(version.type, 3);
    EXPECT_EQ(version.text, u"4");
    WideRead date = ReadW(handle.get(), "Iptc.Application2.DateCreated");
    EXPECT_EQ(date.type, 0x10001);
    EXPECT_EQ(date.text, u"2024-05-01");
    // Text ends at its first zero byte; an empty dataset is not found.
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Headline").text, u"ab");
    EXPECT_FALSE(ReadW(handle.get(), "Iptc.Application2.Byline").stored);
    // A name Exiv2 knows under another spelling is not the same key.
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.0x0019").type, 0);

    Handle utf8 = OpenFixture(Utf8IptcFixture(), dir, "utf8.jpg");
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Caption").text, u"Caf\u00e9");
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Keywords", 0).text, u"Gr\u00fc\u00dfe");
    EXPECT_EQ(ReadW(utf8.get(), "Iptc.Application2.Keywords", 1).text, u"Stra\u00dfe");
    EXPECT_EQ(utf8->iptcCodePage, 65001);
}

TEST(GetMetaDataW, IptcRepeatsAreReachableOnlyWhileAdjacent) {
    TempDir dir;
    // Separated on disk: the sort at open puts them next to each other.
    Handle handle = OpenFixture(SeparatedKeywordsFixture(), dir);
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 0).text, u"first");
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 1).text, u"second");

    // Later edits append a headline and a third keyword: positions are
    // counted from the first keyword, and the one at index 2 is the headline.
    AppendSeparatedKeyword(*handle, "late");
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 1).text, u"second");
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 2).type, 0);
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 3).text, u"late");
    EXPECT_EQ(ReadW(handle.get(), "Iptc.Application2.Keywords", 4).type, 0);
}

TEST(GetMetaDataW, ExifTextNumbersAndByteTags) {
    TempDir dir;
    const std::string path = ReadingFixture().WriteTo(dir.File("exif.jpg"));
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    struct Case {
        const char* key;
        bool asDecimal;
        int type;
        const char16_t* text;
    };
    const Case cases[] = {
        {"Exif.Image.Artist", false, 2, u"Ann Example"},
        {"Exif.Image.Copyright", false, 2, u"Caf\u00e9 Lumen"},
        // Exif text is read as Windows-1252, also when it holds UTF-8.
        {"Exif.Image.ImageDescription", false, 2, u"Caf\u00c3\u00a9"},
        {"Exif.Image.Orientation", true, 3, u"1"},
        {"Exif.Photo.ISOSpeedRatings", false, 3, u"100"},  // first component only
        {"Exif.Image.TimeZoneOffset", false, 8, u"-5"},
        {"Exif.Photo.PixelXDimension", false, 4, u"4000"},
        // Integers are 32 bits wide at the interface.
        {"Exif.Image.ImageWidth", false, 4, u"-1294967296"},
        {"Exif.Image.XResolution", false, 5, u"72/1"},
        {"Exif.Image.XResolution", true, 5, u"72.000000"},
        {"Exif.Photo.FocalLength", false, 5, u"50/1"},
        {"Exif.Photo.FocalLength", true, 5, u"50.000000"},
        {"Exif.Photo.ExposureTime", true, 5, u"0.004000"},
        {"Exif.Photo.ExposureBiasValue", false, 10, u"-1/3"},
        {"Exif.Photo.ExposureBiasValue", true, 10, u"-0.333333"},
        {"Exif.Image.XPTitle", false, 1, u"Hafen \u2600"},
        {"Exif.Image.XPKeywords", false, 1, u"Abc"},
        {"Exif.Image.XPSubject", false, 1, u""},
    };
    const FileMetadata onDisk = ReadBack(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        ASSERT_NE(onDisk.exif.findKey(Exiv2::ExifKey(c.key)), onDisk.exif.end());
        EXPECT_EQ(onDisk.exif.findKey(Exiv2::ExifKey(c.key))->typeId(), c.type);
        WideRead read = ReadW(handle.get(), c.key, 0, c.asDecimal);
        EXPECT_EQ(read.type, c.type);
        EXPECT_TRUE(read.stored);
        EXPECT_EQ(read.text, c.text);
    }
    // Exif has no occurrences; an empty value is not found.
    EXPECT_EQ(ReadW(handle.get(), "Exif.Image.Artist", 1).type, 0);
    EXPECT_EQ(onDisk.exif.findKey(Exiv2::ExifKey("Exif.Image.Software"))->size(), 0);
    EXPECT_EQ(ReadW(handle.get(), "Exif.Image.Software").type, 0);
    // A number tag given by number is the same Exif key.
    EXPECT_EQ(ReadW(handle.get(), "Exif.Image.0x013b").text, u"Ann Example");
}

TEST(GetMetaDataW, UserCommentsInEveryCharsetForm) {
    struct Case {
        const char* name;
        FixtureImage fixture;
        int type;
        const char16_t* text;
    };
    const auto bytes = [](const char* header, std::vector<unsigned char> body) {
        std::vector<unsigned char> all(header, header + 8);
        all.insert(all.end(), body.begin(), body.end());
        return UserCommentBytesFixture(all);
    };
    std::vector<unsigned char> unicode = Utf16LeBytes(u"Gr\u00fc\u00dfe \u2600", 0);
    const Case cases[] = {
        // The unquoted prefix: the blank after it stays.
        {"ascii", bytes("ASCII\0\0\0", {'H', 'i', ' ', 'y', 'o', 'u'}), 7, u" Hi you"},
        {"ascii-1252", bytes("ASCII\0\0\0", {'C', 'a', 'f', 0xE9}), 7, u" Caf\u00e9"},
        {"unicode", bytes("UNICODE\0", unicode), 7, u"Gr\u00fc\u00dfe \u2600"},
        {"undefined", bytes("\0\0\0\0\0\0\0\0", {'p', 'l', 'a', 'i', 'n'}), 7, u"plain"},
        {"jis", bytes("JIS\0\0\0\0\0", {'a', 'b'}), 7, u"charset=Jis ab"},
        // Comments held as ASCII text come out as they stand.
        {"quoted", UserCommentTextFixture("charset=\"Ascii\" quoted"), 2, u"quoted"},
        {"quoted-unicode", UserCommentTextFixture("charset=\"Unicode\" Gr\xC3\xBC\xC3\x9F" "e"), 2,
         u"Gr\u00fc\u00dfe"},
        {"unquoted-unicode", UserCommentTextFixture("charset=Unicode \xE2\x98\x80"), 2, u"\u2600"},
        {"unclosed-quote", UserCommentTextFixture("charset=\"Ascii"), 2, u"charset=\"Ascii"},
        {"plain-text", UserCommentTextFixture("Caf\xE9"), 2, u"Caf\u00e9"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Handle handle = OpenFixture(c.fixture, dir, std::string(c.name) + ".jpg");
        TraceCapture trace;
        WideRead read = ReadW(handle.get(), "Exif.Photo.UserComment");
        EXPECT_EQ(read.type, c.type);
        EXPECT_EQ(read.text, c.text);
        EXPECT_TRUE(trace.pieces().empty());
    }
}

TEST(GetMetaDataW, InvalidUserCommentsAreTracedAndNotDelivered) {
    struct Case {
        const char* name;
        FixtureImage fixture;
        const char* traced;
    };
    const char unknown[] = "XYZ\0\0\0\0\0abc";
    const Case cases[] = {
        {"unknown", UserCommentBytesFixture({unknown, unknown + sizeof(unknown) - 1}),
         "charset=InvalidCharsetId abc"},
        {"quoted-invalid", UserCommentTextFixture("charset=\"InvalidCharsetId\" x"),
         "charset=\"InvalidCharsetId\" x"},
        {"binary", UserCommentTextFixture("binary comment"), "binary comment"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Handle handle = OpenFixture(c.fixture, dir, std::string(c.name) + ".jpg");
        handle->hadExif = false;  // to see the find set it again
        TraceCapture trace;
        BSTR value = reinterpret_cast<BSTR>(0x1);
        EXPECT_EQ(GetMetaDataW(handle.get(), "Exif.Photo.UserComment", &value, 0, false), 0);
        EXPECT_EQ(value, reinterpret_cast<BSTR>(0x1));
        EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Invalid Exif.Photo.UserComment: ",
                                                            c.traced, "\n"}));
        EXPECT_EQ(HadExifData(handle.get()), 1);
    }
}

TEST(GetMetaDataW, BadKeysAndIndexesFindNothing) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    handle->hadExif = false;
    const char* keys[] = {"exif.image.artist", "iptc.application2.caption", "xmp.dc.title",
                          "Exif.Nowhere.Artist", "Iptc.Nowhere.Caption", "Xmp.nowhere.title",
                          "Exif.Image.NoSuchTag", "", ".", "Exif.", "Iptc.", "Xmp.", "Xmp..",
                          "Exif.Image.Artist.Extra", "\xff\xfe", "Exif.Image.Art\xE9st"};
    for (const char* key : keys) {
        SCOPED_TRACE(key);
        for (int index : {0, 1, -1}) {
            BSTR value = reinterpret_cast<BSTR>(0x1);
            EXPECT_EQ(GetMetaDataW(handle.get(), key, &value, index, true), 0);
            EXPECT_EQ(value, reinterpret_cast<BSTR>(0x1));
        }
    }
    const std::string longKey = "Xmp.dc." + std::string(100000, 'a');
    EXPECT_EQ(ReadW(handle.get(), longKey.c_str()).type, 0);
    for (const char* key :
         {"Exif.Image.Artist", "Iptc.Application2.Keywords", "Xmp.dc.subject", "Xmp.dc.title"}) {
        SCOPED_TRACE(key);
        for (int index : {-1, INT_MIN, INT_MAX, 1000000}) {
            EXPECT_FALSE(ReadW(handle.get(), key, index).stored);
        }
    }
    EXPECT_EQ(HadExifData(handle.get()), 0);
    EXPECT_EQ(HadIptcData(handle.get()), 0);
    EXPECT_EQ(HadXmpData(handle.get()), 1);  // the bag is found at any index >= 0

    BSTR value = nullptr;
    EXPECT_EQ(GetMetaDataW(nullptr, "Exif.Image.Artist", &value, 0, false), 0);
    EXPECT_EQ(GetMetaDataW(handle.get(), nullptr, &value, 0, false), 0);
    EXPECT_EQ(GetMetaDataW(handle.get(), "Exif.Image.Artist", nullptr, 0, false), 0);
    EXPECT_EQ(value, nullptr);

    // An invalid handle holds nothing.
    Handle invalid(OpenMetaHandle(dir.File("missing.jpg").c_str(), 0));
    ASSERT_FALSE(invalid->isValid);
    EXPECT_EQ(ReadW(invalid.get(), "Xmp.dc.title").type, 0);
}

}  // namespace
}  // namespace lumenmeta::test
