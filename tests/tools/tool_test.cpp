// The command-line tool run as a user runs it, as a child process on fixture
// files: output and exit codes checked, files read back with Exiv2 directly.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <functional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <tuple>

namespace lumenmeta {
namespace {

using test::RunTool;
using Words = std::vector<std::string>;
using test::npos;

// "key=value" as Exiv2 reads it from a file, for the key of `entry` ("key=..."),
// the values of a repeated key joined by ", ".
std::string OnDisk(const std::string& path, const std::string& entry) {
    const std::string key = entry.substr(0, entry.find('='));
    const test::FileMetadata disk = test::ReadBack(path);
    const Words v = key[0] == 'E'   ? test::ValuesOf(disk.exif, key)
                    : key[0] == 'I' ? test::ValuesOf(disk.iptc, key)
                                    : test::ValuesOf(disk.xmp, key);
    std::string joined;
    for (const std::string& value : v) joined += (joined.empty() ? "" : ", ") + value;
    return key + "=" + joined;
}

// Every regular file below `dir`: its bytes and modification time.
using Files = std::map<std::string, std::pair<std::vector<unsigned char>,
                                              std::filesystem::file_time_type>>;
Files FilesIn(const std::string& dir) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files[entry.path()] = {test::ReadBytes(entry.path()), entry.last_write_time()};
        }
    }
    return files;
}

// A hash of what a write must leave alone in a file: its bytes, inode,
// modification time and extended attributes.
size_t Fingerprint(const std::string& path) {
    const std::vector<unsigned char> bytes = test::ReadBytes(path);
    std::string state(bytes.begin(), bytes.end());
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0);
    state += "|" + std::to_string(info.st_ino) + "|" + std::to_string(info.st_mtim.tv_sec) + "." +
             std::to_string(info.st_mtim.tv_nsec);
    char names[4096];
    const ssize_t size = listxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        char value[4096];
        const ssize_t length = getxattr(path.c_str(), names + at, value, sizeof value);
        state += std::string("|") + (names + at) + "=" +
                 std::string(value, static_cast<size_t>(std::max<ssize_t>(length, 0)));
    }
    return std::hash<std::string>()(state);
}

