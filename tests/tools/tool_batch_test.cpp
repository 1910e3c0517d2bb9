// A long batch on two threads gives exactly what it gives on one.
#include "tools/tool_test_support.h"

#include "support/handle_state.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FixtureImage;
using test::ReadBack;
using test::RunTool;
using test::TempDir;
using test::ToolRun;

constexpr int kFiles = 500;
constexpr int kBroken = 7;  // every 70th file is not an image

// Writes the same 500 files into `folder`: small JPEGs that differ in their
// values, and a few broken ones.
std::vector<std::string> WriteBatch(const std::string& folder) {
    mkdir(folder.c_str(), 0700);
    mkdir((folder + "/sub").c_str(), 0700);
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s/img%03d.jpg", i % 2 ? "sub" : ".", i);
        const std::string path = folder + "/" + name;
        if (i % 70 == 69) {
            test::WriteBytes(path, {'b', 'r', 'o', 'k', 'e', 'n'});
        } else {
            FixtureImage fixture;
            fixture.exif["Exif.Image.Artist"] = "Photographer " + std::to_string(i);
            fixture.xmp["Xmp.xmp.Rating"] = std::to_string(i % 6);
            fixture.WriteTo(path);
        }
        names.push_back(name);
    }
    return names;
}

// The output with the folder's path taken out, so two folders compare.
std::string Relative(std::string text, const std::string& folder) {
    for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
        text.replace(at, folder.size(), "<dir>");
    }
    return text;
}

TEST(ToolBatch, TwoThreadsGiveTheSameResultsAsOne) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string one = dir.File("one"), two = dir.File("two");
    const std::vector<std::string> names = WriteBatch(one);
    WriteBatch(two);

    const std::vector<std::string> edit = {"Exif.Image.Software=lumenmeta batch",
                                           "Xmp.dc.title=Batch ✓"};
    std::vector<std::string> arguments = {"set", "-r", "-j", "1", one};
    arguments.insert(arguments.end(), edit.begin(), edit.end());
    const ToolRun serial = RunTool(arguments);
    arguments = {"set", "-r", "-j", "2", two};
    arguments.insert(arguments.end(), edit.begin(), edit.end());
    const ToolRun parallel = RunTool(arguments);

    EXPECT_EQ(serial.exitCode, 1);
    EXPECT_EQ(parallel.exitCode, 1);
    EXPECT_EQ(Relative(serial.err, one), Relative(parallel.err, two));
    EXPECT_NE(serial.err.find(std::to_string(kFiles - kBroken) + " done, " +
                              std::to_string(kBroken) + " failed"),
              std::string::npos)
        << serial.err;

    int checked = 0;
    for (const std::string& name : names) {
        const std::string first = one + "/" + name, second = two + "/" + name;
        if (test::ReadBytes(first).size() < 10) continue;
        const test::FileMetadata a = ReadBack(first), b = ReadBack(second);
        EXPECT_EQ(test::Images(a.exif), test::Images(b.exif)) << name;
        EXPECT_EQ(test::Images(a.xmp), test::Images(b.xmp)) << name;
        const auto software = a.exif.findKey(Exiv2::ExifKey("Exif.Image.Software"));
        ASSERT_NE(software, a.exif.end()) << name;
        EXPECT_EQ(software->toString(), "lumenmeta batch");
        ++checked;
    }
    EXPECT_EQ(checked, kFiles - kBroken);

    // Reading: the same JSON, in the same order, from one thread and two.
    const ToolRun showSerial = RunTool({"show", "--json", "-r", "-j", "1", one});
    const ToolRun showParallel = RunTool({"show", "--json", "-r", "-j2", one});
    EXPECT_EQ(showSerial.exitCode, 1);
    EXPECT_EQ(showSerial.out, showParallel.out);
    EXPECT_EQ(showSerial.err, showParallel.err);
    EXPECT_EQ(std::count(showSerial.out.begin(), showSerial.out.end(), '\n'), kFiles - kBroken);

    // Without -r only the folder's own files.
    const ToolRun flat = RunTool({"get", one, "Exif.Image.Software", "-j", "2"});
    EXPECT_EQ(std::count(flat.out.begin(), flat.out.end(), '\n') +
                  std::count(flat.err.begin(), flat.err.end(), '\n') - 1,
              kFiles / 2);
}

}  // namespace
}  // namespace lumenmeta
