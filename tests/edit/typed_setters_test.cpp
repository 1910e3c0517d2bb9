#include "lumenmeta.h"

#include "support/handle_ptr.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::FindExif;
using test::FindIptc;

constexpr const char* kCaption = "Iptc.Application2.Caption";
constexpr int kLangAlt = 0x10009;

TEST(AddMeta, AppendsWithTheQuoteRuleAndTheFamilyCodes) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    EXPECT_EQ(AddMeta(h, kCaption, "\"abc\"", 0), 0);
    EXPECT_EQ(AddMeta(h, kCaption, "second", 0), 6);  // the caption does not repeat
    EXPECT_EQ(FindIptc(*h, kCaption)->toString(), "abc");
    EXPECT_EQ(h->iptcData.count(), 1);
    EXPECT_EQ(AddMeta(h, "Iptc.Application2.Keywords", "\"", 0), 0);
    EXPECT_EQ(FindIptc(*h, "Iptc.Application2.Keywords")->toString(), "");
    EXPECT_EQ(AddMeta(h, "Iptc.Application2.DateCreated", "2024-05-06", 0), 0);
    EXPECT_EQ(FindIptc(*h, "Iptc.Application2.DateCreated")->typeId(), Exiv2::date);

    EXPECT_EQ(AddMeta(h, "Exif.Image.Orientation", "abc\"", 0), 0);
    EXPECT_EQ(AddMeta(h, "Exif.Image.Orientation", "def", 0), 0);
    EXPECT_EQ(h->exifData.count(), 2);  // two datums, one key
    // An empty text stores nothing, in every family.
    EXPECT_EQ(AddMeta(h, "Exif.Image.Orientation", "", 0), 2);
    EXPECT_EQ(AddMeta(h, "Iptc.Application2.Caption", "", 0), 2);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, "Exif.Image.Orientation", "", 0), 2);
    EXPECT_EQ(h->exifData.count(), 2);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->typeId(), Exiv2::asciiString);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->toString(), "abc\"");

    EXPECT_EQ(AddMeta(h, "Xmp.dc.title", "x", 0), 2);
    EXPECT_EQ(AddMeta(h, kCaption, "lang=\"x", kLangAlt), 1);  // the IPTC key was accepted
    EXPECT_EQ(AddMeta(h, "Exif.Image.Artist", "lang=\"x", kLangAlt), 1);
    EXPECT_EQ(AddMeta(h, "Exif.Image.Artist", "x", 0x7fffffff), 1);
    EXPECT_EQ(h->xmpData.count() + h->exifData.count() + h->iptcData.count(), 5);
    EXPECT_EQ(AddMeta(nullptr, kCaption, "x", 0), -1);
    EXPECT_EQ(AddMeta(h, nullptr, "x", 0), -1);
    EXPECT_EQ(AddMeta(h, kCaption, nullptr, 0), -1);
}

TEST(ModifyMetaDataValueAsString, ReplacesTheFirstDatum) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    EXPECT_EQ(ModifyMetaDataValueAsString(h, "Exif.Image.Orientation", "6", 0), 0);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->typeId(), Exiv2::asciiString);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, "Exif.Image.Orientation", "\"3\"", 3), 0);
    EXPECT_EQ(h->exifData.count(), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->typeId(), Exiv2::unsignedShort);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->toLong(), 3);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, kCaption, "one", 0), 0);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, kCaption, "two", 0), 0);  // no code 6 here
    EXPECT_EQ(h->iptcData.count(), 1);
    EXPECT_EQ(FindIptc(*h, kCaption)->toString(), "two");
    EXPECT_EQ(ModifyMetaDataValueAsString(h, "iptc.application2.caption", "x", 0), 2);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, "Exif.Image.Artist", "lang=\"x", kLangAlt), 1);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, nullptr, "x", 0), -1);
    EXPECT_EQ(ModifyMetaDataValueAsString(h, kCaption, nullptr, 0), -1);
    EXPECT_EQ(ModifyMetaDataValueAsString(nullptr, kCaption, "x", 0), -1);
    EXPECT_EQ(h->exifData.count() + h->iptcData.count(), 2);
    EXPECT_TRUE(h->isValid);
}

TEST(ModifyExifIptcMeta, StoresBinaryValuesAndInvalidatesOnFailure) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    const unsigned char quarter[8] = {1, 0, 0, 0, 4, 0, 0, 0};
    const char* bytes = reinterpret_cast<const char*>(quarter);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Photo.ExposureTime", bytes, 5, 0), 0);
    EXPECT_EQ(FindExif(*h, "Exif.Photo.ExposureTime")->typeId(), Exiv2::unsignedRational);
    EXPECT_EQ(FindExif(*h, "Exif.Photo.ExposureTime")->toRational(), Exiv2::Rational(1, 4));
    const unsigned char six[2] = {6, 0};  // no terminator: only two bytes are read
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Image.Orientation", reinterpret_cast<const char*>(six), 3, 0),
              0);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Orientation")->toLong(), 6);
    EXPECT_EQ(ModifyExifIptcMeta(h, kCaption, "\"Quoted\"", 0, 0), 0);
    EXPECT_EQ(FindIptc(*h, kCaption)->toString(), "Quoted");

    EXPECT_EQ(ModifyExifIptcMeta(h, kCaption, "", 0, 0), 2);
    EXPECT_EQ(ModifyExifIptcMeta(h, kCaption, "x", 0, -1), -1);
    EXPECT_EQ(ModifyExifIptcMeta(h, nullptr, "x", 0, 0), -1);
    EXPECT_EQ(ModifyExifIptcMeta(nullptr, kCaption, "x", 0, 0), -1);
    EXPECT_TRUE(h->isValid);

    EXPECT_EQ(ModifyExifIptcMeta(h, "Xmp.dc.title", "x", 0, 0), 2);
    EXPECT_FALSE(h->isValid);
    EXPECT_EQ(ModifyExifIptcMeta(h, "Exif.Image.Artist", "Ann", 0, 0), 0);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Artist"), nullptr);
    EXPECT_EQ(h->exifData.count() + h->iptcData.count() + h->xmpData.count(), 3);

    test::HandlePtr second = test::EmptyHandle();  // a value failure invalidates too
    EXPECT_EQ(ModifyExifIptcMeta(second.get(), kCaption, "lang=\"x", kLangAlt, 0), 1);
    EXPECT_FALSE(second->isValid);
}

}  // namespace
}  // namespace lumenmeta