// One line of a list of changes: "  WHAT     KEY" (40 wide) " VALUE".
std::string Line(const std::string& what, const std::string& key, const std::string& value) {
    return "  " + what + std::string(9 - what.size(), ' ') + key +
           std::string(41 - key.size(), ' ') + value + "\n";
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
    sample.xmp["Xmp.dc.source"] = "say \"hi\" \\ there";
    sample.exif["Exif.Image.DocumentName"] = "a\x1b[31mred";
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    Exiv2::ExifThumb(sample.exif).setJpegThumbnail(jpeg.data(), static_cast<long>(jpeg.size()));
    sample.WriteTo(s);
    test::FixtureImage().WriteTo(o);
    test::WriteBytes(notes, {'n', 'o', 't', 'e', 's'});

    // show: one JSON object per file and line, every value with its type code.
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
    // Every datum, and the bag's second item.
    EXPECT_EQ(shown.size(), 2 + disk.exif.count() + disk.iptc.count() + disk.xmp.count());
    for (const Words& expected : std::vector<Words>{
             {s, "Exif.Image.DocumentName 2 a\x1b[31mred", "Exif.Image.Make 2 Lumen Camera Works"},
             {"Exif.Image.XResolution 5 72/1"},
             {"Iptc.Application2.Keywords 65536 harbour", "Iptc.Application2.Keywords 65536 boats"},
             {"Xmp.dc.title 65545 Harbour at dawn"},
             {"Xmp.dc.subject 65543 harbour", "Xmp.dc.subject 65543 dawn"},
             {"Xmp.dc.description 65545 Zoë ✓ – 東京"},
             {"Xmp.dc.source 65541 say \"hi\" \\ there"}}) {
        EXPECT_NE(std::search(shown.begin(), shown.end(), expected.begin(), expected.end()),
                  shown.end()) << expected.back();
    }
    const std::string t = RunTool({"show", s}).out;  // as text, the families in order
    EXPECT_NE(t.find("東京", t.find("  XMP\n", t.find("  IPTC\n", t.find("  Exif\n")))), npos) << t;
    EXPECT_NE(t.find("a\\x1b[31mred\n"), npos) << t;  // the control character shown escaped
    EXPECT_EQ(t.find('\x1b'), npos);

    // A file with Exif, IPTC and XMP twins; a FIFO; a file named like a key,
    // in the current folder.
    const std::string twins = dir.File("twins.jpg"), fifo = dir.File("fifo.jpg");
    test::FixtureImage twinFixture;
    test::Fill(twinFixture.exif, {"Exif.Image.Artist=Ann Example"});
    test::Fill(twinFixture.iptc, {"Iptc.Application2.Byline=Ann Example"});
    twinFixture.xmp["Xmp.dc.creator"] = "Ann Example";
    twinFixture.WriteTo(twins);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    sample.WriteTo(dir.File("xmp.jpg"));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());

    const ToolCase cases[] = {
        {{"get", s, "Exif.Image.Model"}, 0, "LX-1\n"},
        {{"get", s, "Iptc.Application2.Keywords", "--all"}, 0, "harbour; boats\n"},
        // A file without the key is no failure, unless --strict asks.
        {{"get", s, "Exif.Photo.FNumber"}, 0, ""},
        {{"get", s, "Exif.Photo.FNumber", "--strict"}, 1, "", s + ": no value for Exif.Photo.FNumber"},
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
        {{"set", s, "Exif.Image.DocumentName=b\x1b[0m"}, 0, "", "",
         {{s, "Exif.Image.DocumentName=b\x1b[0m"}}},
        {{"get", s, "Exif.Image.DocumentName"}, 0, "b\\x1b[0m\n"},
        // set replaces every item; --add appends; a key given twice gets both.
        {{"set", s, "Xmp.dc.subject=sea", "Xmp.dc.subject=fog", "--add", "Xmp.dc.subject=mist"}, 0,
         "", "", {{s, "Xmp.dc.subject=sea, fog, mist"}}},
        {{"set", s, "Iptc.Application2.Keywords=k1", "Iptc.Application2.Keywords=k2",
          "Xmp.dc.subject=k1", "--add", "Xmp.dc.subject=k2"}, 0, "", "",
         {{s, "Iptc.Application2.Keywords=k1, k2"}, {s, "Xmp.dc.subject=k1, k2"}}},
        {{"set", s, "Xmp.xmp.Rating=1", "Xmp.xmp.Rating=2"}, 1, "",
         "Rating holds one value, not 2; nothing written"},
        {{"set", "xmp.jpg", "Xmp.dc.title=x"}, 0, "", "",
         {{dir.File("xmp.jpg"), "Xmp.dc.title=lang=\"x-default\" x"}}},
        {{"copy", s, c}, 0, "", "", {{c, "Exif.Image.Artist=Zo\xC3\xAB"}}},
        {{"copy-value", s, o, "Exif.Image.Model"}, 0, "", "", {{o, "Exif.Image.Model=LX-1"}}},
        {{"sidecar", s}, 0, s + " -> " + dir.File("s.xmp") + "\n", "",
         {{dir.File("s.xmp"), "Xmp.Lumenframe.VarU_Client=Harbour Board"}}},
        {{"sidecar", s}, 1, "", "exists"},
        {{"vars", s}, 0, "Xmp.Lumenframe.VarU_Client = Harbour Board\n"},
        {{"thumbnail", s, "--extract", thumb}, 0, ""},
        // A write carries only standard Exif tags: a thumbnail is never stored.
        {{"thumbnail", o, "--set", thumb}, 1, "", "thumbnail"},
        {{"set", notes, "Exif.Image.Artist=x"}, 1, "",
         notes + ": not an image file the library can read\nlumenmeta: 0 done, 1 failed\n"},
        {{"show", fifo}, 1, "", fifo + ": is a FIFO, not a regular file\n"},
        {{"set", s, "Exif.Image.Artist=x", "Exif.Image.NoSuchTag=1"}, 1, "", "nothing written"},
        {{"set", s, "Exif.Image.Artist"}, 2, "",
         "lumenmeta set: malformed KEY=VALUE: \"Exif.Image.Artist\"; see `lumenmeta set --help`\n"},
        {{"frobnicate", s}, 2, "", "unknown command"},
        {{"get", s, notes, "Exif.Image.Make"}, 1, s + ": Lumen Camera Works\n", "1 done, 1 failed"},
        {{"--version"}, 0,
         "lumenmeta 1.0.0\nliblumenmeta 1.0.0\nExiv2 " + std::string(Exiv2::version()) + "\n"},
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
    std::filesystem::current_path(cwd);
    EXPECT_EQ(test::ReadBytes(thumb), jpeg);

    // A dry run lists each change and touches no file, not even its time.
    const Files before = FilesIn(dir.path());
    const std::tuple<Words, std::string, std::string> dryRuns[] = {
        {{"set", "--dry-run", s, "Exif.Image.DocumentName=dry"}, s,
         Line("changed", "Exif.Image.DocumentName", "b\\x1b[0m → dry")},
        {{"clear", "--dry-run", s, "Exif.Image.DocumentName"}, s,
         Line("removed", "Exif.Image.DocumentName", "b\\x1b[0m")},
        {{"copy-value", "--dry-run", s, o, "Exif.Image.Make"}, o,
         Line("added", "Exif.Image.Make", "Lumen Camera Works")},
        {{"copy", "--dry-run", o, c}, c, Line("removed", "Exif.Image.Make", "Lumen Camera Works")},
        {{"set", "--dry-run", s}, s, "  no change\n"},  // a plain rewrite changes nothing
    };
    for (const auto& [args, file, line] : dryRuns) {
        const test::ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out.rfind(file + " (dry run, nothing written)\n", 0), 0u) << run.out;
        EXPECT_NE(run.out.find(line), npos) << run.out;
    }
    EXPECT_TRUE(FilesIn(dir.path()) == before) << "a dry run wrote";

    // A write that fails (files limited to 100 KB) fails the command, with
    // the summary after the one failure, and leaves the file as it was.
    const std::string big = dir.File("big.jpg");
    test::WriteBytes(big, sample.BytesOn(test::LargeJpeg(200000)));
    const std::vector<unsigned char> bigBytes = test::ReadBytes(big);
    for (const Words& args : {Words{"copy-value", s, big, "Exif.Image.Model"},
                              Words{"set", big, "Exif.Image.Model=x"}}) {
        const test::ToolRun run = RunTool(args, "", 100000);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err, "lumenmeta: " + big + ": could not write " + big +
                               "\nlumenmeta: 0 done, 1 failed\n");
    }
    EXPECT_EQ(test::ReadBytes(big), bigBytes);
    // Output that cannot be written fails the command too.
    const test::ToolRun full = RunTool({"show", s}, "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err, "lumenmeta show: could not write to standard output\n");

    // An edit the file does not keep fails it, in words and in JSON: Exif
    // does not record an image-structure tag in a JPEG.
    const test::ToolRun over =
        RunTool({"set", "--json", twins, "Exif.Image.PhotometricInterpretation=2"});
    EXPECT_EQ(over.exitCode, 1);
    EXPECT_EQ(over.err, "lumenmeta: " + twins + ": Exif.Image.PhotometricInterpretation reads "
                        "nothing after the write, not \"2\" (Exif does not record it in a "
                        "compressed image such as a JPEG)\nlumenmeta: 0 done, 1 failed\n");
    const test::JsonValue report = test::ParseJson(over.out);
    EXPECT_EQ(report["file"].text, twins);
    ASSERT_EQ(report["not_kept"].items.size(), 1u) << over.out;
    const test::JsonValue& fault = report["not_kept"].items[0];
    EXPECT_EQ(fault["key"].text + "=" + fault["asked"].text + "/" + fault["reads"].text,
              "Exif.Image.PhotometricInterpretation=2/");

    // diff finds the one key that differs among many, as text and as JSON.
    const std::string d1 = dir.File("d1.jpg"), d2 = dir.File("d2.jpg");
    test::FixtureImage many = test::ReadingFixture();
    many.WriteTo(d1);
    many.exif["Exif.Photo.FocalLength"] = "35/1";
    many.WriteTo(d2);
    const test::ToolRun differ = RunTool({"diff", d1, d2});
    EXPECT_EQ(differ.out,
              d1 + " → " + d2 + "\n" + Line("changed", "Exif.Photo.FocalLength", "50/1 → 35/1"));
    EXPECT_EQ(differ.exitCode, 1);  // as diff(1): the files differ
    const test::JsonValue diff = test::ParseJson(RunTool({"diff", "--json", d1, d2}).out);
    ASSERT_EQ(diff["changed"].items.size(), 1u);
    EXPECT_EQ(diff["changed"].items[0]["old_value"].text + " " +
                  diff["changed"].items[0]["value"].text, "50/1 35/1");
    EXPECT_EQ(diff["added"].items.size() + diff["removed"].items.size(), 0u);

    // The demo writes its sample in a temporary folder and removes it again.
    const std::string demoDir = dir.File("demo");
    std::filesystem::create_directory(demoDir);
    setenv("TMPDIR", demoDir.c_str(), 1);
    const test::ToolRun demo = RunTool({"demo"});
    unsetenv("TMPDIR");
    EXPECT_EQ(demo.exitCode, 0) << demo.err;
    EXPECT_NE(demo.out.find("Xmp.xmp.Rating"), npos) << demo.out;
    EXPECT_NE(demo.out.find(demoDir + "/lumenmeta-demo-"), npos) << demo.out;
    EXPECT_TRUE(std::filesystem::is_empty(demoDir)) << "the demo left its folder behind";
}

