// The tool's short names (Artist, Keywords, DateTimeOriginal, ...), its key
// patterns and --gps, and its exit codes, run as a user runs them on fixture
// files; what lands on disk is read back with Exiv2 directly.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>

namespace lumenmeta {
namespace {

using test::RunTool;
using test::Texts;
using test::npos;

// The values Exiv2 reads for `key` in the file at `path`.
Texts Disk(const std::string& path, const std::string& key) {
    const test::FileMetadata disk = test::ReadBack(path);
    return key[0] == 'E' ? test::ValuesOf(disk.exif, key)
           : key[0] == 'I' ? test::ValuesOf(disk.iptc, key)
                           : test::ValuesOf(disk.xmp, key);
}

// Every key on disk that records a position, a direction or a GPS time.
Texts GpsKeysOnDisk(const std::string& path) {
    const test::FileMetadata disk = test::ReadBack(path);
    Texts keys;
    for (const auto& datum : disk.exif) {
        if (datum.groupName() == "GPSInfo") keys.push_back(datum.key());
    }
    for (const auto& datum : disk.xmp) {
        if (datum.key().rfind("Xmp.exif.GPS", 0) == 0 || datum.key().rfind("Xmp.exifEX.GPS", 0) == 0) {
            keys.push_back(datum.key());
        }
    }
    return keys;
}

// Artist in all three families, agreeing; Copyright disagreeing between Exif
// and XMP; Keywords in IPTC and XMP; a capture date in Exif, XMP and IPTC in
// each one's own form.
test::FixtureImage NamesFixture() {
    test::FixtureImage image;
    test::Fill(image.exif, {"Exif.Image.Artist=Ann Example", "Exif.Image.Copyright=(c) Ann",
                            "Exif.Photo.DateTimeOriginal=2024:05:01 10:20:30",
                            "Exif.Image.Make=Lumen Camera Works"});
    test::Fill(image.iptc, {"Iptc.Application2.Byline=Ann Example",
                            "Iptc.Application2.Keywords=harbour", "Iptc.Application2.Keywords=dawn",
                            "Iptc.Application2.DateCreated=2024-05-01"});
    image.xmp["Xmp.dc.creator"] = "Ann Example";
    image.xmp["Xmp.dc.rights"] = "lang=x-default (c) Bob";
    image.xmp["Xmp.dc.subject"] = "dawn";
    image.xmp["Xmp.dc.subject"] = "harbour";
    image.xmp["Xmp.photoshop.DateCreated"] = "2024-05-01T10:20:30+02:00";
    return image;
}

// Every kind of GPS key in Exif and XMP, and keys that are no position.
test::FixtureImage GpsFixture() {
    test::FixtureImage image;
    test::Fill(image.exif,
               {"Exif.Image.Make=Lumen Camera Works", "Exif.GPSInfo.GPSVersionID=2 2 0 0",
                "Exif.GPSInfo.GPSLatitudeRef=N", "Exif.GPSInfo.GPSLatitude=51/1 30/1 0/1",
                "Exif.GPSInfo.GPSLongitudeRef=W", "Exif.GPSInfo.GPSLongitude=0/1 7/1 30/1",
                "Exif.GPSInfo.GPSAltitudeRef=0", "Exif.GPSInfo.GPSAltitude=35/1",
                "Exif.GPSInfo.GPSTimeStamp=10/1 20/1 30/1", "Exif.GPSInfo.GPSDateStamp=2024:05:01",
                "Exif.GPSInfo.GPSImgDirectionRef=T", "Exif.GPSInfo.GPSImgDirection=90/1",
                "Exif.GPSInfo.GPSSpeedRef=K", "Exif.GPSInfo.GPSSpeed=3/1"});
    image.xmp["Xmp.exif.GPSLatitude"] = "51,30.0000N";
    image.xmp["Xmp.exif.GPSLongitude"] = "0,7.5000W";
    image.xmp["Xmp.exif.GPSAltitude"] = "35/1";
    image.xmp["Xmp.exif.GPSTimeStamp"] = "2024-05-01T10:20:30Z";
    image.xmp["Xmp.exif.GPSVersionID"] = "2.2.0.0";
    image.xmp["Xmp.exif.GPSMapDatum"] = "WGS-84";
    image.xmp["Xmp.exifEX.GPSHPositioningError"] = "5/1";
    image.xmp["Xmp.dc.title"] = "lang=x-default Harbour";
    image.xmp["Xmp.xmpMM.DocumentID"] = "uuid:1234";
    image.xmp["Xmp.xmpMM.InstanceID"] = "uuid:5678";
    return image;
}

TEST(ToolNames, NamesReadAgreeingAndDisagreeingFamiliesAndSetEveryFamily) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string path = NamesFixture().WriteTo(dir.File("names.jpg"));

