#include "read/narrow_getters.h"
#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace lumenmeta::test {
namespace {

// A buffer of 32 bytes filled with '#', so that every byte a getter writes,
// and every byte it leaves alone, can be checked.
struct Buffer {
    char bytes[32];
    Buffer() { std::memset(bytes, '#', sizeof(bytes)); }
    std::string First(size_t n) const { return std::string(bytes, n); }
};

TEST(GetExifData, TextOrLittleEndianBinaryByTypeAndSize) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    {
        Buffer b;  // a short that fits: two bytes, nothing else written
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Orientation", b.bytes, 16), 1);
        EXPECT_EQ(b.First(18), std::string("\x01\x00", 2) + std::string(16, '#'));
    }
    {
        Buffer b;  // does not fit in binary: its text, zero-padded to the size
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Orientation", b.bytes, 2), 1);
        EXPECT_EQ(b.First(3), std::string("1\0#", 3));
    }
    {
        Buffer b;  // 8 bytes of rational in a 16-byte buffer
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.XResolution", b.bytes, 16), 1);
        EXPECT_EQ(b.First(9), std::string("\x48\0\0\0\x01\0\0\0#", 9));
    }
    {
        Buffer b;  // ... and in an 8-byte one: text
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.XResolution", b.bytes, 8), 1);
        EXPECT_EQ(b.First(9), std::string("72/1\0\0\0\0#", 9));
    }
    {
        Buffer b;  // ASCII exactly as long as the buffer: no terminator
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Artist", b.bytes, 11), 1);
        EXPECT_EQ(b.First(12), "Ann Example#");
    }
    {
        Buffer b;  // ASCII in a larger buffer: zero-padded to its size
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Artist", b.bytes, 14), 1);
        EXPECT_EQ(b.First(15), std::string("Ann Example\0\0\0#", 15));
    }
    {
        Buffer b;  // undefined values go as Exiv2's text, bytes unconverted
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Photo.UserComment", b.bytes, 30), 1);
        EXPECT_EQ(b.First(26), std::string("charset=Ascii Hello there\0", 26));
        Buffer c;
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Copyright", c.bytes, 30), 1);
        EXPECT_EQ(c.First(31), "Caf\xE9 Lumen" + std::string(20, '\0') + "#");
    }
    {
        Buffer b;  // size 0: found, nothing written
        EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Artist", b.bytes, 0), 1);
        EXPECT_EQ(b.First(32), std::string(32, '#'));
    }
    for (const char* key : {"Exif.Image.Model", "Exif.Image.Software", "exif.image.artist",
                            "Iptc.Application2.Caption", ""}) {
        SCOPED_TRACE(key);
        Buffer b;
        EXPECT_EQ(GetExifData(handle.get(), key, b.bytes, 16), 0);
        EXPECT_EQ(b.First(32), std::string(32, '#'));
    }
    Buffer b;
    EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Artist", b.bytes, -1), 0);
    EXPECT_EQ(GetExifData(nullptr, "Exif.Image.Artist", b.bytes, 16), 0);
    EXPECT_EQ(GetExifData(handle.get(), nullptr, b.bytes, 16), 0);
    EXPECT_EQ(GetExifData(handle.get(), "Exif.Image.Artist", nullptr, 16), 0);
    EXPECT_EQ(b.First(32), std::string(32, '#'));
}

TEST(GetIptcData, OccurrencesAlwaysTerminated) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    EXPECT_EQ(HadIptcData(handle.get()), 0);
    const char* keywords[] = {"harbour", "boats", "gulls"};
    for (int index = 0; index < 3; ++index) {
        Buffer b;
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Keywords", b.bytes, 16, index), 1);
        const size_t length = std::strlen(keywords[index]);
        EXPECT_EQ(b.First(length + 2), keywords[index] + std::string("\0#", 2));
    }
    EXPECT_EQ(HadIptcData(handle.get()), 1);
    {
        Buffer b;  // size 4, five characters: four, then a zero in the fifth byte
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Keywords", b.bytes, 4, 1), 1);
        EXPECT_EQ(b.First(6), std::string("boat\0#", 6));
    }
    {
        Buffer b;  // bytes as stored, no code page conversion
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Caption", b.bytes, 30, 0), 1);
        EXPECT_EQ(b.First(17), std::string("Caf\xE9 by the sea\0#", 17));
    }
    {
        Buffer b;  // an empty dataset is delivered as an empty string
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Byline", b.bytes, 16, 0), 1);
        EXPECT_EQ(b.First(2), std::string("\0#", 2));
    }
    {
        Buffer b;  // the text ends at its first zero byte
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Headline", b.bytes, 16, 0), 1);
        EXPECT_EQ(b.First(4), std::string("ab\0#", 4));
    }
    {
        Buffer b;  // size 0 still terminates
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Caption", b.bytes, 0, 0), 1);
        EXPECT_EQ(b.First(2), std::string("\0#", 2));
    }
    for (int index : {3, -1, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(index);
        Buffer b;
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Keywords", b.bytes, 16, index), 0);
        EXPECT_EQ(b.First(32), std::string(32, '#'));
    }
    for (const char* key : {"iptc.application2.keywords", "Iptc.Nowhere.Keywords",
                            "Iptc.Application2.0x0019", "Iptc.Application2.Subject",
                            "Exif.Image.Artist", ""}) {
        SCOPED_TRACE(key);
        Buffer b;
        EXPECT_EQ(GetIptcData(handle.get(), key, b.bytes, 16, 0), 0);
        EXPECT_EQ(b.First(32), std::string(32, '#'));
    }
    Buffer b;
    EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Caption", b.bytes, -1, 0), 0);
    EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Caption", nullptr, 16, 0), 0);
    EXPECT_EQ(GetIptcData(nullptr, "Iptc.Application2.Caption", b.bytes, 16, 0), 0);
    EXPECT_EQ(b.First(32), std::string(32, '#'));
}