// An image whose format cannot be written fails with the reason; its edits go
// into an XMP sidecar, which is made, then merged into, and read together with
// the image. The images the sidecars belong to are never touched.
TEST(Tool, SidecarsTakeTheEditsAndAreReadWithTheImage) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string shoot = dir.File("shoot"), jpg = shoot + "/photo.jpg",
                      raw = shoot + "/raw.heic", jpgXmp = shoot + "/photo.xmp",
                      rawXmp = shoot + "/raw.xmp", copy = dir.File("copy.jpg");
    std::filesystem::create_directory(shoot);
    test::SampleFixture().WriteTo(jpg);
    test::WriteBytes(raw, test::BmffBytes("heicmif1"));
    setxattr(raw.c_str(), "user.xdg.tags", "ruins", 5, 0);  // where the file system keeps them
    const size_t rawState = Fingerprint(raw);
    const std::string heif = "HEIF files cannot be written in place";
    const std::string title = "Xmp.dc.title=lang=\"x-default\" Stones";

    const ToolCase first[] = {
        {{"set", raw, "Xmp.dc.title=T"}, 1, "",
         "lumenmeta: " + raw + ": " + heif + "; use --sidecar\nlumenmeta: 0 done, 1 failed\n"},
        {{"set", "--dry-run", raw, "Xmp.dc.title=T"}, 1, "", heif + "; use --sidecar\n"},
        {{"copy", jpg, raw}, 1, "", heif + "; use --sidecar\n"},
        {{"set", "--sidecar=auto", shoot, "Xmp.dc.title=Stones", "--add", "Xmp.dc.subject=ruins"},
         0, jpg + " (in place)\n" + raw + " -> " + rawXmp + " (" + heif + ")\n",
         "lumenmeta: 2 done, 0 failed (1 in place, 1 into a sidecar)\n",
         {{jpg, title}, {rawXmp, title}, {rawXmp, "Xmp.dc.subject=ruins"}}},
    };
    for (const ToolCase& c : first) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const test::ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_NE(run.err.find(c.err), npos) << run.err;
        for (const auto& [file, entry] : c.disk) EXPECT_EQ(OnDisk(file, entry), entry);
    }
    EXPECT_FALSE(std::filesystem::exists(jpgXmp));
    std::filesystem::copy_file(jpg, copy);
    const size_t jpgState = Fingerprint(jpg);
    // Another program adds to the sidecar; the next write keeps what it added.
    Exiv2::XmpData xmp = test::ReadBack(rawXmp).xmp;
    xmp["Xmp.xmp.Label"] = "Red";
    test::WriteSidecar(rawXmp, xmp);

    const ToolCase then[] = {
        {{"set", "--sidecar", raw, "Exif.Image.Artist=Ann", "--add", "Xmp.dc.subject=stones"}, 0,
         raw + " -> " + rawXmp + "\n", "",
         {{rawXmp, "Xmp.xmp.Label=Red"}, {rawXmp, title}, {rawXmp, "Xmp.dc.subject=ruins, stones"},
          {rawXmp, "Xmp.dc.creator=Ann"}}},
        {{"set", "--dry-run", "--sidecar", raw, "Xmp.xmp.Label=Blue"}, 0,
         raw + " -> " + rawXmp + " (dry run, nothing written)\n" +
             Line("changed", "Xmp.xmp.Label", "Red → Blue"), "", {{rawXmp, "Xmp.xmp.Label=Red"}}},
        // --add appends to what the two show together: here, the image's items, which
        // the first write joined with the keyword its IPTC alone held.
        {{"set", "--sidecar", jpg, "--add", "Xmp.dc.subject=gulls"}, 0,
         jpg + " -> " + jpgXmp + "\n", "", {{jpgXmp, "Xmp.dc.subject=boats, harbour, dawn, ruins, gulls"}}},
        {{"get", "--sidecar", jpg, "Xmp.dc.subject", "--all"}, 0, "boats; harbour; dawn; ruins; gulls\n"},
        {{"get", jpg, "Xmp.dc.subject", "--all"}, 0, "boats; harbour; dawn; ruins\n"},
        {{"diff", "--sidecar", copy, jpg}, 1, copy + " → " + jpg + "\n" +
         Line("changed", "Xmp.dc.subject", "boats; harbour; dawn; ruins → boats; harbour; dawn; ruins; gulls")},
        // A sidecar cannot hide what the image holds: the clear fails, saying so.
        {{"clear", "--sidecar", jpg, "Xmp.dc.title"}, 1, jpg + " -> " + jpgXmp + "\n",
         "lumenmeta: " + jpg + ": in " + jpgXmp + ", Xmp.dc.title still reads \"Stones\" after "
         "the write (the image itself holds it: a sidecar overrides values, it cannot remove "
         "them)\n"},
        // NAME.EXT.xmp, made here, wins over NAME.xmp from now on.
        {{"copy-value", "--sidecar", "--sidecar-name=full", jpg, raw, "Exif.Image.Model"}, 0,
         raw + " -> " + raw + ".xmp\n", "", {{raw + ".xmp", "Xmp.tiff.Model=LX-1"}}},
        {{"get", "--sidecar", raw, "Xmp.tiff.Model"}, 0, "LX-1\n"},
        {{"get", "--sidecar", raw, "Xmp.dc.title"}, 0, ""},
        {{"copy", "--sidecar", copy, raw}, 0, raw + " -> " + raw + ".xmp\n", "",
         {{raw + ".xmp", title}, {raw + ".xmp", "Xmp.tiff.Model=LX-1"}}},
    };
    for (const ToolCase& c : then) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const test::ToolRun run = RunTool(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_TRUE(c.err.empty() ? run.err.empty() : run.err.find(c.err) != npos) << run.err;
        for (const auto& [file, entry] : c.disk) EXPECT_EQ(OnDisk(file, entry), entry);
    }
    EXPECT_EQ(Fingerprint(raw), rawState);
    EXPECT_EQ(Fingerprint(jpg), jpgState);

    // Each value says where it was read from.
    const test::JsonValue json = test::ParseJson(RunTool({"show", "--json", "--sidecar", jpg}).out);
    EXPECT_EQ(json["sidecar"].text, jpgXmp);
    std::map<std::string, std::string> origins;
    for (const char* family : {"exif", "iptc", "xmp"}) {
        for (const test::JsonValue& e : json[family].items) {
            std::string& origin = origins[e["key"].text];
            origin += (origin.empty() ? e["origin"].text + ":" : "; ") + e["value"].text;
        }
    }
    EXPECT_EQ(origins["Xmp.dc.subject"], "sidecar:boats; harbour; dawn; ruins; gulls");
    EXPECT_EQ(origins["Xmp.dc.title"], "image:Stones");
    EXPECT_EQ(origins["Exif.Image.Make"], "image:Lumen Camera Works");
    const std::string text = RunTool({"show", "--sidecar", "--family", "Xmp", jpg}).out;
    EXPECT_EQ(text.rfind(jpg + " (* from " + jpgXmp + ")\n  XMP\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n  * Xmp.dc.subject "), npos) << text;
    EXPECT_NE(text.find("\n    Xmp.dc.title "), npos) << text;
}

