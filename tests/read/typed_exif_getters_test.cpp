#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

#include <array>

namespace lumenmeta::test {
namespace {

TEST(GetExifDataL, FirstComponentAsA32BitInteger) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    struct Case {
        const char* key;
        int32_t expected;
    };
    const Case cases[] = {
        {"Exif.Image.Orientation", 1},
        {"Exif.Photo.ISOSpeedRatings", 100},
        {"Exif.Image.TimeZoneOffset", -5},
        {"Exif.Image.XResolution", 72},
        {"Exif.Photo.ExposureTime", 0},  // the integer quotient of 1/250
        {"Exif.Photo.ExposureBiasValue", 0},
        {"Exif.Image.ImageWidth", -1294967296},  // 3000000000 in 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        int32_t viaL = 12345, viaN = 12345;
        EXPECT_EQ(GetExifDataL(handle.get(), c.key, &viaL), 1);
        EXPECT_EQ(GetExifDataN(handle.get(), c.key, &viaN), 1);
        EXPECT_EQ(viaL, c.expected);
        EXPECT_EQ(viaN, c.expected);
    }
    // Not found, empty, IPTC and XMP keys: result 0, output untouched.
    for (const char* key : {"Exif.Image.Model", "Exif.Image.Software",
                            "Iptc.Envelope.ModelVersion", "Xmp.exif.FNumber"}) {
        SCOPED_TRACE(key);
        int32_t value = 12345;
        EXPECT_EQ(GetExifDataL(handle.get(), key, &value), 0);
        EXPECT_EQ(GetExifDataN(handle.get(), key, &value), 0);
        EXPECT_EQ(value, 12345);
    }
}

TEST(GetExifDataS, ComponentsCutTo16BitsAndZeroWhenNothingIsFound) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    int16_t value = 77;
    for (int32_t n = 0; n < 3; ++n) {
        EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Photo.ISOSpeedRatings", &value, n), 1);
        EXPECT_EQ(value, 100 * (n + 1));
    }
    EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Image.TimeZoneOffset", &value, 0), 1);
    EXPECT_EQ(value, -5);
    EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Image.ImageWidth", &value, 0), 1);
    EXPECT_EQ(value, static_cast<int16_t>(3000000000u & 0xFFFF));

    // Every failure leaves 0 behind.
    const std::pair<const char*, int32_t> failures[] = {
        {"Exif.Photo.ISOSpeedRatings", 3},  {"Exif.Photo.ISOSpeedRatings", -1},
        {"Exif.Photo.ISOSpeedRatings", INT32_MAX}, {"Exif.Image.Model", 0},
        {"Exif.Image.Software", 0},         {"Iptc.Envelope.ModelVersion", 0},
        {"exif.image.orientation", 0},
    };
    for (const auto& [key, n] : failures) {
        SCOPED_TRACE(key);
        value = 77;
        EXPECT_EQ(GetExifDataS(handle.get(), key, &value, n), 0);
        EXPECT_EQ(value, 0);
    }
    // NULL arguments store nothing.
    value = 77;
    EXPECT_EQ(GetExifDataS(nullptr, "Exif.Image.Orientation", &value, 0), 0);
    EXPECT_EQ(GetExifDataS(handle.get(), nullptr, &value, 0), 0);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Image.Orientation", nullptr, 0), 0);
}

TEST(GetExifDataD, SinglePrecisionValueWidened) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    double value = 0;
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Photo.ExposureTime", &value), 1);
    EXPECT_EQ(value, 0.004000000189989805);
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Photo.ExposureBiasValue", &value), 1);
    EXPECT_EQ(value, static_cast<double>(-1.0f / 3.0f));
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Image.Orientation", &value), 1);
    EXPECT_EQ(value, 1.0);
    value = -9.5;
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Image.Model", &value), 0);
    EXPECT_EQ(GetExifDataD(handle.get(), "Xmp.exif.ExposureTime", &value), 0);
    EXPECT_EQ(value, -9.5);
}

