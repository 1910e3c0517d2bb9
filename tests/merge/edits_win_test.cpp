// Exif dates with sub-seconds: an edited date and its sub-seconds reach the
// XMP twins with the fraction as written, and a write leaves the file's own
// sub-seconds as written ("54" never becomes "054" or "540000000").
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <cstring>

#include <functional>

namespace lumenmeta {
namespace {

using namespace test;

constexpr char kDate[] = "Exif.Photo.DateTimeOriginal";
constexpr char kSubSeconds[] = "Exif.Photo.SubSecTimeOriginal";

struct Case {
    const char* name;
    Texts exif, xmp;  // the file
    std::function<void(MetaHandle*)> edit;
    Texts expected;  // "key=text" on disk after the write
};

// An edit that sets each key to its text with AddMetaDataW.
std::function<void(MetaHandle*)> Set(std::initializer_list<std::pair<const char*, std::u16string>> values) {
    const std::vector<std::pair<const char*, std::u16string>> list(values);
    return [list](MetaHandle* h) {
        for (const auto& [key, text] : list) EXPECT_EQ(AddMetaDataW(h, key, MakeBstr(text).get()), 1) << key;
    };
}

// Writes the case's file, makes its edit, writes in place and compares the
// file, read with Exiv2, with what the case expects.
void Check(const Case& c) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    FixtureImage fixture;
    Fill(fixture.exif, c.exif);
    Fill(fixture.xmp, c.xmp);
    const FileMetadata file = ReadBack(WriteInPlace(dir, fixture, c.edit));
    for (const std::string& row : c.expected) {
        const std::string key = row.substr(0, row.find('='));
        const Texts onDisk = key[0] == 'X' ? ValuesOf(file.xmp, key) : ValuesOf(file.exif, key);
        EXPECT_EQ(onDisk, Texts{row.substr(row.find('=') + 1)}) << key;
    }
}

TEST(EditsWin, SubSecondsReachTheXmpTwinsAsWrittenAndStayAsWritten) {
    const auto other = Set({{"Exif.Image.Artist", u"Someone"}});  // no date edited
    const Case cases[] = {
        {"unedited, no XMP", {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54"},
         {}, other,  // the twin a write adds: Xmp.photoshop.DateCreated
         {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54",
          "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"}},
        {"unedited, XMP twins", {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54"},
         {"Xmp.exif.DateTimeOriginal=2004-06-21T23:37:53.54", "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"},
         other,
         {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54",
          "Xmp.exif.DateTimeOriginal=2004-06-21T23:37:53.54", "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"}},
        {"unedited, XMP alone", {}, {"Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"}, other,
         {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54",
          "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"}},
        {"date edited, file without sub-seconds", {"Exif.Photo.DateTimeOriginal=2001:02:03 04:05:06"}, {},
         Set({{kDate, u"2004:06:21 23:37:53"}, {kSubSeconds, u"54"}}),
         {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54",
          "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54"}},
    };
    for (const Case& c : cases) Check(c);
}

// An edited Exif date or sub-seconds reaches every XMP twin the file holds,
// with the sub-seconds as set and the offset the twin held.
TEST(EditsWin, AnEditedDateAndItsSubSecondsReachTheTwinsTheFileHolds) {
    const Texts exif = {"Exif.Photo.DateTimeOriginal=2001:02:03 04:05:06", "Exif.Photo.SubSecTimeOriginal=10"};
    const Texts xmp = {"Xmp.exif.DateTimeOriginal=2001-02-03T04:05:06.10+02:00",
                       "Xmp.photoshop.DateCreated=2001-02-03T04:05:06.10+02:00"};
    const Texts edited = {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Exif.Photo.SubSecTimeOriginal=54",
                          "Xmp.exif.DateTimeOriginal=2004-06-21T23:37:53.54+02:00",
                          "Xmp.photoshop.DateCreated=2004-06-21T23:37:53.54+02:00"};
    const Case cases[] = {
        {"date, then sub-seconds", exif, xmp, Set({{kDate, u"2004:06:21 23:37:53"}, {kSubSeconds, u"54"}}), edited},
        {"sub-seconds, then date", exif, xmp, Set({{kSubSeconds, u"54"}, {kDate, u"2004:06:21 23:37:53"}}), edited},
        {"sub-seconds alone", exif, xmp, Set({{kSubSeconds, u"54"}}),
         {"Exif.Photo.DateTimeOriginal=2001:02:03 04:05:06", "Exif.Photo.SubSecTimeOriginal=54",
          "Xmp.exif.DateTimeOriginal=2001-02-03T04:05:06.54+02:00",
          "Xmp.photoshop.DateCreated=2001-02-03T04:05:06.54+02:00"}},
    };
    for (const Case& c : cases) Check(c);
    // The same without sub-seconds.
    Check({"date alone, no sub-seconds", {"Exif.Photo.DateTimeOriginal=2001:02:03 04:05:06"},
           {"Xmp.exif.DateTimeOriginal=2001-02-03T04:05:06+02:00", "Xmp.photoshop.DateCreated=2001-02-03T04:05:06+02:00"},
           Set({{kDate, u"2004:06:21 23:37:53"}}),
           {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53", "Xmp.exif.DateTimeOriginal=2004-06-21T23:37:53+02:00",
            "Xmp.photoshop.DateCreated=2004-06-21T23:37:53+02:00"}});
    // A twin that dates the day, the month or the year alone keeps that
    // precision.
    for (const char* held : {"2001-02-03", "2001-02", "2001"}) {
        const std::string expected = std::string("2004-06-21").substr(0, std::strlen(held));
        Check({held, {"Exif.Photo.DateTimeOriginal=2001:02:03 04:05:06"},
               {"Xmp.exif.DateTimeOriginal=2001-02-03T04:05:06+02:00",
                (std::string("Xmp.photoshop.DateCreated=") + held).c_str()},
               Set({{kDate, u"2004:06:21 23:37:53"}}),
               {"Exif.Photo.DateTimeOriginal=2004:06:21 23:37:53",
                "Xmp.exif.DateTimeOriginal=2004-06-21T23:37:53+02:00",
                "Xmp.photoshop.DateCreated=" + expected}});
    }
}

}  // namespace
}  // namespace lumenmeta
