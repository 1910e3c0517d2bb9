#include "save/standard_exif_keys.h"

#include "lumenmeta.h"
#include "platform/ascii.h"

#include "support/fixture_image.h"
#include "support/handle_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <exiv2/exiv2.hpp>

#include <map>
#include <set>
#include <string>

namespace lumenmeta {
namespace {

TEST(StandardExifKeys, TableHoldsTheStandardKeysAsExiv2SpellsThem) {
    std::set<std::string> distinct;
    std::map<std::string, int> perGroup;
    int count = 0;
    for (; kStandardExifKeys[count] != nullptr; ++count) {
        const std::string key = kStandardExifKeys[count];
        distinct.insert(key);
        // Exiv2 knows every key and renders it the same way, so that the
        // byte-wise lookups match the keys of real datums.
        const Exiv2::ExifKey exiv2Key(key);
        EXPECT_EQ(exiv2Key.key(), key);
        ++perGroup[exiv2Key.groupName()];
        if (count > 0) {
            EXPECT_LT(CompareNoCase(kStandardExifKeys[count - 1], key.c_str()), 0) << key;
        }
    }
    EXPECT_EQ(count, kStandardExifKeyCount);
    EXPECT_EQ(distinct.size(), 160u);
    const std::map<std::string, int> expectedGroups = {
        {"GPSInfo", 31}, {"Image", 68}, {"Iop", 5}, {"Photo", 56}};
    EXPECT_EQ(perGroup, expectedGroups);
    for (const char* listed : {"Exif.GPSInfo.GPSDifferential", "Exif.GPSInfo.GPSDOP",
                               "Exif.Photo.MakerNote", "Exif.Image.XPTitle",
                               "Exif.Photo.UserComment", "Exif.Iop.RelatedImageWidth"}) {
        EXPECT_TRUE(distinct.count(listed)) << listed;
    }
    // Resolution and size tags belong to the image, not to its description.
    for (const char* notListed : {"Exif.Image.XResolution", "Exif.Image.ImageWidth",
                                  "Exif.Image.ResolutionUnit", "Exif.Thumbnail.Compression",
                                  "Exif.Image.ExifTag"}) {
        EXPECT_FALSE(distinct.count(notListed)) << notListed;
    }
}

TEST(StandardExifKeys, SetIsFilledOnceWithExactlyTheTable) {
    EnsureStandardExifKeySet();
    EnsureStandardExifKeySet();
    const std::set<std::string>& set = StandardExifKeySet();
    EXPECT_EQ(set.size(), 160u);
    for (int i = 0; kStandardExifKeys[i] != nullptr; ++i) {
        EXPECT_TRUE(set.count(kStandardExifKeys[i])) << kStandardExifKeys[i];
    }
}

TEST(StandardExifKeys, KeyTestsAreExactAndCaseSensitive) {
    EnsureStandardExifKeySet();
    EXPECT_TRUE(IsStandardExifKey("Exif.Image.Artist"));
    EXPECT_TRUE(IsStandardExifKey("Exif.Photo.MakerNote"));
    EXPECT_FALSE(IsStandardExifKey("Exif.Image.artist"));
    EXPECT_FALSE(IsStandardExifKey("exif.Image.Artist"));
    EXPECT_FALSE(IsStandardExifKey("Exif.Image.Artist "));
    EXPECT_FALSE(IsStandardExifKey("Exif.Image.XResolution"));
    EXPECT_FALSE(IsStandardExifKey(""));

    for (const char* makerNote :
         {"Exif.Canon.ModelID", "Exif.CanonCs.Macro", "Exif.Fujifilm.Quality",
          "Exif.Minolta.Quality", "Exif.MinoltaCs5D.ExposureMode", "Exif.Nikon3.Quality",
          "Exif.NikonAf2.AFAreaMode", "Exif.Olympus2.Quality", "Exif.Panasonic.Quality",
          "Exif.Pentax.Quality", "Exif.PentaxDng.Quality", "Exif.Sigma.Quality",
          "Exif.Sony1.Quality", "Exif.Sony2Cs.ImageStyle"}) {
        EXPECT_TRUE(IsMakerNoteKey(makerNote)) << makerNote;
        EXPECT_FALSE(IsStandardExifKey(makerNote)) << makerNote;
        EXPECT_TRUE(IsCarriedExifKey(makerNote)) << makerNote;
    }
    for (const char* other : {"Exif.Samsung2.Quality", "Exif.Casio2.Quality",
                              "Exif.nikon3.Quality", "Exif.SONY1.Quality",
                              "Exif.Thumbnail.Compression", "Exif.Image.XResolution"}) {
        EXPECT_FALSE(IsMakerNoteKey(other)) << other;
        EXPECT_FALSE(IsCarriedExifKey(other)) << other;
    }
    EXPECT_TRUE(IsCarriedExifKey("Exif.Photo.MakerNote"));
    EXPECT_TRUE(IsCarriedExifKey("Exif.GPSInfo.GPSLatitude"));
}

TEST(StandardExifKeys, TheSetIsFilledOnlyWhenSourceExifIsCarried) {
    // Run alone (as ctest runs each test) the set starts empty here.
    const size_t sizeBefore = StandardExifKeySet().size();
    test::TempDir dir;
    test::FixtureImage xmpOnly;
    xmpOnly.xmp["Xmp.dc.format"] = "image/jpeg";
    const std::string source = xmpOnly.WriteTo(dir.File("xmp-only.jpg"));
    const std::string target = test::FixtureImage().WriteTo(dir.File("target.jpg"));
    test::HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    ASSERT_EQ(WriteData(handle.get(), target.c_str(), 0, 0), 1);
    EXPECT_EQ(StandardExifKeySet().size(), sizeBefore);

    test::FixtureImage withExif;
    withExif.exif["Exif.Image.Artist"] = "Ann";
    withExif.WriteTo(source);
    ASSERT_EQ(WriteData(handle.get(), target.c_str(), 0, 0), 1);
    EXPECT_EQ(StandardExifKeySet().size(), 160u);
}

}  // namespace
}  // namespace lumenmeta
