#include "read/narrow_getters.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

using namespace std::string_literals;

HandlePtr OpenReadingFixture() {
    TempDir dir;
    return HandlePtr(OpenMetaHandle(ReadingFixture().WriteTo(dir.File("fixture.jpg")).c_str(), 0));
}

TEST(NarrowGetters, BytesAsExiv2HoldsThemWithinTheCallersSize) {
    const std::tuple<const char*, int, int, std::string> cases[] = {
        // key, size, GetIptcData's index (-1: GetMetaData), the 16-byte buffer after; Exif
        // binary when it fits (the rest untouched), else text as strncpy.
        {"Exif.Image.Orientation", 16, -1, "\x01\0##############"s},
        {"Exif.Image.XResolution", 8, -1, "72/1\0\0\0\0########"s},  // exactly its size: text
        {"Exif.Image.XResolution", 9, -1, "\x48\0\0\0\x01\0\0\0########"s},
        {"Exif.Image.Artist", 11, -1, "Ann Example#####"},  // full: no terminator
        // XMP: the UTF-8 text, unterminated.
        {"Xmp.dc.creator", 16, -1, "Ann, Bob########"},
        // IPTC: at most `size` text bytes, always followed by a zero byte.
        {"Iptc.Application2.Caption", 15, -1, "Caf\xE9 by the sea\0"s},
        {"Iptc.Application2.Keywords", 4, 1, "boat\0###########"s},
        {"Iptc.Application2.Headline", 15, 0, "ab\0#############"s},  // up to a zero byte
        {"Iptc.Application2.Byline", 0, 0, "\0###############"s},  // empty: delivered
    };
    HandlePtr handle = OpenReadingFixture();
    MetaHandle* h = handle.get();
    for (const auto& [key, size, index, expected] : cases) {
        std::string buffer(16, '#');
        EXPECT_EQ(index < 0 ? GetMetaData(h, key, buffer.data(), size)
                            : GetIptcData(h, key, buffer.data(), size, index), 1);
        EXPECT_EQ(buffer, expected) << key << " " << size;
    }

    // Failures write nothing. Lower-case families still pick their getter.
    std::string buffer(16, '#');
    char* b = buffer.data();
    for (const char* key : {"iptc.application2.keywords", "xmp.dc.subject", "exif.image.artist",
                            "Xmp.dc.source", "Exif.Image.Software", "Iptc.Application2.0x0019"}) {
        EXPECT_EQ(GetMetaData(h, key, b, 16) + GetExifData(h, key, b, 16), 0) << key;
    }
    EXPECT_EQ(GetIptcData(h, "Iptc.Application2.Keywords", b, 16, 3) +
                  GetIptcData(h, "Iptc.Application2.Keywords", b, 16, -1) +
                  GetIptcData(nullptr, "Iptc.Application2.Caption", b, 8, 0) +
                  GetMetaData(h, nullptr, b, 16) + GetMetaData(h, "Xmp.dc.subject", nullptr, 16) +
                  GetMetaData(h, "Xmp.dc.title", b, -1) + GetExifData(h, "Exif.Image.Make", b, -1),
              0);
    EXPECT_EQ(buffer, std::string(16, '#'));
}

TEST(TypedExifGetters, NumbersAndAllOrNothingBytes) {
    HandlePtr handle = OpenReadingFixture();
    MetaHandle* h = handle.get();
    // L and N, S (cut to 16 bits), D (single precision, widened), the bytes; or absent.
    const std::tuple<const char*, int32_t, double, std::vector<unsigned char>> cases[] = {
        {"Exif.Image.TimeZoneOffset", -5, -5, {0xFB, 0xFF}},
        {"Exif.Photo.ExposureTime", 0, 0.004000000189989805, {1, 0, 0, 0, 250, 0, 0, 0}},
        {"Exif.Image.ImageWidth", -1294967296, 3e9, {0x00, 0x5E, 0xD0, 0xB2}},
        {"Exif.Photo.ISOSpeedRatings", 100, 100, {100, 0, 200, 0, 0x2C, 1}},
        {"Exif.Image.Software", 7, 7, {}}, {"Iptc.Envelope.ModelVersion", 7, 7, {}},  // none
    };
    for (const auto& [key, number, real, bytes] : cases) {
        const int size = static_cast<int>(bytes.size()), found = size ? 1 : 0;
        int32_t viaL = 7, viaN = 7;
        int16_t viaS = 7;  // zeroed first, always
        double viaD = 7;
        EXPECT_EQ(GetExifDataL(h, key, &viaL) + GetExifDataN(h, key, &viaN) +
                      GetExifDataS(h, key, &viaS, 0) + GetExifDataD(h, key, &viaD), 4 * found);
        EXPECT_EQ(std::make_tuple(viaL, viaN, viaS, viaD),
                  std::make_tuple(number, number, int16_t(found ? number : 0), real)) << key;
        std::vector<unsigned char> buffer(bytes.size() + 1, '#'), want = bytes;
        want.push_back('#');
        h->hadExif = false;
        EXPECT_EQ(GetExifDataLength(h, key), size);
        EXPECT_EQ(GetExifDataBinary(h, key, buffer.data(), size - 1), 0);  // all or nothing
        EXPECT_EQ(HadExifData(h), 0);  // neither the length nor a refusal sets it
        EXPECT_EQ(GetExifDataBinary(h, key, buffer.data(), size), size);  // exactly its size
        EXPECT_EQ(buffer, want) << key;
        EXPECT_EQ(GetExifDataBinary(h, key, buffer.data(), size + 1), size);
    }
    int16_t component = 7;
    EXPECT_EQ(GetExifDataS(h, "Exif.Photo.ISOSpeedRatings", &component, 2), 1);
    EXPECT_EQ(component, 300);
    const char* key = "Exif.Photo.ISOSpeedRatings";
    int32_t number = 7;
    unsigned char byte = '#';
    EXPECT_EQ(GetExifDataL(nullptr, key, &number) + GetExifDataL(h, nullptr, &number) +
                  GetExifDataS(h, key, nullptr, 0) + GetExifDataD(h, key, nullptr) +
                  GetExifDataLength(nullptr, key) + GetExifDataBinary(h, key, nullptr, 4) +
                  GetExifDataBinary(h, key, &byte, -1), 0);
    EXPECT_EQ(std::make_pair(number, int(byte)), std::make_pair(7, int('#')));
}

}  // namespace
}  // namespace lumenmeta::test
