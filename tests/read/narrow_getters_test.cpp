#include "read/narrow_getters.h"
#include "read/read_helpers.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

using namespace std::string_literals;

TEST(NarrowGetters, BytesAsExiv2HoldsThemWithinTheCallersSize) {
    const std::tuple<const char*, int, int, std::string> cases[] = {
        // key, size, index for GetIptcData (-1: GetMetaData), the 16-byte buffer after
        // Exif: binary when it fits (the rest untouched), else text as strncpy.
        {"Exif.Image.Orientation", 16, -1, "\x01\0##############"s},
        {"Exif.Image.Orientation", 2, -1, "1\0##############"s},
        {"Exif.Image.XResolution", 8, -1, "72/1\0\0\0\0########"s},
        {"Exif.Image.Artist", 11, -1, "Ann Example#####"},  // full: no terminator
        {"Exif.Image.Artist", 13, -1, "Ann Example\0\0###"s},
        {"Exif.Photo.UserComment", 14, -1, "charset=Ascii ##"},
        // XMP: the UTF-8 text, unterminated, cut to the size.
        {"Xmp.dc.creator", 16, -1, "Ann, Bob########"},
        {"Xmp.xmp.Label", 4, -1, "Caf\xC3############"},
        // IPTC: at most `size` text bytes, always followed by a zero byte.
        {"Iptc.Application2.Caption", 15, -1, "Caf\xE9 by the sea\0"s},
        {"Iptc.Application2.Keywords", 4, 1, "boat\0###########"s},
        {"Iptc.Application2.Headline", 15, 0, "ab\0#############"s},  // up to a zero byte
        {"Iptc.Application2.Byline", 15, 0, "\0###############"s},   // empty: delivered
        {"Iptc.Application2.Caption", 0, 0, "\0###############"s},
    };
    HandlePtr handle = OpenFixture(ReadingFixture());
    MetaHandle* h = handle.get();
    for (const auto& [key, size, index, expected] : cases) {
        std::string buffer(16, '#');
        EXPECT_EQ(index < 0 ? GetMetaData(h, key, buffer.data(), size)
                            : GetIptcData(h, key, buffer.data(), size, index),
                  1);
        EXPECT_EQ(buffer, expected) << key << " " << size;
    }
    EXPECT_EQ(HadExifData(h) + HadIptcData(h) + HadXmpData(h), 3);

    // Failures write nothing. Lower-case families still pick their getter.
    h->hadIptc = h->hadXmp = false;
    std::string buffer(16, '#');
    char* b = buffer.data();
    for (const char* key : {"iptc.application2.keywords", "xmp.dc.subject", "exif.image.artist",
                            "Xmp.dc.source", "Exif.Image.Software", "Iptc.Application2.0x0019", ""}) {
        EXPECT_EQ(GetMetaData(h, key, b, 16) + GetExifData(h, key, b, 16), 0) << key;
    }
    EXPECT_EQ(GetIptcData(h, "Iptc.Application2.Keywords", b, 16, 3) +
                  GetIptcData(h, "Iptc.Application2.Keywords", b, 16, -1) +
                  GetMetaData(h, nullptr, b, 16) + GetMetaData(nullptr, "Xmp.dc.title", b, 16) +
                  GetMetaData(h, "Xmp.dc.subject", nullptr, 16) + GetXmpData(h, "Xmp.dc.subject", b, -3) +
                  GetExifData(h, "Exif.Image.Artist", b, -1) + GetExifData(h, "Exif.Image.Artist", nullptr, 8) +
                  GetIptcData(h, "Iptc.Application2.Caption", b, -1, 0) +
                  GetIptcData(nullptr, "Iptc.Application2.Caption", b, 8, 0),
              0);
    EXPECT_EQ(buffer, std::string(16, '#'));
    EXPECT_EQ(HadIptcData(h) + HadXmpData(h), 0);
}

}  // namespace
}  // namespace lumenmeta::test