    // Families that agree give the one value; the date in three forms agrees.
    test::ToolRun run = RunTool({"get", path, "Artist"});
    EXPECT_EQ(run.out, "Ann Example\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    run = RunTool({"get", path, "artist", "DateTimeOriginal", "Keywords", "City", "--all"});
    EXPECT_EQ(run.out, "artist: Ann Example\nDateTimeOriginal: 2024:05:01 10:20:30\n"
                       "Keywords: dawn; harbour\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Families that disagree: each one's value, marked.
    EXPECT_EQ(RunTool({"get", path, "Copyright"}).out,
              "[families differ] Xmp.dc.rights: (c) Bob | Exif.Image.Copyright: (c) Ann\n");
    // In JSON: the agreed text, an object of each family's value, null.
    run = RunTool({"get", "--json", path, "Artist", "Copyright", "City"});
    SCOPED_TRACE(run.out);
    const test::JsonValue json = test::ParseJson(run.out);
    EXPECT_EQ(json["file"].text, path);
    EXPECT_EQ(json["values"]["Artist"].text, "Ann Example");
    EXPECT_EQ(json["values"]["Copyright"]["Exif.Image.Copyright"].text, "(c) Ann");
    EXPECT_EQ(json["values"]["Copyright"]["Xmp.dc.rights"].text, "(c) Bob");
    EXPECT_TRUE(json["values"]["City"].null);
    EXPECT_FALSE(json["values"]["Artist"].null);
    // A full key keeps working, and asks for that family only.
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Copyright"}).out, "(c) Ann\n");

    // Setting a name sets every family it lives in; += appends an item once.
    run = RunTool({"set", path, "Artist=Zoë Lumen", "Keywords+=boats", "Keywords+=harbour",
                   "Copyright=(c) Zoë", "Rating=4", "Title=Harbour"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Disk(path, "Xmp.dc.creator"), Texts{"Zoë Lumen"});
    EXPECT_EQ(Disk(path, "Exif.Image.Artist").size(), 1u);
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Artist"}).out, "Zoë Lumen\n");
    EXPECT_EQ(RunTool({"get", path, "Iptc.Application2.Byline"}).out, "Zoë Lumen\n");
    Texts keywords = Disk(path, "Iptc.Application2.Keywords");
    std::sort(keywords.begin(), keywords.end());
    EXPECT_EQ(keywords, (Texts{"boats", "dawn", "harbour"}));
    EXPECT_EQ(Disk(path, "Xmp.dc.subject").size(), 1u);  // one bag of three items
    EXPECT_EQ(RunTool({"get", path, "Copyright"}).out, "(c) Zoë\n");
    EXPECT_EQ(Disk(path, "Exif.Image.Rating"), Texts{"4"});
    EXPECT_EQ(Disk(path, "Xmp.xmp.Rating"), Texts{"4"});
    EXPECT_EQ(Disk(path, "Iptc.Application2.ObjectName"), Texts{"Harbour"});

    // A date in Exif's form, and a decimal position, reach every family.
    run = RunTool({"set", path, "DateTimeOriginal=2025:12:31 23:59:58", "GPSLatitude=-33.8568",
                   "GPSLongitude=151.2153"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Disk(path, "Exif.Photo.DateTimeOriginal"), Texts{"2025:12:31 23:59:58"});
    EXPECT_EQ(Disk(path, "Xmp.photoshop.DateCreated").at(0).rfind("2025-12-31T23:59:58", 0), 0u);
    EXPECT_EQ(Disk(path, "Iptc.Application2.DateCreated"), Texts{"2025-12-31"});
    EXPECT_EQ(Disk(path, "Exif.GPSInfo.GPSLatitudeRef"), Texts{"S"});
    EXPECT_EQ(RunTool({"get", "--decimal", path, "GPSLatitude", "GPSLongitude"}).out,
              "GPSLatitude: -33.856800\nGPSLongitude: 151.215300\n");
    EXPECT_EQ(RunTool({"get", path, "DateTimeOriginal"}).out, "2025:12:31 23:59:58\n");

    // Clearing a name clears every family.
    EXPECT_EQ(RunTool({"clear", path, "Artist", "Keywords"}).exitCode, 0);
    for (const char* key : {"Exif.Image.Artist", "Iptc.Application2.Byline", "Xmp.dc.creator",
                            "Iptc.Application2.Keywords", "Xmp.dc.subject"}) {
        EXPECT_TRUE(Disk(path, key).empty()) << key;
    }
    EXPECT_EQ(Disk(path, "Exif.Image.Make"), Texts{"Lumen Camera Works"});

    // `names` lists every name with its keys; one asked for, in JSON.
    const std::string names = RunTool({"names"}).out;
    EXPECT_NE(names.find("Xmp.dc.creator, Exif.Image.Artist, Iptc.Application2.Byline"), npos);
    for (const char* name : {"Keywords", "Rating", "CreateDate", "ModifyDate", "City", "Country",
                             "GPSAltitude", "Make", "FNumber"}) {
        EXPECT_NE(names.find("\n  " + std::string(name) + " "), npos) << name;
    }
    const test::JsonValue listed = test::ParseJson(RunTool({"names", "--json", "Keywords"}).out);
    ASSERT_EQ(listed.items.size(), 1u);
    EXPECT_EQ(listed.items[0]["keys"].items.size(), 2u);
    EXPECT_EQ(RunTool({"names", "Nonsense"}).exitCode, 2);
    // Every key of every name is a key Exiv2 knows, and in one name only.
    const test::JsonValue all = test::ParseJson(RunTool({"names", "--json"}).out);
    EXPECT_GT(all.items.size(), 100u);
    Texts seen;
    for (const test::JsonValue& name : all.items) {
        for (const test::JsonValue& key : name["keys"].items) {
            const std::string& k = key.text;
            EXPECT_NO_THROW(k[0] == 'E'   ? Exiv2::ExifKey(k).tag()
                            : k[0] == 'I' ? Exiv2::IptcKey(k).tag()
                                          : static_cast<uint16_t>(Exiv2::XmpKey(k).key().size()))
                << k;
            EXPECT_EQ(std::count(seen.begin(), seen.end(), k), 0) << k;
            seen.push_back(k);
        }
    }
}

// Names stand for their keys in sheets, filters and shifts too.
TEST(ToolNames, NamesWorkInSheetsFiltersAndShifts) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string ann = NamesFixture().WriteTo(dir.File("ann.jpg"));
    const std::string other = NamesFixture().WriteTo(dir.File("other.jpg"));
    ASSERT_EQ(RunTool({"set", other, "Artist=Bo Other"}).exitCode, 0);

    // A sheet with name columns: out, one cell edited, in.
    test::ToolRun run = RunTool({"show", "--csv", ann, other, "Artist", "Keywords"});
    EXPECT_EQ(run.out, "File,Artist,Keywords\r\n" + ann + ",Ann Example,dawn; harbour\r\n" + other +
                           ",Bo Other,dawn; harbour\r\n");
    std::string sheet = run.out;
    sheet.replace(sheet.find("Bo Other"), 8, "Cy Sheet");
    const std::string sheetPath = dir.File("sheet.csv");
    test::WriteBytes(sheetPath, std::vector<unsigned char>(sheet.begin(), sheet.end()));
    run = RunTool({"set", "--csv", sheetPath});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Disk(other, "Exif.Image.Artist"), Texts{"Cy Sheet"});
    EXPECT_EQ(Disk(other, "Iptc.Application2.Byline"), Texts{"Cy Sheet"});
    EXPECT_EQ(Disk(ann, "Exif.Image.Artist"), Texts{"Ann Example"});

    // A filter on a name meets any of its keys.
    run = RunTool({"get", "--where", "Artist=Cy Sheet", ann, other, "Exif.Image.Artist"});
    EXPECT_EQ(run.out, "Cy Sheet\n");  // one file left: printed as for one file named
    run = RunTool({"get", "--where", "Keywords~^har", ann, other, "Exif.Image.Artist"});
    EXPECT_EQ(run.out, ann + ": Ann Example\n" + other + ": Cy Sheet\n");
    EXPECT_EQ(RunTool({"get", "--where", "Nosuchname=x", ann, "Artist"}).exitCode, 2);

    // A coordinate set as a signed number reads back with its hemisphere.
    ASSERT_EQ(RunTool({"set", ann, "GPSLatitude=-33.8568", "GPSLongitude=151.2153"}).exitCode, 0);
    EXPECT_EQ(RunTool({"get", ann, "GPSLatitude"}).out, "33deg 51' 24\" S\n");
    EXPECT_EQ(RunTool({"get", "--decimal", ann, "GPSLatitude", "GPSLongitude"}).out,
              "GPSLatitude: -33.856800\nGPSLongitude: 151.215300\n");
    EXPECT_EQ(Disk(ann, "Exif.GPSInfo.GPSLatitudeRef"), Texts{"S"});
    // In a sheet too, and an edited decimal there moves it.
    run = RunTool({"show", "--csv", ann, "GPSLatitude"});
    EXPECT_EQ(run.out, "File,GPSLatitude\r\n" + ann + ",-33.856800\r\n");
    const std::string moved = "File,GPSLatitude\r\n" + ann + ",-34.5\r\n";
    test::WriteBytes(sheetPath, std::vector<unsigned char>(moved.begin(), moved.end()));
    EXPECT_EQ(RunTool({"set", "--csv", sheetPath}).exitCode, 0);
    EXPECT_EQ(RunTool({"get", "--decimal", ann, "GPSLatitude"}).out, "-34.500000\n");

    // shift --keys takes a name for the dates of its group.
    run = RunTool({"shift", "--keys", "DateTimeOriginal", ann, "+1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Disk(ann, "Exif.Photo.DateTimeOriginal"), Texts{"2024:05:01 11:20:30"});
    EXPECT_EQ(Disk(ann, "Xmp.photoshop.DateCreated"), Texts{"2024-05-01T11:20:30+02:00"});
}

TEST(ToolNames, ClearTakesPatternsGroupsAndGpsAndLeavesNoPositionBehind) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string gps = GpsFixture().WriteTo(dir.File("gps.jpg"));
    const std::string glob = GpsFixture().WriteTo(dir.File("glob.jpg"));
    const std::string group = GpsFixture().WriteTo(dir.File("group.jpg"));
    ASSERT_GE(GpsKeysOnDisk(gps).size(), 16u);

    // --gps: nothing positional left in Exif or in XMP; the rest kept.
    test::ToolRun run = RunTool({"clear", "--gps", gps});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(GpsKeysOnDisk(gps), Texts{});
    EXPECT_EQ(Disk(gps, "Exif.Image.Make"), Texts{"Lumen Camera Works"});
    EXPECT_EQ(Disk(gps, "Xmp.dc.title"), Texts{"lang=\"x-default\" Harbour"});
    EXPECT_EQ(Disk(gps, "Xmp.xmpMM.DocumentID"), Texts{"uuid:1234"});

    // Globs over the keys the file holds: Exif and XMP GPS, and xmpMM.
    run = RunTool({"clear", glob, "Exif.GPSInfo.*", "Xmp.exif.GPS*", "Xmp.exifEX.GPS?Pos*",
                   "Xmp.xmpMM.*"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(GpsKeysOnDisk(glob), Texts{});
    EXPECT_TRUE(Disk(glob, "Xmp.xmpMM.DocumentID").empty());
    EXPECT_TRUE(Disk(glob, "Xmp.xmpMM.InstanceID").empty());
    EXPECT_EQ(Disk(glob, "Exif.Image.Make"), Texts{"Lumen Camera Works"});

    // A group alone stands for its keys; a dry run shows them and writes nothing.
    run = RunTool({"clear", "--dry-run", group, "Xmp.xmpMM"});
    EXPECT_NE(run.out.find("removed  Xmp.xmpMM.DocumentID"), npos) << run.out;
    EXPECT_EQ(Disk(group, "Xmp.xmpMM.DocumentID"), Texts{"uuid:1234"});
    EXPECT_EQ(RunTool({"clear", group, "Exif.GPSInfo"}).exitCode, 0);
    EXPECT_TRUE(Disk(group, "Exif.GPSInfo.GPSLatitude").empty());
    EXPECT_TRUE(Disk(group, "Exif.GPSInfo.GPSImgDirection").empty());

    // A format the library cannot write fails with that reason; nothing else
    // is a pattern.
    const std::string heic = dir.File("photo.heic");
    test::WriteBytes(heic, test::BmffBytes("heicmif1"));
    run = RunTool({"clear", "--gps", heic});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("HEIF files cannot be written in place"), npos) << run.err;
    run = RunTool({"clear", gps, "Exif.*.GPS[Lat"});
    EXPECT_EQ(run.exitCode, 0) << run.err;  // a glob that matches nothing clears nothing
    EXPECT_EQ(RunTool({"clear", gps}).exitCode, 2);
}

TEST(ToolNames, ExitCodesAndMessagesSayWhatHappened) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string a = NamesFixture().WriteTo(dir.File("a.jpg"));
    const std::string b = NamesFixture().WriteTo(dir.File("b.jpg"));
    const std::string bare = test::FixtureImage().WriteTo(dir.File("bare.jpg"));
    const std::vector<unsigned char> before = test::ReadBytes(a);

    // diff: 0 the same, 1 different, 2 trouble.
    EXPECT_EQ(RunTool({"diff", a, b}).exitCode, 0);
    EXPECT_EQ(RunTool({"diff", a, bare}).exitCode, 1);
    EXPECT_EQ(RunTool({"diff", a, dir.File("missing.jpg")}).exitCode, 2);
    EXPECT_EQ(RunTool({"diff", a}).exitCode, 2);

    // get: a file without the key is no failure; --strict makes it one.
    test::ToolRun run = RunTool({"get", a, bare, "Artist"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, a + ": Ann Example\n");
    run = RunTool({"get", "--json", bare, "Artist"});
    EXPECT_EQ(run.out, "{\"file\":\"" + bare + "\",\"values\":{\"Artist\":null}}\n");
    run = RunTool({"get", "--strict", a, bare, "Artist"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(bare + ": no value for Artist"), npos) << run.err;

    // A usage mistake: one line, and where the help is.
    run = RunTool({"get", a, "NoSuchName"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("see `lumenmeta get --help`"), npos) << run.err;
    run = RunTool({});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "Usage: lumenmeta COMMAND [ARGUMENTS]; see `lumenmeta --help`\n");
    run = RunTool({"frobnicate"});
    EXPECT_EQ(run.err, "lumenmeta frobnicate: unknown command frobnicate; see `lumenmeta --help`\n");

    // Twins given different values: refused before anything is written,
    // naming both; the same value in two families is fine.
    run = RunTool({"set", a, "Exif.Image.Artist=Ann", "Xmp.dc.creator=Bob"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Exif.Image.Artist and Xmp.dc.creator are twins"), npos) << run.err;
    run = RunTool({"set", a, "Artist=Ann", "Iptc.Application2.Byline=Bob"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Artist (Xmp.dc.creator) and Iptc.Application2.Byline"), npos)
        << run.err;
    run = RunTool({"set", a, "Exif.Photo.DateTimeOriginal=2024:05:01 10:20:30",
                   "Xmp.photoshop.DateCreated=2024-05-02T10:20:30"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(test::ReadBytes(a), before);
    run = RunTool({"set", a, "Exif.Image.Artist=Cy", "Xmp.dc.creator=Cy"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Disk(a, "Iptc.Application2.Byline"), Texts{"Cy"});

    // --add skips an item the list already holds.
    run = RunTool({"set", a, "--add", "Xmp.dc.subject=dawn", "--add", "Xmp.dc.subject=pier",
                   "--add", "Xmp.dc.subject=pier"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(RunTool({"get", a, "Xmp.dc.subject", "--all"}).out, "dawn; harbour; pier\n");
    run = RunTool({"set", a, "--add", "Iptc.Application2.Keywords=harbour"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    Texts keywords = Disk(a, "Iptc.Application2.Keywords");
    std::sort(keywords.begin(), keywords.end());
    EXPECT_EQ(keywords, (Texts{"dawn", "harbour", "pier"}));
}

}  // namespace
}  // namespace lumenmeta