// A long batch in two worker processes: output as with one job; each file
// keeps its own values. A worker that dies (made to abort on one file) fails
// only that file, in its place, and a new worker does the rest.
TEST(Tool, ABatchInTwoWorkersDoesWhatOneJobDoes) {
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
    const int crashed = 2;
    const std::string crashLine =
        "lumenmeta: " + paths[crashed] + ": the worker ended abnormally (signal 6)\n";
    setenv("LUMENMETA_TEST_CRASH_WORKER_ON", paths[crashed].c_str(), 1);
    const test::ToolRun set = RunTool({"set", "-r", "-j2", dir.path(), "Exif.Image.Software=b"});
    const test::ToolRun crash = RunTool({"get", "-r", "-j2", dir.path(), "Exif.Image.Artist"});
    unsetenv("LUMENMETA_TEST_CRASH_WORKER_ON");
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find(crashLine), npos) << set.err;
    EXPECT_NE(set.err.find("lumenmeta: 492 done, 8 failed\n"), npos) << set.err;
    const test::ToolRun serial = RunTool({"get", "-r", "-j", "1", dir.path(), "Exif.Image.Artist"});
    const test::ToolRun parallel = RunTool({"get", "-r", "-j2", dir.path(), "Exif.Image.Artist"});
    EXPECT_EQ(parallel.out + parallel.err, serial.out + serial.err);
    // In the order of the files: the folder's own, sorted, then those below.
    std::string out, err, crashOut, crashErr;
    for (int i : {0, 1}) {
        for (; i < 500; i += 2) {
            if (i % 70 == 69) {
                err += "lumenmeta: " + paths[i] + ": not an image file the library can read\n";
                crashErr += "lumenmeta: " + paths[i] + ": not an image file the library can read\n";
                continue;
            }
            const std::string line = paths[i] + ": Artist " + std::to_string(i) + "\n";
            out += line;
            (i == crashed ? crashErr : crashOut) += i == crashed ? crashLine : line;
            EXPECT_EQ(OnDisk(paths[i], "Exif.Image.Software"),
                      i == crashed ? "Exif.Image.Software=" : "Exif.Image.Software=b");
        }
    }
    EXPECT_EQ(serial.out, out);
    EXPECT_EQ(serial.err, err + "lumenmeta: 493 done, 7 failed\n");
    EXPECT_EQ(crash.exitCode, 1);
    EXPECT_EQ(crash.out, crashOut);
    EXPECT_EQ(crash.err, crashErr + "lumenmeta: 492 done, 8 failed\n");
}

