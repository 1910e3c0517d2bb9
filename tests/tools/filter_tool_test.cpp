// --where and --where-missing run as a user runs them: only the files that
// meet every condition are read or written.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::RunTool;
using Words = std::vector<std::string>;

TEST(ToolWhere, SelectsTheFilesACommandActsOn) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    test::FixtureImage ann, bo, none;
    test::Fill(ann.exif, {"Exif.Image.Model=Z 6", "Exif.Photo.ExposureTime=1/125"});
    ann.xmp["Xmp.xmp.Rating"] = "5";
    Exiv2::XmpArrayValue bag(Exiv2::xmpBag);
    bag.read("harbour");
    bag.read("dawn");
    ann.xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &bag);
    test::Fill(bo.exif, {"Exif.Image.Model=X100", "Exif.Photo.ExposureTime=1/60"});
    bo.xmp["Xmp.xmp.Rating"] = "3";
    const std::string a = ann.WriteTo(dir.File("a.jpg")), b = bo.WriteTo(dir.File("b.jpg")),
                      n = none.WriteTo(dir.File("n.jpg"));
    const auto files = [&](const Words& conditions) {
        Words words{"show", a, b, n, "-j", "1"};
        words.insert(words.end(), conditions.begin(), conditions.end());
        const test::ToolRun run = RunTool(words);
        std::string named;
        for (const std::string& path : {a, b, n}) {
            if (run.out.find(path + "\n") != std::string::npos) {
                named += path.substr(path.size() - 5, 1);
            }
        }
        return named;
    };
    EXPECT_EQ(files({}), "abn");
    EXPECT_EQ(files({"--where", "Xmp.xmp.Rating=5"}), "a");
    EXPECT_EQ(files({"--where", "Xmp.dc.subject=dawn"}), "a");           // one item
    EXPECT_EQ(files({"--where", "Xmp.dc.subject=harbour; dawn"}), "a");  // all of them
    EXPECT_EQ(files({"--where", "Exif.Photo.ExposureTime=1/60 s"}), "b");  // as read
    EXPECT_EQ(files({"--where", "Exif.Image.Model~^[XZ]"}), "ab");
    EXPECT_EQ(files({"--where", "Exif.Image.Model~^[XZ]", "--where", "Xmp.xmp.Rating~[4-5]"}), "a");
    EXPECT_EQ(files({"--where-missing", "Xmp.xmp.Rating"}), "n");
    EXPECT_EQ(files({"--where", "Xmp.xmp.Rating=1"}), "");

    // On a writing command only the files chosen are written.
    const std::vector<unsigned char> bBytes = test::ReadBytes(b);
    const test::ToolRun set =
        RunTool({"set", a, b, "Exif.Image.Artist=Kept", "--where", "Exif.Image.Model=Z 6"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_NE(set.err.find("1 of 2 files left out by --where"), std::string::npos) << set.err;
    EXPECT_EQ(test::ValuesOf(test::ReadBack(a).exif, "Exif.Image.Artist"), Words{"Kept"});
    EXPECT_EQ(test::ReadBytes(b), bBytes);

    // Conditions that are none: usage mistakes.
    for (const char* bad : {"Xmp.xmp.Rating", "Ratings=5", "Exif.Image.Model~(", "=5"}) {
        EXPECT_EQ(RunTool({"show", a, "--where", bad}).exitCode, 2) << bad;
    }
    // Commands on the files they name have no batch to select from.
    for (const Words& words : {Words{"copy", a, b}, Words{"copy-value", a, b, "Exif.Image.Artist"},
                               Words{"diff", a, b}}) {
        Words filtered = words;
        filtered.insert(filtered.begin() + 1, {"--where", "Artist=Kept"});
        const test::ToolRun run = RunTool(filtered);
        EXPECT_EQ(run.exitCode, 2) << words[0];
        EXPECT_NE(run.err.find("selects among the files of a batch"), std::string::npos) << run.err;
    }
    EXPECT_EQ(test::ReadBytes(b), bBytes);
}

}  // namespace
}  // namespace lumenmeta
