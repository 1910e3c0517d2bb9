// The command-line tool run as a user runs it, as a child process on fixture
// files: output and exit codes checked, files read back with Exiv2 directly.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace lumenmeta {
namespace {

using test::RunTool;
using Words = std::vector<std::string>;
constexpr size_t npos = std::string::npos;

// "key=value" as Exiv2 reads it from a file, for the key of `entry` ("key=...").
std::string OnDisk(const std::string& path, const std::string& entry) {
    const std::string key = entry.substr(0, entry.find('='));
    const test::FileMetadata disk = test::ReadBack(path);
    const Words v = key[0] == 'E' ? test::ValuesOf(disk.exif, key) : test::ValuesOf(disk.xmp, key);
    return key + "=" + (v.size() > 1 ? "<repeated>" : v.empty() ? "" : v[0]);
}

std::map<std::string, std::vector<unsigned char>> FilesIn(const std::string& dir) {
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) files[entry.path()] = test::ReadBytes(entry.path());
    }
    return files;
}

struct ToolCase {
    Words args;
    int exitCode;
    std::string out = "?", err = "";  // all of stdout ("?": unchecked), part of stderr ("": none)
    std::vector<std::pair<std::string, std::string>> disk = {};  // file, "key=value"
};

TEST(Tool, EachCommandGivesItsOutputExitCodeAndFiles) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string s = dir.File("s.jpg"), o = dir.File("o.jpg"), notes = dir.File("n.jpg"),
                      thumb = dir.File("thumb.jpg"), c = dir.File("c.jpg");
    test::FixtureImage sample = test::SampleFixture();
    sample.xmp["Xmp.dc.description"] = "lang=x-default Zoë ✓ – 東京";
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    Exiv2::ExifThumb(sample.exif).setJpegThumbnail(jpeg.data(), static_cast<long>(jpeg.size()));
    sample.WriteTo(s);
    test::FixtureImage().WriteTo(o);
    test::WriteBytes(notes, {'n', 'o', 't', 'e', 's'});

    // show: one JSON object per file and line, every datum with its type code.
    const std::string two = RunTool({"show", "--json", s, o}).out;
    const test::JsonValue json = test::ParseJson(two.substr(0, two.find('\n')));
    EXPECT_EQ(test::ParseJson(two.substr(two.find('\n') + 1))["file"].text, o);
    Words shown = {json["file"].text};
    for (const char* family : {"exif", "iptc", "xmp"}) {
        for (const test::JsonValue& e : json[family].items) {
            shown.push_back(e["key"].text + " " + std::to_string(int(e["type"].number)) + " " +
                            e["value"].text);
        }
    }
    const test::FileMetadata disk = test::ReadBack(s);
    EXPECT_EQ(shown.size(), 1 + disk.exif.count() + disk.iptc.count() + disk.xmp.count());
    for (const Words& expected : std::vector<Words>{
             {s, "Exif.Image.Make 2 Lumen Camera Works"}, {"Exif.Image.XResolution 5 72/1"},
             {"Iptc.Application2.Keywords 65536 harbour", "Iptc.Application2.Keywords 65536 boats"},
             {"Xmp.dc.title 65545 Harbour at dawn"}, {"Xmp.dc.subject 2 harbour; dawn"},
             {"Xmp.dc.description 65545 Zoë ✓ – 東京"}}) {
        EXPECT_NE(std::search(shown.begin(), shown.end(), expected.begin(), expected.end()),
                  shown.end()) << expected.back();
    }
    const std::string t = RunTool({"show", s}).out;  // as text, the families in order
    EXPECT_NE(t.find("東京", t.find("  XMP\n", t.find("  IPTC\n", t.find("  Exif\n")))), npos) << t;

    const ToolCase cases[] = {
        {{"get", s, "Exif.Image.Model"}, 0, "LX-1\n"},
        {{"get", s, "Iptc.Application2.Keywords", "--all"}, 0, "harbour; boats\n"},
        {{"get", s, "Exif.Photo.FNumber"}, 1, "", s + ": no value for Exif.Photo.FNumber"},
        // Exif text is stored as UTF-8, the creator (mirrored from XMP) as
        // Windows-1252; both are shown as UTF-8.
        {{"set", s, "Exif.Image.Artist=Zoë", "Exif.Image.DocumentName=Café ✓", "Xmp.xmp.Rating=4"},
         0, "", "", {{s, "Exif.Image.DocumentName=Caf\xC3\xA9 \xE2\x9C\x93"},
                     {s, "Exif.Image.Artist=Zo\xC3\xAB"}, {s, "Xmp.xmp.Rating=4"}}},
        {{"get", s, "Exif.Image.DocumentName"}, 0, "Café ✓\n"},
        {{"get", s, "Exif.Image.Artist"}, 0, "Zoë\n"},
        {{"clear", s, "Xmp.xmp.Rating", "Exif.Image.DocumentName"}, 0, "", "",
         {{s, "Xmp.xmp.Rating="}, {s, "Exif.Image.DocumentName="}, {s, "Exif.Image.Model=LX-1"}}},
        {{"set", s, "Exif.Image.Software=x", "--trace"}, 0, "", "Writing into file: " + s + "\n"},
        {{"copy", s, c}, 0, "", "", {{c, "Exif.Image.Artist=Zo\xC3\xAB"}}},
        {{"copy-value", s, o, "Exif.Image.Model"}, 0, "", "", {{o, "Exif.Image.Model=LX-1"}}},
        {{"sidecar", s}, 0, s + " -> " + dir.File("s.xmp") + "\n", "",
         {{dir.File("s.xmp"), "Xmp.Lumenframe.VarU_Client=Harbour Board"}}},
        {{"sidecar", s}, 1, "", "exists"},
        {{"vars", s}, 0, "Xmp.Lumenframe.VarU_Client = Harbour Board\n"},
        {{"thumbnail", s, "--extract", thumb}, 0, ""},
        // A write carries only standard Exif tags: a thumbnail is never stored.
        {{"thumbnail", o, "--set", thumb}, 1, "", "thumbnail"},
        {{"set", notes, "Exif.Image.Artist=x"}, 1, "", notes + ": not an image"},
        {{"set", s, "Exif.Image.Artist=x", "Exif.Image.NoSuchTag=1"}, 1, "", "nothing written"},
        {{"set", s, "Exif.Image.Artist"}, 2, "", "VALUE: \"Exif.Image.Artist\"\n\nUsage: lumenmeta set"},
        {{"frobnicate", s}, 2, "", "unknown command"},
        {{"get", s, notes, "Exif.Image.Make"}, 1, s + ": Lumen Camera Works\n", "1 done, 1 failed"},
        {{"--version"}, 0, "lumenmeta 1.0.0\n"},
    };
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const auto before = FilesIn(dir.path());
        const test::ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, c.out == "?" ? run.out : c.out);
        EXPECT_TRUE(c.err.empty() ? run.err.empty() : run.err.find(c.err) != npos) << run.err;
        for (const auto& [file, entry] : c.disk) EXPECT_EQ(OnDisk(file, entry), entry);
        EXPECT_TRUE(c.exitCode == 0 || FilesIn(dir.path()) == before) << "a failure wrote";
    }
    EXPECT_EQ(test::ReadBytes(thumb), jpeg);

    setenv("TMPDIR", dir.path().c_str(), 1);
    const std::string out = RunTool({"demo"}).out;
    unsetenv("TMPDIR");
    const size_t at = out.find(dir.File("lumenmeta-demo-"));
    ASSERT_NE(at, npos) << out;
    EXPECT_EQ(OnDisk(out.substr(at, out.find(' ', at) - at), "Xmp.xmp.Rating"), "Xmp.xmp.Rating=5");
}