// -r stays in the named trees: links in them are not followed (with -L they
// are, each folder and file once), and a FIFO named like an image is passed.
TEST(Tool, RecursionStaysInTheNamedTrees) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string tree = dir.File("tree"), outside = dir.File("outside");
    std::filesystem::create_directory(tree);
    std::filesystem::create_directory(outside);
    test::SampleFixture().WriteTo(tree + "/a.jpg");
    test::SampleFixture().WriteTo(outside + "/b.jpg");
    std::filesystem::create_directory_symlink(".", tree + "/self");
    std::filesystem::create_directory_symlink("../outside", tree + "/out");
    ASSERT_EQ(mkfifo((tree + "/fifo.jpg").c_str(), 0600), 0);
    const std::vector<unsigned char> b = test::ReadBytes(outside + "/b.jpg");

    const test::ToolRun set = RunTool({"set", "-r", tree, "Exif.Image.Software=x"});
    EXPECT_EQ(set.exitCode, 0);
    EXPECT_EQ(set.err, "");  // one file: no summary
    EXPECT_EQ(OnDisk(tree + "/a.jpg", "Exif.Image.Software"), "Exif.Image.Software=x");
    EXPECT_EQ(test::ReadBytes(outside + "/b.jpg"), b);
    const test::ToolRun follow = RunTool({"get", "-r", "-L", tree, "Exif.Image.Model"});
    EXPECT_EQ(follow.out, tree + "/a.jpg: LX-1\n" + tree + "/out/b.jpg: LX-1\n");
    EXPECT_EQ(follow.err, "lumenmeta: 2 done, 0 failed\n");
}

}  // namespace
}  // namespace lumenmeta