TEST(GetIptcData, SeparatedRepeatsAreCountedByPosition) {
    TempDir dir;
    Handle handle = OpenFixture(SeparatedKeywordsFixture(), dir);
    AppendSeparatedKeyword(*handle, "late");
    const std::pair<int, const char*> expected[] = {
        {0, "first"}, {1, "second"}, {2, nullptr}, {3, "late"}, {4, nullptr}};
    for (const auto& [index, text] : expected) {
        SCOPED_TRACE(index);
        Buffer b;
        EXPECT_EQ(GetIptcData(handle.get(), "Iptc.Application2.Keywords", b.bytes, 16, index),
                  text ? 1 : 0);
        if (text) {
            EXPECT_STREQ(b.bytes, text);
        } else {
            EXPECT_EQ(b.First(32), std::string(32, '#'));
        }
    }
}

TEST(GetMetaData, PicksTheGetterByTheFirstCharacter) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    {
        Buffer b;  // IPTC: the first occurrence, terminated
        EXPECT_EQ(GetMetaData(handle.get(), "Iptc.Application2.Keywords", b.bytes, 16), 1);
        EXPECT_EQ(b.First(9), std::string("harbour\0#", 9));
    }
    {
        Buffer b;  // XMP: the UTF-8 text, unterminated when shorter than the buffer
        EXPECT_EQ(HadXmpData(handle.get()), 0);
        EXPECT_EQ(GetMetaData(handle.get(), "Xmp.dc.subject", b.bytes, 20), 1);
        EXPECT_EQ(b.First(17), "red, green, blue#");
        EXPECT_EQ(HadXmpData(handle.get()), 1);
    }
    {
        Buffer b;  // ... with no language clean-up
        EXPECT_EQ(GetMetaData(handle.get(), "Xmp.dc.title", b.bytes, 32), 1);
        EXPECT_EQ(b.First(32), "lang=\"x-default\" Harbour at dawn");
    }
    {
        Buffer b;  // ... and cut to the buffer when it does not fit
        EXPECT_EQ(GetMetaData(handle.get(), "Xmp.xmp.Label", b.bytes, 4), 1);
        EXPECT_EQ(b.First(5), "Caf\xC3#");
    }
    {
        Buffer b;  // Exif for every other first character
        EXPECT_EQ(GetMetaData(handle.get(), "Exif.Image.Orientation", b.bytes, 16), 1);
        EXPECT_EQ(b.First(3), std::string("\x01\0#", 3));
    }
    // Lower-case families still pick their getter, whose key check fails;
    // other first letters go to Exif, which rejects them.
    for (const char* key : {"iptc.application2.keywords", "xmp.dc.subject", "exif.image.artist",
                            "Zmp.dc.subject", "Xmp.dc.source", "Xmp.dc.format", ""}) {
        SCOPED_TRACE(key);
        Buffer b;
        EXPECT_EQ(GetMetaData(handle.get(), key, b.bytes, 16), 0);
        EXPECT_EQ(b.First(32), std::string(32, '#'));
    }
    Buffer b;
    EXPECT_EQ(GetMetaData(handle.get(), nullptr, b.bytes, 16), 0);
    EXPECT_EQ(GetMetaData(nullptr, "Xmp.dc.subject", b.bytes, 16), 0);
    EXPECT_EQ(GetMetaData(handle.get(), "Xmp.dc.subject", nullptr, 16), 0);
    EXPECT_EQ(GetMetaData(handle.get(), "Xmp.dc.subject", b.bytes, -3), 0);
    EXPECT_EQ(GetXmpData(handle.get(), "Xmp.dc.subject", b.bytes, -3), 0);
    EXPECT_EQ(b.First(32), std::string(32, '#'));
}

}  // namespace
}  // namespace lumenmeta::test