TEST(GetExifDataBinary, AllOrNothingLittleEndianBytes) {
    TempDir dir;
    const std::string path = ReadingFixture().WriteTo(dir.File("binary.jpg"));
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    const FileMetadata onDisk = ReadBack(path);

    for (const char* key : {"Exif.Image.XResolution", "Exif.Photo.ISOSpeedRatings",
                            "Exif.Image.XPTitle", "Exif.Image.Artist"}) {
        SCOPED_TRACE(key);
        const Exiv2::Value& expected = onDisk.exif.findKey(Exiv2::ExifKey(key))->value();
        const int32_t size = static_cast<int32_t>(expected.size());
        std::vector<unsigned char> want(static_cast<size_t>(size));
        expected.copy(want.data(), Exiv2::littleEndian);
        EXPECT_EQ(GetExifDataLength(handle.get(), key), size);

        std::vector<unsigned char> buffer(static_cast<size_t>(size) + 4, '#');
        EXPECT_EQ(GetExifDataBinary(handle.get(), key, buffer.data(), size + 4), size);
        EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + size), want);
        EXPECT_EQ(std::vector<unsigned char>(buffer.begin() + size, buffer.end()),
                  std::vector<unsigned char>(4, '#'));

        std::fill(buffer.begin(), buffer.end(), '#');
        EXPECT_EQ(GetExifDataBinary(handle.get(), key, buffer.data(), size - 1), 0);
        EXPECT_EQ(buffer, std::vector<unsigned char>(buffer.size(), '#'));
    }
    // The rational 72/1: numerator, then denominator, each little-endian.
    std::array<unsigned char, 8> rational{};
    EXPECT_EQ(GetExifDataBinary(handle.get(), "Exif.Image.XResolution", rational.data(), 8), 8);
    EXPECT_EQ(rational, (std::array<unsigned char, 8>{0x48, 0, 0, 0, 1, 0, 0, 0}));

    unsigned char untouched[4] = {'#', '#', '#', '#'};
    for (const char* key : {"Exif.Image.Model", "Exif.Image.Software", "Xmp.dc.title",
                            "Iptc.Application2.Caption", "", "exif.image.artist"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(GetExifDataLength(handle.get(), key), 0);
        EXPECT_EQ(GetExifDataBinary(handle.get(), key, untouched, 4), 0);
    }
    EXPECT_EQ(GetExifDataBinary(handle.get(), "Exif.Image.Orientation", untouched, -1), 0);
    EXPECT_EQ(GetExifDataBinary(handle.get(), "Exif.Image.Orientation", nullptr, 4), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(untouched), 4), "####");
}

TEST(TypedExifGetters, OnlyDeliveriesSetTheExifFlag) {
    TempDir dir;
    FixtureImage noExif;
    noExif.xmp["Xmp.dc.format"] = "image/jpeg";
    Handle handle = OpenFixture(noExif, dir);
    ASSERT_EQ(HadExifData(handle.get()), 0);
    handle->exifData["Exif.Image.Orientation"] = uint16_t(6);

    int32_t number = 0;
    int16_t component = 0;
    unsigned char small[1];
    EXPECT_EQ(GetExifDataLength(handle.get(), "Exif.Image.Orientation"), 2);
    EXPECT_EQ(GetExifDataBinary(handle.get(), "Exif.Image.Orientation", small, 1), 0);
    EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Image.Orientation", &component, 1), 0);
    EXPECT_EQ(GetExifDataL(handle.get(), "Exif.Image.Model", &number), 0);
    EXPECT_EQ(HadExifData(handle.get()), 0);

    EXPECT_EQ(GetExifDataL(handle.get(), "Exif.Image.Orientation", &number), 1);
    EXPECT_EQ(number, 6);
    EXPECT_EQ(HadExifData(handle.get()), 1);
}

TEST(TypedExifGetters, NullArgumentsGiveZero) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    int32_t number = 5;
    double real = 5;
    unsigned char bytes[8] = {};
    EXPECT_EQ(GetExifDataL(nullptr, "Exif.Image.Orientation", &number), 0);
    EXPECT_EQ(GetExifDataL(handle.get(), nullptr, &number), 0);
    EXPECT_EQ(GetExifDataL(handle.get(), "Exif.Image.Orientation", nullptr), 0);
    EXPECT_EQ(GetExifDataD(nullptr, "Exif.Image.Orientation", &real), 0);
    EXPECT_EQ(GetExifDataD(handle.get(), nullptr, &real), 0);
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Image.Orientation", nullptr), 0);
    EXPECT_EQ(GetExifDataLength(nullptr, "Exif.Image.Orientation"), 0);
    EXPECT_EQ(GetExifDataLength(handle.get(), nullptr), 0);
    EXPECT_EQ(GetExifDataBinary(nullptr, "Exif.Image.Orientation", bytes, 8), 0);
    EXPECT_EQ(GetExifDataBinary(handle.get(), nullptr, bytes, 8), 0);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(real, 5);
}

}  // namespace
}  // namespace lumenmeta::test
