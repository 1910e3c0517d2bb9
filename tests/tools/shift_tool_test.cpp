// `lumenmeta shift` run as a user runs it, on fixture files: every family's
// dates moved by the amount, read back with Exiv2 directly.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <map>
#include <tuple>

namespace lumenmeta {
namespace {

using test::RunTool;
using Words = std::vector<std::string>;

// Every date, time, sub-second and offset datum of a file as Exiv2 reads
// it, key to text. (A write may add what the library adds to any file it
// writes: the XMP digests, the IPTC character set.)
std::map<std::string, std::string> DatesOnDisk(const std::string& path) {
    const test::FileMetadata disk = test::ReadBack(path);
    std::map<std::string, std::string> all;
    const auto keep = [&](const std::string& key, const std::string& text) {
        if (key.find("Date") != std::string::npos || key.find("Time") != std::string::npos) {
            all[key] = text;
        }
    };
    for (const auto& datum : disk.exif) keep(datum.key(), datum.toString());
    for (const auto& datum : disk.iptc) keep(datum.key(), datum.toString());
    for (const auto& datum : disk.xmp) keep(datum.key(), datum.toString());
    return all;
}

// Dates in each family just before midnight at a year's end and at the end
// of a leap February, with sub-seconds and offsets, and GPS time stamps.
test::FixtureImage Dated() {
    test::FixtureImage image;
    test::Fill(image.exif, {"Exif.Photo.DateTimeOriginal=2023:12:31 23:30:00",
                            "Exif.Photo.SubSecTimeOriginal=45",
                            "Exif.Photo.OffsetTimeOriginal=+02:00",
                            "Exif.Photo.DateTimeDigitized=2024:02:28 22:15:10",
                            "Exif.Image.DateTime=2024:02:29 23:59:59",
                            "Exif.GPSInfo.GPSDateStamp=2023:12:31",
                            "Exif.GPSInfo.GPSTimeStamp=21/1 30/1 0/1"});
    test::Fill(image.iptc, {"Iptc.Application2.DateCreated=2023-12-31",
                            "Iptc.Application2.TimeCreated=23:30:00+02:00",
                            "Iptc.Application2.DigitizationDate=2024-02-28",
                            "Iptc.Application2.DigitizationTime=22:15:10+02:00"});
    test::Fill(image.xmp, {"Xmp.exif.DateTimeOriginal=2023-12-31T23:30:00.45+02:00",
                           "Xmp.photoshop.DateCreated=2023-12-31T23:30:00.45+02:00",
                           "Xmp.xmp.CreateDate=2024-02-28T22:15:10+02:00",
                           "Xmp.exif.DateTimeDigitized=2024-02-28T22:15:10+02:00",
                           "Xmp.xmp.ModifyDate=2024-02-29T23:59:59",
                           "Xmp.exif.GPSTimeStamp=2023-12-31T21:30:00Z"});
    return image;
}

TEST(ToolShift, MovesEveryFamilysDatesAndBackExactly) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string photo = Dated().WriteTo(dir.File("photo.jpg"));
    const auto before = DatesOnDisk(photo);

