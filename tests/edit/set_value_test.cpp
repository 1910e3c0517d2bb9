#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/temp_dir.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::FindExif;
using test::FindIptc;
using test::FindXmp;
using test::MakeBstr;
using test::RawBytes;

int Set(MetaHandle* handle, const char* key, const std::u16string& value) {
    return AddMetaDataW(handle, key, MakeBstr(value).get());
}

TEST(AddMetaDataW, StoresEachFamilyInItsOwnTextForm) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    EXPECT_EQ(Set(h, "Xmp.dc.title", u"Caf\u00e9 \u20ac"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->typeId(), Exiv2::langAlt);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "Caf\xC3\xA9 \xE2\x82\xAC");
    for (const char16_t* item : {u"a", u"b", u"c"}) EXPECT_EQ(Set(h, "Xmp.Lumenframe.Var", item), 1);
    const Exiv2::Xmpdatum* bag = FindXmp(*h, "Xmp.Lumenframe.Var");
    ASSERT_NE(bag, nullptr);
    EXPECT_EQ(bag->typeId(), Exiv2::xmpBag);
    EXPECT_EQ(bag->toString(), "a, b, c");
    EXPECT_EQ(Set(h, "Xmp.exif.FNumber", u"5.6"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.exif.FNumber")->toString(), "5.6/1");
    EXPECT_EQ(Set(h, "Xmp.exif.FNumber", u"56/10"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.exif.FNumber")->toString(), "56/10");
    EXPECT_EQ(Set(h, "Xmp.dc.source", u"5.6"), 1);  // not a rational key
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.source")->toString(), "5.6");

    // IPTC text is Windows-1252 even when the handle's IPTC reads as UTF-8.
    h->iptcCodePage = 65001;
    EXPECT_EQ(Set(h, "Iptc.Application2.Caption", u"Caf\u00e9 \u20ac\u6f22"), 1);
    EXPECT_EQ(RawBytes(*FindIptc(*h, "Iptc.Application2.Caption")), "Caf\xE9 \x80?");

    EXPECT_EQ(Set(h, "Exif.Image.Artist", u"Caf\u00e9"), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Artist")->toString(), "Caf\xC3\xA9");
    EXPECT_EQ(Set(h, "Exif.Image.XResolution", u"72/1"), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.XResolution")->typeId(), Exiv2::unsignedRational);
    EXPECT_EQ(Set(h, "Exif.Image.XPTitle", u"Hi"), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.XPTitle")->typeId(), Exiv2::unsignedByte);
    EXPECT_EQ(RawBytes(*FindExif(*h, "Exif.Image.XPTitle")), std::string("H\0i\0\0\0", 6));

    // A U+0000 inside the value ends it.
    EXPECT_EQ(Set(h, "Exif.Image.Model", std::u16string(u"ab\0cd", 5)), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Model")->toString(), "ab");
    EXPECT_TRUE(h->deletedKeys.empty());

    // What was stored is what Exiv2 writes to and reads from a file.
    test::TempDir dir;
    test::FixtureImage image;
    image.exif = h->exifData;
    image.iptc = h->iptcData;
    image.xmp = h->xmpData;
    const test::FileMetadata file = test::ReadBack(image.WriteTo(dir.File("edited.jpg")));
    EXPECT_EQ(file.xmp.findKey(Exiv2::XmpKey("Xmp.Lumenframe.Var"))->toString(), "a, b, c");
    EXPECT_EQ(file.xmp.findKey(Exiv2::XmpKey("Xmp.exif.FNumber"))->toString(), "56/10");
    EXPECT_EQ(RawBytes(*file.exif.findKey(Exiv2::ExifKey("Exif.Image.XPTitle"))),
              std::string("H\0i\0\0\0", 6));
    EXPECT_EQ(RawBytes(*file.iptc.findKey(Exiv2::IptcKey("Iptc.Application2.Caption"))),
              "Caf\xE9 \x80?");
}

TEST(AddMetaDataW, EmptyValueClearsAndRejectedKeysGiveZero) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    ASSERT_EQ(Set(h, "Xmp.dc.title", u"Old"), 1);
    EXPECT_EQ(Set(h, "Xmp.dc.title", u""), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title"), nullptr);
    EXPECT_EQ(AddMetaDataW(h, "Exif.Image.Artist", nullptr), 1);  // absent: cleared all the same
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Xmp.dc.title", "Exif.Image.Artist"}));
    EXPECT_EQ(AddMetaDataW(h, "xmp.dc.title", nullptr), 1);  // clearing failed, still 1
    EXPECT_EQ(h->deletedKeys.size(), 2u);

    for (const char* key : {"XMP.dc.title", "xmp.EXIF.fnumber", "Xmp.nosuch.title",
                            "XMP.Lumenframe.Var", "Exif.Image.NoSuchTag", "Iptc.Application2",
                            "Xmpdc.title", ""}) {
        EXPECT_EQ(Set(h, key, u"v"), 0) << key;
    }
    EXPECT_EQ(h->xmpData.count() + h->exifData.count() + h->iptcData.count(), 0);
    EXPECT_EQ(Set(nullptr, "Xmp.dc.title", u"v"), 0);
    EXPECT_EQ(Set(h, nullptr, u"v"), 0);
}

}  // namespace
}  // namespace lumenmeta