// A long batch on two threads: output as on one thread; each file keeps its own values.
TEST(Tool, ABatchOnTwoThreadsDoesWhatOneThreadDoes) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("sub"));
    Words paths;
    for (int i = 0; i < 500; ++i) {
        paths.push_back(dir.File((i % 2 ? "sub/" : "") + std::to_string(1000 + i) + ".jpg"));
        test::FixtureImage fixture;
        fixture.exif["Exif.Image.Artist"] = "Artist " + std::to_string(i);
        fixture.WriteTo(paths.back());
        if (i % 70 == 69) test::WriteBytes(paths.back(), {'b', 'a', 'd'});  // 7, all in sub
    }
    const test::ToolRun set = RunTool({"set", "-r", "-j2", dir.path(), "Exif.Image.Software=b"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find("lumenmeta: 493 done, 7 failed\n"), npos) << set.err;
    const test::ToolRun serial = RunTool({"get", "-r", "-j", "1", dir.path(), "Exif.Image.Artist"});
    const test::ToolRun parallel = RunTool({"get", "-r", "-j2", dir.path(), "Exif.Image.Artist"});
    EXPECT_EQ(parallel.out + parallel.err, serial.out + serial.err);
    for (int i = 0; i < 500; ++i) {
        if (i % 70 == 69) continue;
        EXPECT_NE(serial.out.find(paths[i] + ": Artist " + std::to_string(i) + "\n"), npos);
        EXPECT_EQ(OnDisk(paths[i], "Exif.Image.Software"), "Exif.Image.Software=b");
    }
}

}  // namespace
}  // namespace lumenmeta
