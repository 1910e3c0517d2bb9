#include "read/read_helpers.h"

#include "support/reading_fixtures.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

TEST(TypedExifGetters, NumbersAsExiv2ConvertsThem) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    const std::pair<const char*, int32_t> longs[] = {
        {"Exif.Image.Orientation", 1},          {"Exif.Image.TimeZoneOffset", -5},
        {"Exif.Image.XResolution", 72},         {"Exif.Photo.ExposureTime", 0},
        {"Exif.Image.ImageWidth", -1294967296},  // 3000000000 in 32 bits
    };
    for (const auto& [key, expected] : longs) {
        int32_t viaL = 7, viaN = 7;
        EXPECT_EQ(GetExifDataL(handle.get(), key, &viaL) + GetExifDataN(handle.get(), key, &viaN),
                  2);
        EXPECT_EQ(viaL, expected) << key;
        EXPECT_EQ(viaN, expected) << key;
    }
    int16_t component = 0;
    for (int32_t n = 0; n < 3; ++n) {
        EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Photo.ISOSpeedRatings", &component, n), 1);
        EXPECT_EQ(component, 100 * (n + 1));
    }
    EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Image.ImageWidth", &component, 0), 1);
    EXPECT_EQ(component, static_cast<int16_t>(3000000000u & 0xFFFF));
    double real = 0;
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Photo.ExposureTime", &real), 1);
    EXPECT_EQ(real, 0.004000000189989805);  // single precision, widened
    EXPECT_EQ(GetExifDataD(handle.get(), "Exif.Photo.ExposureBiasValue", &real), 1);
    EXPECT_EQ(real, static_cast<double>(-1.0f / 3.0f));
}

TEST(TypedExifGetters, LengthAndAllOrNothingBytes) {
    TempDir dir;
    const std::string path = ReadingFixture().WriteTo(dir.File("binary.jpg"));
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    handle->hadExif = false;
    const FileMetadata onDisk = ReadBack(path);
    for (const char* key : {"Exif.Image.XResolution", "Exif.Photo.ISOSpeedRatings",
                            "Exif.Image.XPTitle", "Exif.Image.Artist"}) {
        SCOPED_TRACE(key);
        const Exiv2::Value& value = onDisk.exif.findKey(Exiv2::ExifKey(key))->value();
        const int32_t size = static_cast<int32_t>(value.size());
        std::vector<unsigned char> want(static_cast<size_t>(size) + 4, '#');
        value.copy(want.data(), Exiv2::littleEndian);
        EXPECT_EQ(GetExifDataLength(handle.get(), key), size);

        std::vector<unsigned char> buffer(want.size(), '#');
        EXPECT_EQ(GetExifDataBinary(handle.get(), key, buffer.data(), size - 1), 0);
        EXPECT_EQ(buffer, std::vector<unsigned char>(want.size(), '#'));
        EXPECT_EQ(HadExifData(handle.get()), 0);  // neither the length nor a refusal sets it
        EXPECT_EQ(GetExifDataBinary(handle.get(), key, buffer.data(), size + 4), size);
        EXPECT_EQ(buffer, want);
        EXPECT_EQ(HadExifData(handle.get()), 1);
        handle->hadExif = false;
    }
    unsigned char rational[8];
    EXPECT_EQ(GetExifDataBinary(handle.get(), "Exif.Image.XResolution", rational, 8), 8);
    EXPECT_EQ(std::vector<unsigned char>(rational, rational + 8),
              (std::vector<unsigned char>{0x48, 0, 0, 0, 1, 0, 0, 0}));
}

TEST(TypedExifGetters, FailuresLeaveOutputsAloneButZeroTheShort) {
    TempDir dir;
    Handle handle = OpenFixture(ReadingFixture(), dir);
    for (const char* key : {"Exif.Image.Model", "Exif.Image.Software", "Iptc.Envelope.ModelVersion",
                            "Xmp.exif.FNumber", "exif.image.orientation", "", "Exif.Image.Bogus"}) {
        SCOPED_TRACE(key);
        int32_t number = 7;
        int16_t component = 7;
        double real = 7;
        unsigned char bytes[4] = {'#', '#', '#', '#'};
        EXPECT_EQ(
            GetExifDataL(handle.get(), key, &number) + GetExifDataN(handle.get(), key, &number) +
                GetExifDataS(handle.get(), key, &component, 0) +
                GetExifDataD(handle.get(), key, &real) + GetExifDataLength(handle.get(), key) +
                GetExifDataBinary(handle.get(), key, bytes, 4),
            0);
        EXPECT_EQ(number, 7);
        EXPECT_EQ(real, 7);
        EXPECT_EQ(component, 0);
        EXPECT_EQ(std::string(bytes, bytes + 4), "####");
    }
    for (int32_t n : {3, -1, INT32_MAX}) {
        int16_t component = 7;
        EXPECT_EQ(GetExifDataS(handle.get(), "Exif.Photo.ISOSpeedRatings", &component, n), 0);
        EXPECT_EQ(component, 0);
    }
    int32_t number = 7;
    int16_t component = 7;
    double real = 7;
    unsigned char bytes[4] = {'#', '#', '#', '#'};
    const char* key = "Exif.Image.Orientation";
    EXPECT_EQ(
        GetExifDataL(nullptr, key, &number) + GetExifDataL(handle.get(), nullptr, &number) +
            GetExifDataL(handle.get(), key, nullptr) + GetExifDataS(nullptr, key, &component, 0) +
            GetExifDataS(handle.get(), key, nullptr, 0) + GetExifDataD(nullptr, key, &real) +
            GetExifDataD(handle.get(), key, nullptr) + GetExifDataLength(nullptr, key) +
            GetExifDataLength(handle.get(), nullptr) + GetExifDataBinary(nullptr, key, bytes, 4) +
            GetExifDataBinary(handle.get(), key, nullptr, 4) +
            GetExifDataBinary(handle.get(), key, bytes, -1),
        0);
    EXPECT_EQ(number + component + real, 21);
    EXPECT_EQ(std::string(bytes, bytes + 4), "####");
}

}  // namespace
}  // namespace lumenmeta::test
