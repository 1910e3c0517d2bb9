#include "lumenmeta.h"

#include "support/handle_ptr.h"
#include "support/handle_state.h"
#include "support/working_set.h"

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
        {'A', "Iptc.Application2.Keywords", "\"", 0, 0},             // a lone quote: empty text
        {'A', "Iptc.Application2.DateCreated", "2024-05-06", 0, 0},  // the dataset's own type
        {'A', "Exif.Image.Make", "abc", 0, 0},                        // ASCII for Exif
        {'A', "Exif.Image.Make", "def", 0, 0},                        // a second datum
        {'M', "Exif.Image.Make", "\"3\"", 3, 0},                      // replaces the first
        {'E', "Exif.Photo.ExposureTime", quarter, 5, 0},  // size 0: 8 bytes for a rational
        {'E', "Exif.Image.Orientation", six, 3, 0},       // and 2 for a short
        {'E', caption, "\"Quoted\"", 0, 0},
        {'A', "Exif.Image.Model", "", 0, 2}, {'M', "Exif.Image.Model", "", 0, 2},  // nothing to store
        {'E', caption, "", 0, 2}, {'A', "Xmp.dc.title", "x", 0, 2},
        {'M', "iptc.application2.caption", "x", 0, 2},
        {'A', caption, "lang=\"x", 0x10009, 1},  // the key was accepted, the value not
        {'M', "Exif.Image.Artist", "x", 0x7fffffff, 1},
    };
    for (const auto& [setter, key, value, type, result] : calls) {
        EXPECT_EQ(SetTyped(h, setter, key, value, type), result) << setter << " " << key;
    }
    EXPECT_EQ(ValuesOf(h->iptcData, caption), std::vector<std::string>{"Quoted"});
    EXPECT_EQ(ValuesOf(h->iptcData, "Iptc.Application2.Keywords"), std::vector<std::string>{""});
    EXPECT_EQ(FindIptc(*h, "Iptc.Application2.DateCreated")->typeId(), Exiv2::date);
    EXPECT_EQ(ValuesOf(h->exifData, "Exif.Image.Make"), (std::vector<std::string>{"3", "def"}));
    EXPECT_EQ(FindExif(*h, "Exif.Image.Make")->typeId(), Exiv2::unsignedShort);
    EXPECT_EQ(ValuesOf(h->exifData, "Exif.Photo.ExposureTime"), std::vector<std::string>{"1/4"});
    EXPECT_EQ(ValuesOf(h->exifData, "Exif.Image.Orientation"), std::vector<std::string>{"6"});
    EXPECT_EQ(h->exifData.count() + h->iptcData.count() + h->xmpData.count(), 7);
    for (const char setter : {'A', 'M', 'E'}) {
        EXPECT_EQ(SetTyped(nullptr, setter, caption, "x", 0) + SetTyped(h, setter, nullptr, "x", 0) +
                      SetTyped(h, setter, caption, nullptr, 0),
                  -3);
    }
    EXPECT_EQ(ModifyExifIptcMeta(h, caption, "x", 0, -1), -1);
    // An Exif failure in ModifyExifIptcMeta invalidates the handle; it then does nothing.
    EXPECT_TRUE(h->isValid);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Xmp.dc.title", "x", 0, 0), 2);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Image.Artist", "Ann", 0, 0), 0);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Artist"), nullptr);
    EXPECT_FALSE(h->isValid);
}

}  // namespace
}  // namespace lumenmeta
