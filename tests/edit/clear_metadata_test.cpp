#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::EmptyHandle;
using test::HandlePtr;

TEST(ClearMetaData, ErasesEveryDatumOfTheKeyAndRecordsIt) {
    test::FixtureImage fixture = test::SampleFixture();
    Exiv2::StringValue keyword("gulls");
    fixture.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    const std::vector<unsigned char> bytes = fixture.Bytes();
    HandlePtr handle(OpenMemImage(bytes.data(), static_cast<int32_t>(bytes.size())));
    ASSERT_NE(handle, nullptr);
    const Exiv2::AsciiValue secondArtist("Bo");
    handle->exifData.add(Exiv2::ExifKey("Exif.Image.Artist"), &secondArtist);

    EXPECT_EQ(ClearMetaData(handle.get(), "Iptc.Application2.Keywords"), 3);
    EXPECT_EQ(ClearMetaData(handle.get(), "Iptc.Application2.Keywords"), 0);
    EXPECT_EQ(ClearMetaData(handle.get(), "Exif.Image.Artist"), 2);
    EXPECT_EQ(ClearMetaData(handle.get(), "Xmp.dc.subject"), 1);
    EXPECT_EQ(ClearMetaData(handle.get(), "Xmp.dc.rights"), 0);  // absent, still recorded
    EXPECT_EQ(handle->iptcData.count(), 1);                       // the caption stays
    EXPECT_EQ(handle->exifData.findKey(Exiv2::ExifKey("Exif.Image.Artist")),
              handle->exifData.end());
    EXPECT_NE(handle->exifData.findKey(Exiv2::ExifKey("Exif.Image.Model")),
              handle->exifData.end());
    EXPECT_EQ(handle->deletedKeys,
              (std::set<std::string>{"Iptc.Application2.Keywords", "Exif.Image.Artist",
                                     "Xmp.dc.subject", "Xmp.dc.rights"}));
}

TEST(ClearMetaData, KeysExiv2RejectsGiveMinusOneAndAreNotRecorded) {
    HandlePtr handle = EmptyHandle();
    handle->xmpData["Xmp.dc.title"] = "Kept";
    EXPECT_EQ(ClearMetaData(handle.get(), "xmp.dc.title"), -1);
    EXPECT_EQ(ClearMetaData(handle.get(), "Exif.Image.NoSuchTag"), -1);
    EXPECT_EQ(ClearMetaData(handle.get(), "Iptc.Application2"), -1);
    EXPECT_EQ(ClearMetaData(handle.get(), nullptr), -1);
    EXPECT_EQ(ClearMetaData(nullptr, "Xmp.dc.title"), -1);
    EXPECT_TRUE(handle->deletedKeys.empty());
    EXPECT_EQ(handle->xmpData.count(), 1);
}

}  // namespace
}  // namespace lumenmeta
