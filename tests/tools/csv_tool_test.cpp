// `show --csv` and `set --csv` run as a user runs them: a sheet written,
// read back unchanged or edited, and the files read back with Exiv2.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace lumenmeta {
namespace {

using test::RunTool;

std::map<std::string, std::string> AllOnDisk(const std::string& path) {
    const test::FileMetadata disk = test::ReadBack(path);
    std::map<std::string, std::string> all;
    for (const auto& datum : disk.exif) all[datum.key()] += datum.toString() + "|";
    for (const auto& datum : disk.iptc) all[datum.key()] += datum.toString() + "|";
    for (const auto& datum : disk.xmp) all[datum.key()] += datum.toString() + "|";
    return all;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A file whose values need quoting in a sheet, and lists in each family.
test::FixtureImage Awkward() {
    test::FixtureImage image;
    test::Fill(image.exif, {"Exif.Image.Artist=Ann \"Nan\" Example, Esq.",
                            "Exif.Image.ImageDescription=two\nlines",
                            "Exif.Photo.ExposureTime=1/125"});
    test::Fill(image.iptc, {"Iptc.Application2.Keywords=harbour",
                            "Iptc.Application2.Keywords=boats, sails"});
    Exiv2::XmpArrayValue bag(Exiv2::xmpBag);
    bag.read("dawn");
    bag.read("mist");
    image.xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &bag);
    image.xmp["Xmp.xmp.Rating"] = "4";
    return image;
}

TEST(ToolCsv, RoundTripChangesNothingAndAnEditedCellOnlyItsKey) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string a = Awkward().WriteTo(dir.File("a.jpg"));
    test::FixtureImage other;
    test::Fill(other.exif, {"Exif.Image.Artist=Bo"});
    const std::string b = other.WriteTo(dir.File("b.jpg"));

    // Every key of both files; quoting as RFC 4180; lists joined by "; ".
    const test::ToolRun shown = RunTool({"show", "--csv", a, b});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    const std::string& sheet = shown.out;
    EXPECT_EQ(sheet.rfind("File,Exif.Image.Artist,", 0), 0u) << sheet;
    EXPECT_NE(sheet.find(",\"Ann \"\"Nan\"\" Example, Esq.\","), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(",\"two\nlines\","), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(",\"harbour; boats, sails\","), std::string::npos) << sheet;
    EXPECT_NE(sheet.find(",dawn; mist,"), std::string::npos) << sheet;
    EXPECT_NE(sheet.find("\r\n" + b + ",Bo,"), std::string::npos) << sheet;

    // The sheet back unchanged: no file is even written.
    const std::vector<unsigned char> aBytes = test::ReadBytes(a), bBytes = test::ReadBytes(b);
    WriteText(dir.File("sheet.csv"), sheet);
    test::ToolRun run = RunTool({"set", "--csv", dir.File("sheet.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(a), aBytes);
    EXPECT_EQ(test::ReadBytes(b), bBytes);

    // One edited cell in each family changes those keys only; names
    // relative to the sheet's folder; an empty cell leaves its key alone.
    const auto before = AllOnDisk(a);
    WriteText(dir.File("edit.csv"),
              "File,Exif.Image.Artist,Iptc.Application2.Keywords,Xmp.dc.subject,Xmp.xmp.Rating\r\n"
              "a.jpg,\"Cy, \"\"the\"\" Second\",\"quay; ropes, nets\",,\n"
              "b.jpg,,,fog; rain,5\n");
    run = RunTool({"set", "--csv", dir.File("edit.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    auto after = AllOnDisk(a);
    EXPECT_EQ(after["Exif.Image.Artist"], "Cy, \"the\" Second|");
    EXPECT_EQ(after["Iptc.Application2.Keywords"], "quay|ropes, nets|");
    // The twins of an edited key follow it (the library keeps them alike);
    // nothing else moves but the offset of the Exif block.
    EXPECT_EQ(after["Xmp.dc.subject"], "quay, ropes, nets|");
    for (const auto& [key, value] : before) {
        if (key == "Exif.Image.Artist" || key == "Iptc.Application2.Keywords" ||
            key == "Xmp.dc.subject" || key == "Exif.Image.ExifTag") {
            continue;
        }
        EXPECT_EQ(after[key], value) << key;
    }
    after = AllOnDisk(b);
    EXPECT_EQ(after["Xmp.dc.subject"], "fog, rain|");
    EXPECT_EQ(after["Xmp.xmp.Rating"], "5|");
    EXPECT_EQ(after["Exif.Image.Artist"], "Bo|");

    // Named keys in the order given; a missing value an empty cell.
    EXPECT_EQ(RunTool({"show", "--csv", b, "Xmp.xmp.Rating", "Exif.Image.Copyright"}).out,
              "File,Xmp.xmp.Rating,Exif.Image.Copyright\r\n" + b + ",5,\r\n");
}

TEST(ToolCsv, BadSheetsAreUsageMistakes) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string a = test::FixtureImage().WriteTo(dir.File("a.jpg"));
    const std::vector<unsigned char> bytes = test::ReadBytes(a);
    for (const std::string& text : {std::string("Exif.Image.Artist\r\nx\r\n"),
                                     std::string("File,Artist of it\r\na.jpg,x\r\n"),
                                     std::string("File,Exif.Image.Artist\r\na.jpg,\"open\r\n"),
                                     std::string("File,Exif.Image.Artist\r\na.jpg,\"x\"y\r\n"),
                                     std::string("")}) {
        WriteText(dir.File("bad.csv"), text);
        const test::ToolRun run = RunTool({"set", "--csv", dir.File("bad.csv")});
        EXPECT_EQ(run.exitCode, 2) << text << run.err;
    }
    WriteText(dir.File("ok.csv"), "File,Exif.Image.Artist\na.jpg,Di\n");
    for (const char* option : {"--sidecar", "--add=Exif.Image.Artist=x", "--xmp-mode=2"}) {
        EXPECT_EQ(RunTool({"set", "--csv", dir.File("ok.csv"), option}).exitCode, 2) << option;
    }
    EXPECT_EQ(RunTool({"set", "--csv", dir.File("ok.csv"), a}).exitCode, 2);
    EXPECT_EQ(test::ReadBytes(a), bytes);
    // A row naming a file that is not there fails that row only.
    WriteText(dir.File("rows.csv"), "File,Exif.Image.Artist\nnone.jpg,x\na.jpg,Di\n");
    const test::ToolRun run = RunTool({"set", "--csv", dir.File("rows.csv")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("none.jpg"), std::string::npos) << run.err;
    EXPECT_EQ(AllOnDisk(a)["Exif.Image.Artist"], "Di|");
}

}  // namespace
}  // namespace lumenmeta