    const test::ToolRun run = RunTool({"shift", photo, "+1 02:00:00"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto moved = DatesOnDisk(photo);
    const std::map<std::string, std::string> expected = {
        {"Exif.Photo.DateTimeOriginal", "2024:01:02 01:30:00"},
        {"Exif.Photo.SubSecTimeOriginal", "45"},
        {"Exif.Photo.OffsetTimeOriginal", "+02:00"},
        {"Exif.Photo.DateTimeDigitized", "2024:03:01 00:15:10"},  // 2024 has a 29 February
        {"Exif.Image.DateTime", "2024:03:02 01:59:59"},
        {"Iptc.Application2.DateCreated", "2024-01-02"},
        {"Iptc.Application2.TimeCreated", "01:30:00+02:00"},
        {"Iptc.Application2.DigitizationDate", "2024-03-01"},
        {"Iptc.Application2.DigitizationTime", "00:15:10+02:00"},
        {"Xmp.exif.DateTimeOriginal", "2024-01-02T01:30:00.45+02:00"},
        {"Xmp.photoshop.DateCreated", "2024-01-02T01:30:00.45+02:00"},
        {"Xmp.xmp.CreateDate", "2024-03-01T00:15:10+02:00"},
        {"Xmp.exif.DateTimeDigitized", "2024-03-01T00:15:10+02:00"},
        {"Xmp.xmp.ModifyDate", "2024-03-02T01:59:59"},
        // Satellite time is not the camera's clock: it stays.
        {"Exif.GPSInfo.GPSDateStamp", "2023:12:31"},
        {"Exif.GPSInfo.GPSTimeStamp", "21/1 30/1 0/1"},
        {"Xmp.exif.GPSTimeStamp", "2023-12-31T21:30:00Z"},
    };
    for (const auto& [key, value] : expected) EXPECT_EQ(moved[key], value) << key;

    // Back by the same amount: every datum as it was.
    ASSERT_EQ(RunTool({"shift", photo, "-1 02:00:00"}).exitCode, 0);
    EXPECT_EQ(DatesOnDisk(photo), before);

    // With --gps-time the GPS stamps move too, across the year's end.
    ASSERT_EQ(RunTool({"shift", photo, "+3", "--gps-time"}).exitCode, 0);
    moved = DatesOnDisk(photo);
    EXPECT_EQ(moved["Exif.GPSInfo.GPSDateStamp"], "2024:01:01");
    EXPECT_EQ(moved["Exif.GPSInfo.GPSTimeStamp"], "0/1 30/1 0/1");
    EXPECT_EQ(moved["Xmp.exif.GPSTimeStamp"], "2024-01-01T00:30:00Z");
    EXPECT_EQ(moved["Exif.Photo.DateTimeOriginal"], "2024:01:01 02:30:00");
    ASSERT_EQ(RunTool({"shift", photo, "-3", "--gps-time"}).exitCode, 0);
    EXPECT_EQ(DatesOnDisk(photo), before);
}

TEST(ToolShift, KeysDryRunJsonAndAmounts) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string photo = Dated().WriteTo(dir.File("photo.jpg"));
    const auto before = DatesOnDisk(photo);
    const std::vector<unsigned char> bytes = test::ReadBytes(photo);

    // A dry run names each date it would move and writes nothing.
    test::ToolRun run = RunTool({"shift", photo, "-1:30", "--dry-run", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(photo), bytes);
    const test::JsonValue json = test::ParseJson(run.out);
    for (const test::JsonValue& added : json["added"].items) {
        EXPECT_EQ(added["key"].text.find("Date"), std::string::npos) << added["key"].text;
    }
    EXPECT_TRUE(json["removed"].items.empty());
    std::map<std::string, std::string> changed;
    for (const test::JsonValue& change : json["changed"].items) {
        changed[change["key"].text] = change["value"].text;
    }
    EXPECT_EQ(changed["Exif.Photo.DateTimeOriginal"], "2023:12:31 22:00:00");
    EXPECT_EQ(changed["Xmp.xmp.ModifyDate"], "2024-02-29T22:29:59");
    EXPECT_EQ(changed.count("Exif.GPSInfo.GPSTimeStamp"), 0u);
    EXPECT_EQ(changed.count("Exif.Photo.SubSecTimeOriginal"), 0u);

    // --keys moves the dates it names with their twins, and no others.
    run = RunTool({"shift", photo, "+0:00:30", "--keys", "Xmp.xmp.ModifyDate"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto moved = DatesOnDisk(photo);
    EXPECT_EQ(moved["Xmp.xmp.ModifyDate"], "2024-03-01T00:00:29");
    EXPECT_EQ(moved["Exif.Image.DateTime"], "2024:03:01 00:00:29");
    for (const auto& [key, value] : before) {
        if (key == "Xmp.xmp.ModifyDate" || key == "Exif.Image.DateTime") continue;
        EXPECT_EQ(moved[key], value) << key;
    }
    // An IPTC time moves with its date, across midnight.
    run = RunTool({"shift", photo, "+0:30", "--keys", "Iptc.Application2.TimeCreated"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    moved = DatesOnDisk(photo);
    EXPECT_EQ(moved["Iptc.Application2.TimeCreated"], "00:00:00+02:00");
    EXPECT_EQ(moved["Iptc.Application2.DateCreated"], "2024-01-01");
    EXPECT_EQ(moved["Exif.Photo.DateTimeOriginal"], "2024:01:01 00:00:00");
    EXPECT_EQ(moved["Exif.Photo.DateTimeDigitized"], before.at("Exif.Photo.DateTimeDigitized"));

    // Amounts that are none, and keys shift does not move: usage mistakes.
    for (const Words& words : std::vector<Words>{{"shift", photo, "+2h"},
                                                 {"shift", photo, "1:60"},
                                                 {"shift", photo, "+1 2 3"},
                                                 {"shift", photo, "+2", "--keys",
                                                  "Exif.Image.Artist"},
                                                 {"shift", photo}}) {
        EXPECT_EQ(RunTool(words).exitCode, 2) << words.back();
    }
    // Twins that disagree would be made alike by the write: the file is
    // left as it is, and says why.
    test::FixtureImage apart;
    test::Fill(apart.exif, {"Exif.Image.DateTime=2008:07:31 17:15:01"});
    apart.xmp["Xmp.xmp.ModifyDate"] = "2004-11-25T23:42:54+01:00";
    const std::string edited = apart.WriteTo(dir.File("edited.jpg"));
    const std::vector<unsigned char> editedBytes = test::ReadBytes(edited);
    run = RunTool({"shift", edited, "+2"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Exif.Image.DateTime would read \"2004:11:26 01:42:54\""),
              std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing written"), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadBytes(edited), editedBytes);

    // Century years are leap years only every 400 years; GPS seconds keep
    // their fraction.
    for (const auto& [date, amount, expected, gps] :
         std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
             {"2100:02:28 23:00:00", "+2", "2100:03:01 01:00:00", "1/1 59/1 5999/100"},
             {"2000:02:28 23:00:00", "+2", "2000:02:29 01:00:00", "1/1 59/1 5999/100"},
             {"2000:03:01 00:59:59", "-1 01:00:00", "2000:02:28 23:59:59", "22/1 59/1 5999/100"},
             {"1999:12:31 23:59:59", "+0:0:1", "2000:01:01 00:00:00", "0/1 0/1 99/100"}}) {
        test::FixtureImage one;
        test::Fill(one.exif, {"Exif.Photo.DateTimeOriginal=" + date,
                              "Exif.GPSInfo.GPSTimeStamp=23/1 59/1 5999/100"});
        const std::string file = one.WriteTo(dir.File("one.jpg"));
        ASSERT_EQ(RunTool({"shift", file, amount, "--gps-time"}).exitCode, 0) << date;
        moved = DatesOnDisk(file);
        EXPECT_EQ(moved["Exif.Photo.DateTimeOriginal"], expected) << date << " " << amount;
        EXPECT_EQ(moved["Exif.GPSInfo.GPSTimeStamp"], gps) << date << " " << amount;
    }

    // A file without dates is not written at all.
    const std::string plain = test::FixtureImage().WriteTo(dir.File("plain.jpg"));
    const std::vector<unsigned char> plainBytes = test::ReadBytes(plain);
    EXPECT_EQ(RunTool({"shift", plain, "+5"}).exitCode, 0);
    EXPECT_EQ(test::ReadBytes(plain), plainBytes);
}

}  // namespace
}  // namespace lumenmeta
