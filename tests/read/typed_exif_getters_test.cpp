#include "read/read_helpers.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

TEST(TypedExifGetters, NumbersAndAllOrNothingBytes) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    MetaHandle* h = handle.get();
    const std::tuple<const char*, int32_t, double, std::vector<unsigned char>> cases[] = {
        // L and N, S (cut to 16 bits), D (single precision, widened), Binary
        {"Exif.Image.TimeZoneOffset", -5, -5, {0xFB, 0xFF}},
        {"Exif.Image.XResolution", 72, 72, {0x48, 0, 0, 0, 1, 0, 0, 0}},
        {"Exif.Photo.ExposureTime", 0, 0.004000000189989805, {1, 0, 0, 0, 0xFA, 0, 0, 0}},
        {"Exif.Image.ImageWidth", -1294967296, 3e9, {0, 0x5E, 0xD0, 0xB2}},
        {"Exif.Photo.ISOSpeedRatings", 100, 100, {100, 0, 200, 0, 0x2C, 1}},  // the first of three
    };
    for (const auto& [key, number, real, bytes] : cases) {
        int32_t viaL = 7, viaN = 7;
        int16_t viaS = 7;
        double viaD = 7;
        EXPECT_EQ(GetExifDataL(h, key, &viaL) + GetExifDataN(h, key, &viaN) +
                      GetExifDataS(h, key, &viaS, 0) + GetExifDataD(h, key, &viaD),
                  4);
        EXPECT_EQ(std::make_tuple(viaL, viaN, viaS, viaD),
                  std::make_tuple(number, number, static_cast<int16_t>(number), real))
            << key;
        const int32_t size = static_cast<int32_t>(bytes.size());
        std::vector<unsigned char> buffer(bytes.size() + 4, '#');
        h->hadExif = false;
        EXPECT_EQ(GetExifDataLength(h, key), size) << key;
        EXPECT_EQ(GetExifDataBinary(h, key, buffer.data(), size - 1), 0) << key;  // all or nothing
        EXPECT_EQ(HadExifData(h), 0) << key;  // neither the length nor a refusal sets it
        EXPECT_EQ(buffer, std::vector<unsigned char>(bytes.size() + 4, '#')) << key;
        EXPECT_EQ(GetExifDataBinary(h, key, buffer.data(), size + 4), size) << key;
        EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.begin() + size), bytes) << key;
        EXPECT_EQ(HadExifData(h), 1) << key;
    }
    int16_t component = 7;
    EXPECT_EQ(GetExifDataS(h, "Exif.Photo.ISOSpeedRatings", &component, 2), 1);
    EXPECT_EQ(component, 300);
    EXPECT_EQ(GetExifDataS(h, "Exif.Photo.ISOSpeedRatings", &component, 3), 0);
    EXPECT_EQ(component, 0);  // zeroed first, always
}

TEST(TypedExifGetters, FailuresLeaveOutputsAloneButZeroTheShort) {
    HandlePtr handle = OpenFixture(ReadingFixture());
    MetaHandle* h = handle.get();
    const char* valid = "Exif.Image.Orientation";
    const std::pair<MetaHandle*, const char*> calls[] = {
        {h, "Exif.Image.Model"},      {h, "Exif.Image.Software"}, {h, "Iptc.Envelope.ModelVersion"},
        {h, "exif.image.orientation"}, {h, "Exif.Image.Bogus"},   {nullptr, valid}, {h, nullptr},
    };
    for (const auto& [handle, key] : calls) {
        int32_t number = 7;
        int16_t component = 7;
        double real = 7;
        unsigned char bytes[4] = {'#', '#', '#', '#'};
        EXPECT_EQ(GetExifDataL(handle, key, &number) + GetExifDataS(handle, key, &component, 0) +
                      GetExifDataD(handle, key, &real) + GetExifDataLength(handle, key) +
                      GetExifDataBinary(handle, key, bytes, 4),
                  0);
        EXPECT_EQ(std::make_tuple(number, component, real, std::string(bytes, bytes + 4)),
                  std::make_tuple(7, handle && key ? 0 : 7, 7.0, std::string("####")))
            << (key ? key : "(null)");
    }
    unsigned char bytes[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(GetExifDataL(h, valid, nullptr) + GetExifDataS(h, valid, nullptr, 0) +
                  GetExifDataD(h, valid, nullptr) + GetExifDataBinary(h, valid, nullptr, 4) +
                  GetExifDataBinary(h, valid, bytes, -1),
              0);
    EXPECT_EQ(std::string(bytes, bytes + 4), "####");
}

}  // namespace
}  // namespace lumenmeta::test
