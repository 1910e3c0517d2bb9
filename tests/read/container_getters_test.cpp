#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumenmeta::test {
namespace {

// GetMetaDataWContainer's result and the text it stored, if any.
std::pair<int, std::u16string> Join(MetaHandle* handle, const char* key, const char16_t* separator,
                                    bool* stored = nullptr) {
    WCHAR* const untouched = reinterpret_cast<WCHAR*>(0x1);
    WCHAR* text = untouched;
    const int result = GetMetaDataWContainer(handle, key, &text, separator);
    if (stored) *stored = text != untouched;
    if (text == untouched) return {result, u"(none)"};
    std::u16string joined(text);
    FreeMetaDataWContainer(text);
    return {result, joined};
}

TEST(GetMetaDataWContainer, JoinsEveryValueOfAKey) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    MetaHandle* h = handle.get();
    using Joined = std::pair<int, std::u16string>;
    EXPECT_EQ(Join(h, "Xmp.dc.subject", u";"), Joined(14, u"red;green;blue"));
    EXPECT_EQ(Join(h, "Xmp.dc.subject", u" | "), Joined(18, u"red | green | blue"));
    EXPECT_EQ(Join(h, "Xmp.dc.subject", nullptr), Joined(12, u"redgreenblue"));
    EXPECT_EQ(Join(h, "Iptc.Application2.Keywords", u","), Joined(19, u"harbour,boats,gulls"));
    // One value for anything else; decimals always.
    EXPECT_EQ(Join(h, "Xmp.dc.title", u";"), Joined(15, u"Harbour at dawn"));
    EXPECT_EQ(Join(h, "Exif.Image.XResolution", u";"), Joined(9, u"72.000000"));
    EXPECT_EQ(Join(h, "Xmp.exif.FNumber", u";"), Joined(8, u"2.800000"));
    // Only adjacent occurrences.
    AppendSeparatedKeyword(*handle, "late");
    EXPECT_EQ(Join(h, "Iptc.Application2.Keywords", u","), Joined(19, u"harbour,boats,gulls"));

    // Nothing stored: no value, or only empty text (the count minus one).
    for (const char* key :
         {"Xmp.dc.format", "Xmp.dc.source", "xmp.dc.subject", "", "Exif.Image.XPSubject"}) {
        bool stored = true;
        EXPECT_EQ(Join(h, key, u";", &stored).first, 0) << key;
        EXPECT_FALSE(stored) << key;
    }
    bool stored = true;
    EXPECT_EQ(GetMetaDataWContainer(nullptr, "Xmp.dc.subject", nullptr, u";") +
                  Join(nullptr, "Xmp.dc.subject", u";", &stored).first +
                  Join(h, nullptr, u";", &stored).first,
              0);
    EXPECT_FALSE(stored);
    FreeMetaDataWContainer(nullptr);
}

TEST(GetMetaDataWide, WideKeyIntoACallerBuffer) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    const auto read = [&](const char16_t* key, int count, int index = 0) {
        std::u16string buffer(24, u'#');
        const int result = GetMetaDataWide(handle.get(), key, buffer.data(), count, index);
        return std::make_pair(result, buffer);
    };
    const auto padded = [](std::u16string written) {
        return written + std::u16string(24 - written.size(), u'#');
    };
    using Read = std::pair<int, std::u16string>;
    EXPECT_EQ(read(u"Xmp.dc.title", 18),
              Read(0x10009, padded(u"Harbour at dawn" + std::u16string(3, 0))));
    EXPECT_EQ(read(u"Xmp.dc.title", 15), Read(0x10009, padded(u"Harbour at dawn")));
    EXPECT_EQ(read(u"Xmp.dc.title", 4), Read(0x10009, padded(u"Harb")));
    EXPECT_EQ(read(u"Xmp.dc.title", 0), Read(0x10009, padded(u"")));
    EXPECT_EQ(read(u"Xmp.dc.subject", 5, 2), Read(2, padded(std::u16string(u"blue\0", 5))));
    EXPECT_EQ(read(u"Exif.Image.XResolution", 9), Read(5, padded(u"72.000000")));
    EXPECT_EQ(read(u"Iptc.Application2.Keywords", 5, 1), Read(0x10000, padded(u"boats")));
    const char16_t keyWithZero[] = u"Xmp.dc.title\0junk";
    EXPECT_EQ(read(keyWithZero, 4).first, 0x10009);
    // Characters code page 0 lacks become "?": no such key.
    for (const char16_t* key : {u"Xmp.dc.t\u65e5tle", u"Exif.Image.Artist\u00e9", u"xmp.dc.title",
                                u"", u"Xmp.dc.subject\xd800"}) {
        EXPECT_EQ(read(key, 16), Read(0, padded(u"")));
    }
    for (int index : {-1, 3, INT_MAX, INT_MIN}) {
        EXPECT_EQ(read(u"Xmp.dc.subject", 16, index), Read(0, padded(u"")));
    }
    EXPECT_EQ(read(u"Xmp.dc.title", -1), Read(0, padded(u"")));
    std::u16string buffer(24, u'#');
    EXPECT_EQ(GetMetaDataWide(nullptr, u"Xmp.dc.title", buffer.data(), 16, 0) +
                  GetMetaDataWide(handle.get(), nullptr, buffer.data(), 16, 0) +
                  GetMetaDataWide(handle.get(), u"Xmp.dc.title", nullptr, 16, 0),
              0);
    EXPECT_EQ(buffer, padded(u""));
}

}  // namespace
}  // namespace lumenmeta::test
