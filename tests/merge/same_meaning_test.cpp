// When two texts of a key say the same thing, which keys are twins, and how
// XMP dates read as Exif wall-clock time.
#include "merge/same_meaning.h"
#include "merge/twin_keys.h"
#include "merge/xmp_dates.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>

namespace lumenmeta {
namespace {

TEST(SameMeaning, KnownAnswers) {
    struct Case {
        const char* key;
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"Exif.Image.DateTime", "2016:09:13 11:58:16", "2016-09-13T11:58:16+01:00", true},
        {"Exif.Image.DateTime", "2016:09:13 11:58:16", "2016:09:13 10:58:16", false},
        {"Exif.Photo.DateTimeOriginal", "2004:06:21 23:37:53", "2004-06-21", true},
        {"Exif.Photo.DateTimeOriginal", "2004:06:21 23:37:53", "2004-06-22", false},
        {"Exif.Photo.SubSecTime", "81", "810000000", true},
        {"Exif.Photo.SubSecTime", "81", "8", false},
        {"Exif.GPSInfo.GPSLongitude", "1/1 31/1 47/50", "1/1 31/1 470001/500000", true},
        {"Exif.GPSInfo.GPSLongitude", "1/1 31/1 47/50", "1/1 31/1 48/50", false},
        {"Xmp.exif.GPSLatitude", "36,27.5N", "36,27,30N", true},
        {"Exif.Image.XResolution", "72/1", "720000/10000", true},
        {"Exif.Image.XResolution", "72/1", "73/1", false},
        {"Exif.Image.Artist", "Photographer\xEDs", "Photographer\xC3\xADs", true},  // 1252 / UTF-8
        {"Xmp.dc.title", "lang=\"x-default\" Harbour", "Harbour", true},
        {"Exif.Photo.UserComment", "charset=Ascii Chambord", "charset=\"Unicode\" Chambord", true},
        {"Iptc.Application2.Caption", "one\rtwo", "one\ntwo", true},
        {"Iptc.Application2.Caption", "one two", "one\ntwo", false},
        {"Exif.Photo.ComponentsConfiguration", "1 2 3 0", "1, 2, 3, 0", true},
        {"Exif.Image.Artist", "Ann", "Anna", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SameMeaning(c.key, c.a, c.b), c.same) << c.key << ": " << c.a << " / " << c.b;
    }
    EXPECT_TRUE(SameItems("Iptc.Application2.Keywords", {"b", "a"}, {"a", "b"}));
    EXPECT_FALSE(SameItems("Iptc.Application2.Keywords", {"a", "a"}, {"a", "b"}));
    for (const char* empty : {"", "   ", "lang=\"x-default\" ", "charset=Ascii ", "0/0", "1/0 2/0"}) {
        EXPECT_TRUE(IsEmptyMeaning(empty)) << empty;
    }
    for (const char* full : {"0", "0/1", "lang=\"bad", "x"}) EXPECT_FALSE(IsEmptyMeaning(full)) << full;
}

TEST(XmpDates, ReadAsTheWallClockTimeWrittenInThem) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"2016-09-13T11:58:16.81+01:00", "2016:09:13 11:58:16", "81"},
        {"2015-02-13T20:46:51-06:00", "2015:02:13 20:46:51", ""},
        {"2004-06-21", "2004:06:21 00:00:00", ""},
        {"2004", "2004:01:01 00:00:00", ""},
        {"2004-06-21T08:05Z", "2004:06:21 08:05:00", ""},
    };
    for (const auto& [xmp, exif, subSeconds] : cases) {
        std::string date, fraction;
        ASSERT_TRUE(ExifDateFromXmp(xmp, date, fraction)) << xmp;
        EXPECT_EQ(date, exif) << xmp;
        EXPECT_EQ(fraction, subSeconds) << xmp;
    }
    std::string date, fraction;
    EXPECT_FALSE(ExifDateFromXmp("June 2004", date, fraction));
}

// Every row of the twin table is a conversion Exiv2 itself makes: a value of
// the Exif or IPTC key converts to the XMP property and back.
TEST(TwinKeys, EachRowIsAConversionOfExiv2) {
    for (const TwinRow& row : TwinRows()) {
        if (row.iptcKey) {
            Exiv2::XmpData xmp;
            xmp[row.xmpKey] = row.iptcKey == std::string("Iptc.Application2.DateCreated") ||
                                      row.iptcKey == std::string("Iptc.Application2.DigitizationDate")
                                  ? "2001-02-03T04:05:06"
                                  : "1";
            Exiv2::IptcData iptc;
            Exiv2::copyXmpToIptc(xmp, iptc);
            EXPECT_NE(iptc.findKey(Exiv2::IptcKey(row.iptcKey)), iptc.end()) << row.xmpKey;
        }
        if (row.exifKey) {
            const std::vector<std::string> twins = TwinsOf(row.exifKey);
            EXPECT_NE(std::find(twins.begin(), twins.end(), row.xmpKey), twins.end()) << row.exifKey;
        }
    }
    // A cleared position takes its XMP twin; a creator its three families.
    const std::vector<std::string> creator = TwinsOf("Xmp.dc.creator");
    EXPECT_EQ(creator, (std::vector<std::string>{"Exif.Image.Artist", "Iptc.Application2.Byline"}));
    EXPECT_EQ(TwinsOf("Exif.GPSInfo.GPSLatitude"), std::vector<std::string>{"Xmp.exif.GPSLatitude"});
    EXPECT_EQ(TwinsOf("Xmp.exif.Flash/exif:Fired"), std::vector<std::string>{"Exif.Photo.Flash"});
    EXPECT_TRUE(TwinsOf("Xmp.xmp.Label").empty());
}

}  // namespace
}  // namespace lumenmeta
