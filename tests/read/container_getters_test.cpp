#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumenmeta::test {
namespace {

// GetMetaDataWContainer's result, its text, and whether it stored one.
struct Joined {
    int result = 0;
    std::u16string text;
    bool stored = false;
};

Joined Join(MetaHandle* handle, const char* key, const char16_t* separator) {
    WCHAR* const sentinel = reinterpret_cast<WCHAR*>(0x1);
    WCHAR* text = sentinel;
    Joined joined;
    joined.result = GetMetaDataWContainer(handle, key, &text, separator);
    if (text != sentinel) {
        joined.stored = true;
        joined.text = text;
        FreeMetaDataWContainer(text);
    }
    return joined;
}

TEST(GetMetaDataWContainer, JoinsEveryValueOfAKey) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    struct Case {
        const char* key;
        const char16_t* separator;
        const char16_t* text;
    };
    const Case cases[] = {
        {"Xmp.dc.subject", u";", u"red;green;blue"},
        {"Xmp.dc.subject", u" | ", u"red | green | blue"},
        {"Xmp.dc.subject", nullptr, u"redgreenblue"},
        {"Iptc.Application2.Keywords", u", ", u"harbour, boats, gulls"},
        // One value: the loop ends at index 1.
        {"Xmp.dc.title", u";", u"Harbour at dawn"},
        {"Xmp.dc.creator", u";", u"Ann, Bob"},
        {"Exif.Image.Artist", u";", u"Ann Example"},
        // Always rendered as decimals.
        {"Exif.Image.XResolution", u";", u"72.000000"},
        {"Xmp.exif.FNumber", u";", u"2.800000"},
        {"Iptc.Application2.Caption", u";", u"Caf\u00e9 by the sea"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        Joined joined = Join(handle.get(), c.key, c.separator);
        EXPECT_TRUE(joined.stored);
        EXPECT_EQ(joined.text, c.text);
        EXPECT_EQ(joined.result, static_cast<int>(joined.text.size()));
    }
    EXPECT_EQ(Join(handle.get(), "Xmp.dc.subject", u";").result, 14);

    // Adjacent occurrences only: an edit that separates a keyword hides it.
    AppendSeparatedKeyword(*handle, "late");
    EXPECT_EQ(Join(handle.get(), "Iptc.Application2.Keywords", u",").text,
              u"harbour,boats,gulls");
}

TEST(GetMetaDataWContainer, NothingStoredWithoutText) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    for (const char* key : {"Xmp.dc.format", "Xmp.dc.source", "Exif.Image.Software",
                            "Iptc.Application2.Byline", "xmp.dc.subject", "", "Exif.Nowhere.X"}) {
        SCOPED_TRACE(key);
        Joined joined = Join(handle.get(), key, u";");
        EXPECT_EQ(joined.result, 0);
        EXPECT_FALSE(joined.stored);
    }
    // A value that renders as empty text (an XP tag starting with a zero
    // unit): found, but nothing to store; the result is the count minus one.
    Joined empty = Join(handle.get(), "Exif.Image.XPSubject", u";");
    EXPECT_EQ(empty.result, 0);
    EXPECT_FALSE(empty.stored);

    WCHAR* text = nullptr;
    EXPECT_EQ(GetMetaDataWContainer(nullptr, "Xmp.dc.subject", &text, u";"), 0);
    EXPECT_EQ(GetMetaDataWContainer(handle.get(), nullptr, &text, u";"), 0);
    EXPECT_EQ(GetMetaDataWContainer(handle.get(), "Xmp.dc.subject", nullptr, u";"), 0);
    EXPECT_EQ(text, nullptr);
    FreeMetaDataWContainer(nullptr);
}

TEST(GetMetaDataWide, WideKeyIntoACallerBuffer) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    struct Buffer {
        char16_t units[32];
        Buffer() { std::fill(std::begin(units), std::end(units), u'#'); }
        std::u16string First(size_t n) const { return std::u16string(units, n); }
    };
    {
        Buffer b;  // shorter text: zero-filled up to count, nothing after
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", b.units, 20, 0), 0x10009);
        EXPECT_EQ(b.First(22), u"Harbour at dawn" + std::u16string(5, u'\0') + u"##");
    }
    {
        Buffer b;  // as long as count: no terminator
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", b.units, 15, 0), 0x10009);
        EXPECT_EQ(b.First(16), u"Harbour at dawn#");
    }
    {
        Buffer b;  // longer than count: cut, still the type code
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", b.units, 4, 0), 0x10009);
        EXPECT_EQ(b.First(5), u"Harb#");
    }
    {
        Buffer b;  // count 0: found, nothing written
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", b.units, 0, 0), 0x10009);
        EXPECT_EQ(b.First(32), std::u16string(32, u'#'));
    }
    {
        Buffer b;  // an index selects the bag element; decimals always
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.subject", b.units, 8, 2), 2);
        EXPECT_EQ(b.First(9), std::u16string(u"blue\0\0\0\0#", 9));
        Buffer c;
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Exif.Image.XResolution", c.units, 10, 0), 5);
        EXPECT_EQ(c.First(11), std::u16string(u"72.000000\0#", 11));
        Buffer d;
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Iptc.Application2.Keywords", d.units, 6, 1),
                  0x10000);
        EXPECT_EQ(d.First(7), std::u16string(u"boats\0#", 7));
    }
    const char16_t keyWithZero[] = {u'X', u'm', u'p', u'.', u'd', u'c', u'.', u't', u'i', u't',
                                    u'l', u'e', 0, u'x', 0};
    {
        Buffer b;  // the key ends at its first zero unit
        EXPECT_EQ(GetMetaDataWide(handle.get(), keyWithZero, b.units, 4, 0), 0x10009);
    }
    // Characters the key's code page lacks become "?": no such key.
    for (const char16_t* key : {u"Xmp.dc.t\u65e5tle", u"Exif.Image.Artist\u00e9", u"xmp.dc.title",
                                u"", u"Xmp.dc.subject\xd800"}) {
        Buffer b;
        EXPECT_EQ(GetMetaDataWide(handle.get(), key, b.units, 16, 0), 0);
        EXPECT_EQ(b.First(32), std::u16string(32, u'#'));
    }
    Buffer b;
    for (int index : {-1, 3, INT_MAX, INT_MIN}) {
        EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.subject", b.units, 16, index), 0);
    }
    EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", b.units, -1, 0), 0);
    EXPECT_EQ(GetMetaDataWide(nullptr, u"Xmp.dc.title", b.units, 16, 0), 0);
    EXPECT_EQ(GetMetaDataWide(handle.get(), nullptr, b.units, 16, 0), 0);
    EXPECT_EQ(GetMetaDataWide(handle.get(), u"Xmp.dc.title", nullptr, 16, 0), 0);
    EXPECT_EQ(b.First(32), std::u16string(32, u'#'));
}

}  // namespace
}  // namespace lumenmeta::test
