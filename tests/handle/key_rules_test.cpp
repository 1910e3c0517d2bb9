#include "handle/key_family.h"
#include "handle/rational_xmp_keys.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

TEST(KeyRules, FamilyIsChosenByPrefixIgnoringCase) {
    EXPECT_EQ(FamilyOfKey("Xmp.dc.title"), KeyFamily::Xmp);
    EXPECT_EQ(FamilyOfKey("xMP.dc.title"), KeyFamily::Xmp);
    EXPECT_EQ(FamilyOfKey("Iptc.Application2.Caption"), KeyFamily::Iptc);
    EXPECT_EQ(FamilyOfKey("IPTC.x"), KeyFamily::Iptc);
    EXPECT_EQ(FamilyOfKey("Exif.Image.Artist"), KeyFamily::Exif);
    EXPECT_EQ(FamilyOfKey("Xmp"), KeyFamily::Exif);  // no point: not the prefix
    EXPECT_EQ(FamilyOfKey("Iptc"), KeyFamily::Exif);
    EXPECT_EQ(FamilyOfKey(""), KeyFamily::Exif);
    EXPECT_EQ(FamilyOfKey("Xmpx.dc.title"), KeyFamily::Exif);
}

TEST(KeyRules, RationalXmpKeysMatchWholeKeysIgnoringCase) {
    EXPECT_EQ(std::size(kRationalXmpKeys), 14u);
    EXPECT_TRUE(IsRationalXmpKey("Xmp.exif.FNumber"));
    EXPECT_TRUE(IsRationalXmpKey("xmp.EXIF.fnumber"));
    EXPECT_TRUE(IsRationalXmpKey("Xmp.exif.Flash"));
    EXPECT_TRUE(IsRationalXmpKey("Xmp.tiff.YResolution"));
    EXPECT_FALSE(IsRationalXmpKey("Xmp.exif.FNumbers"));
    EXPECT_FALSE(IsRationalXmpKey("Xmp.exif.FNumbe"));
    EXPECT_FALSE(IsRationalXmpKey("Exif.Photo.FNumber"));
}

}  // namespace
}  // namespace lumenmeta
