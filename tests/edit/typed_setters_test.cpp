#include "lumenmeta.h"

#include "support/handle_ptr.h"
#include "support/handle_state.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

constexpr const char* kCaption = "Iptc.Application2.Caption";
constexpr const char* kOrientation = "Exif.Image.Orientation";

// 'A' AddMeta, 'M' ModifyMetaDataValueAsString, 'E' ModifyExifIptcMeta (size 0).
int SetTyped(MetaHandle* h, char setter, const char* key, const char* value, int type) {
    return setter == 'A'   ? AddMeta(h, key, value, type)
           : setter == 'M' ? ModifyMetaDataValueAsString(h, key, value, type)
                           : ModifyExifIptcMeta(h, key, value, type, 0);
}

TEST(TypedSetters, ResultCodesAndWhatIsStored) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    const unsigned char quarter[9] = {1, 0, 0, 0, 4, 0, 0, 0, 0};
    const std::tuple<char, const char*, const char*, int, int> calls[] = {
        {'A', kCaption, "\"abc\"", 0, 0},  // quotes dropped
        {'A', kCaption, "second", 0, 6},   // the caption does not repeat
        {'A', "Iptc.Application2.Keywords", "\"", 0, 0},  // a lone quote: empty text
        {'A', "Iptc.Application2.DateCreated", "2024-05-06", 0, 0},  // the dataset's type
        {'A', kOrientation, "abc\"", 0, 0},  // ASCII for Exif with type 0
        {'A', kOrientation, "def", 0, 0},    // a second datum with the key
        {'M', kOrientation, "\"3\"", 3, 0},  // replaces the first only
        {'E', "Exif.Photo.ExposureTime", reinterpret_cast<const char*>(quarter), 5, 0},
        {'E', kCaption, "\"Quoted\"", 0, 0},
        {'A', kOrientation, "", 0, 2},  // nothing to store
        {'M', kOrientation, "", 0, 2},
        {'E', kCaption, "", 0, 2},
        {'A', "Xmp.dc.title", "x", 0, 2},
        {'M', "iptc.application2.caption", "x", 0, 2},
        {'A', kCaption, "lang=\"x", 0x10009, 1},  // the key was accepted, the value not
        {'M', "Exif.Image.Artist", "x", 0x7fffffff, 1},
    };
    for (const auto& [setter, key, value, type, result] : calls) {
        EXPECT_EQ(SetTyped(h, setter, key, value, type), result) << setter << " " << key;
    }
    EXPECT_EQ(h->iptcData.count(), 3);
    EXPECT_EQ(FindIptc(*h, kCaption)->toString(), "Quoted");
    EXPECT_EQ(FindIptc(*h, "Iptc.Application2.Keywords")->toString(), "");
    EXPECT_EQ(FindIptc(*h, "Iptc.Application2.DateCreated")->typeId(), Exiv2::date);
    EXPECT_EQ(ValuesOf(h->exifData, kOrientation), (std::vector<std::string>{"3", "def"}));
    EXPECT_EQ(FindExif(*h, kOrientation)->typeId(), Exiv2::unsignedShort);
    EXPECT_EQ(FindExif(*h, "Exif.Photo.ExposureTime")->toRational(), Exiv2::Rational(1, 4));
    EXPECT_EQ(h->exifData.count() + h->xmpData.count(), 3);
    EXPECT_TRUE(h->isValid);
    for (const char setter : {'A', 'M', 'E'}) {
        EXPECT_EQ(SetTyped(nullptr, setter, kCaption, "x", 0) + SetTyped(h, setter, nullptr, "x", 0) +
                      SetTyped(h, setter, kCaption, nullptr, 0),
                  -3);
    }
    EXPECT_EQ(ModifyExifIptcMeta(h, kCaption, "x", 0, -1), -1);
}

TEST(ModifyExifIptcMeta, ReadsShortsByTypeAndInvalidatesOnFailure) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    const char six[2] = {6, 0};  // size 0 reads two bytes for a short: no terminator needed
    EXPECT_EQ(ModifyExifIptcMeta(h, kOrientation, six, 3, 0), 0);
    EXPECT_EQ(FindExif(*h, kOrientation)->toLong(), 6);
    EXPECT_EQ(ModifyExifIptcMeta(h, kOrientation, six, 0x7fffffff, 2), 1);
    EXPECT_TRUE(h->isValid);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Xmp.dc.title", "x", 0, 0), 2);
    EXPECT_FALSE(h->isValid);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Image.Artist", "Ann", 0, 0), 0);  // does nothing now
    EXPECT_EQ(FindExif(*h, "Exif.Image.Artist"), nullptr);
    HandlePtr second = EmptyHandle();  // a refused value invalidates too
    EXPECT_EQ(ModifyExifIptcMeta(second.get(), kCaption, "lang=\"x", 0x10009, 0), 1);
    EXPECT_FALSE(second->isValid);
}

}  // namespace
}  // namespace lumenmeta
