#include "read/narrow_getters.h"
#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

namespace lumenmeta::test {
namespace {

// Runs a getter on 24 bytes of '#' and returns its result and the whole
// buffer, so that both the bytes written and those left alone are checked.
std::pair<int, std::string> Fill(const std::function<int(char*)>& getter) {
    std::string buffer(24, '#');
    const int result = getter(buffer.data());
    return {result, buffer};
}

std::string Padded(std::string_view written) {
    return std::string(written) + std::string(24 - written.size(), '#');
}

TEST(NarrowGetters, BytesAsExiv2HoldsThem) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    MetaHandle* h = handle.get();
    struct Case {
        const char* key;
        int size;
        int index;  // for GetIptcData; -2 reads through GetMetaData
        std::string_view written;
    };
    using namespace std::string_view_literals;
    const Case cases[] = {
        // Exif: binary when it fits (nothing else written), else strncpy'd text.
        {"Exif.Image.Orientation", 16, -2, "\x01\0"sv},
        {"Exif.Image.Orientation", 2, -2, "1\0"sv},
        {"Exif.Image.XResolution", 16, -2, "\x48\0\0\0\x01\0\0\0"sv},
        {"Exif.Image.XResolution", 8, -2, "72/1\0\0\0\0"sv},
        {"Exif.Image.Artist", 11, -2, "Ann Example"sv},
        {"Exif.Image.Artist", 13, -2, "Ann Example\0\0"sv},
        {"Exif.Image.Copyright", 10, -2, "Caf\xE9 Lumen"sv},
        {"Exif.Photo.UserComment", 20, -2, "charset=Ascii Hello "sv},
        {"Exif.Image.Artist", 0, -2, ""sv},
        // XMP: its UTF-8 text, unterminated, no clean-up; cut to the size.
        {"Xmp.dc.subject", 20, -2, "red, green, blue"sv},
        {"Xmp.dc.title", 20, -2, "lang=\"x-default\" Har"sv},
        {"Xmp.xmp.Label", 4, -2, "Caf\xC3"sv},
        // IPTC: always terminated, at most `size` text bytes.
        {"Iptc.Application2.Keywords", 16, -2, "harbour\0"sv},
        {"Iptc.Application2.Keywords", 16, 2, "gulls\0"sv},
        {"Iptc.Application2.Keywords", 4, 1, "boat\0"sv},
        {"Iptc.Application2.Caption", 20, 0, "Caf\xE9 by the sea\0"sv},
        {"Iptc.Application2.Byline", 16, 0, "\0"sv},  // empty: delivered
        {"Iptc.Application2.Headline", 16, 0, "ab\0"sv},
        {"Iptc.Application2.Caption", 0, 0, "\0"sv},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " size " + std::to_string(c.size));
        const auto [result, buffer] = Fill([&](char* b) {
            return c.index == -2 ? GetMetaData(h, c.key, b, c.size)
                                 : GetIptcData(h, c.key, b, c.size, c.index);
        });
        EXPECT_EQ(result, 1);
        EXPECT_EQ(buffer, Padded(c.written));
    }
    EXPECT_EQ(HadExifData(h) + HadIptcData(h) + HadXmpData(h), 3);
}

TEST(NarrowGetters, FailuresWriteNothing) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    MetaHandle* h = handle.get();
    // Lower-case families still pick their getter, whose key check fails.
    for (const char* key : {"iptc.application2.keywords", "xmp.dc.subject", "exif.image.artist",
                            "Zmp.dc.subject", "Xmp.dc.source", "Exif.Image.Software",
                            "Iptc.Application2.0x0019", "Exif.Nowhere.X", ""}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(Fill([&](char* b) { return GetMetaData(h, key, b, 16); }),
                  std::make_pair(0, Padded("")));
        EXPECT_EQ(Fill([&](char* b) { return GetExifData(h, key, b, 16); }).first, 0);
    }
    for (int index : {3, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(Fill([&](char* b) {
                      return GetIptcData(h, "Iptc.Application2.Keywords", b, 16, index);
                  }),
                  std::make_pair(0, Padded("")));
    }
    const auto nothing = Fill([&](char* b) {
        return GetMetaData(h, nullptr, b, 16) + GetMetaData(nullptr, "Xmp.dc.subject", b, 16) +
               GetMetaData(h, "Xmp.dc.subject", nullptr, 16) +
               GetMetaData(h, "Xmp.dc.subject", b, -3) + GetXmpData(h, "Xmp.dc.subject", b, -3) +
               GetExifData(h, "Exif.Image.Artist", b, -1) +
               GetExifData(h, "Exif.Image.Artist", nullptr, 8) +
               GetIptcData(h, "Iptc.Application2.Caption", b, -1, 0) +
               GetIptcData(nullptr, "Iptc.Application2.Caption", b, 8, 0);
    });
    EXPECT_EQ(nothing, std::make_pair(0, Padded("")));
    EXPECT_EQ(HadExifData(h), 1);  // from the open
    EXPECT_EQ(HadIptcData(h) + HadXmpData(h), 0);
}

}  // namespace
}  // namespace lumenmeta::test
