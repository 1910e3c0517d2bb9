#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

// 'A' AddMeta, 'M' ModifyMetaDataValueAsString, 'E' ModifyExifIptcMeta with size 0.
int SetTyped(MetaHandle* h, char setter, const char* key, const char* value, int type) {
    return setter == 'A'   ? AddMeta(h, key, value, type)
           : setter == 'M' ? ModifyMetaDataValueAsString(h, key, value, type)
                           : ModifyExifIptcMeta(h, key, value, type, 0);
}

TEST(TypedSetters, ResultCodesAndWhatIsStored) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    const char* caption = "Iptc.Application2.Caption";
    const char quarter[8] = {1, 0, 0, 0, 4, 0, 0, 0}, six[2] = {6, 0};  // unterminated
    const std::tuple<char, const char*, const char*, int, int> calls[] = {
        {'A', caption, "\"abc\"", 0, 0},  // quotes dropped
        {'A', caption, "second", 0, 6},   // the caption does not repeat
        {'A', "Iptc.Application2.DateCreated", "2024-05-06", 0, 0},  // the dataset's own type
        {'A', "Exif.Image.Make", "abc", 0, 0},                        // ASCII for Exif
        {'A', "Exif.Image.Make", "def", 0, 0},                        // a second datum
        {'M', "Exif.Image.Make", "\"3\"", 3, 0},                      // replaces the first
        {'E', "Exif.Photo.ExposureTime", quarter, 5, 0},  // size 0: 8 bytes for a rational
        {'E', "Exif.Image.Orientation", six, 3, 0},       // and 2 for a short
        {'E', "Iptc.Application2.Headline", "\"", 0, 0},  // a lone quote: empty text
        {'A', "Exif.Image.Model", "", 0, 2}, {'M', "Exif.Image.Model", "", 0, 2},
        {'E', caption, "", 0, 2}, {'A', "Xmp.dc.title", "x", 0, 2},
        {'A', caption, "lang=\"x", 0x10009, 1},  // the key was accepted, the value not
        {'M', "Exif.Image.Artist", "x", 0x7fffffff, 1},
    };
    for (const auto& [setter, key, value, type, result] : calls) {
        EXPECT_EQ(SetTyped(h, setter, key, value, type), result) << setter << " " << key;
    }
    // "key=type:text", the type as Exiv2's number: 2 ASCII, 3 short, 5 rational,
    // 0x10000 string, 0x10001 date.
    EXPECT_EQ(TypedEntries(h->iptcData), (Texts{"Iptc.Application2.Caption=65536:abc",
                                                "Iptc.Application2.DateCreated=65537:2024-05-06",
                                                "Iptc.Application2.Headline=65536:"}));
    EXPECT_EQ(TypedEntries(h->exifData), (Texts{"Exif.Image.Make=3:3", "Exif.Image.Make=2:def",
                                                "Exif.Photo.ExposureTime=5:1/4",
                                                "Exif.Image.Orientation=3:6"}));
    for (const char s : {'A', 'M', 'E'}) {
        EXPECT_EQ(SetTyped(nullptr, s, caption, "x", 0) + SetTyped(h, s, nullptr, "x", 0) +
                      SetTyped(h, s, caption, nullptr, 0), -3);
    }
    EXPECT_EQ(ModifyExifIptcMeta(h, caption, "x", 0, -1), -1);
    // An Exif failure in ModifyExifIptcMeta invalidates the handle; it then does nothing.
    EXPECT_TRUE(h->isValid);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Xmp.dc.title", "x", 0, 0), 2);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Image.Artist", "Ann", 0, 0), 0);
    EXPECT_EQ(h->exifData.count(), 4);
    EXPECT_FALSE(h->isValid);
}

}  // namespace
}  // namespace lumenmeta
