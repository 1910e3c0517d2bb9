// The command-line tool run as a user runs it: commands on fixture files,
// output and exit codes checked, files checked with Exiv2 directly.
#include "tools/tool_test_support.h"

#include "support/json_reader.h"
#include "support/minimal_jpeg.h"

#include <exiv2/exiv2.hpp>

#include <unistd.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FileMetadata;
using test::JsonValue;
using test::ParseJson;
using test::ReadBack;
using test::ReadBytes;
using test::RunTool;
using test::TempDir;
using test::ToolRun;
using test::WriteBytes;
using test::WriteToolSample;

std::string XmpText(const Exiv2::XmpData& xmp, const std::string& key) {
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    return it == xmp.end() ? "<absent>" : it->toString();
}

std::string ExifText(const Exiv2::ExifData& exif, const std::string& key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    return it == exif.end() ? "<absent>" : it->toString();
}

// The entry of `key` in a JSON family array, or nullptr.
const JsonValue* FindEntry(const JsonValue& family, const std::string& key) {
    for (const JsonValue& entry : family.items) {
        if (entry["key"].text == key) return &entry;
    }
    return nullptr;
}

TEST(Tool, ShowGivesEveryFamilyAsTextAndAsJson) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));

    const ToolRun json = RunTool({"show", "--json", path});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const JsonValue document = ParseJson(json.out);
    EXPECT_EQ(document["file"].text, path);
    const FileMetadata disk = ReadBack(path);
    EXPECT_EQ(document["exif"].items.size(), disk.exif.count());
    EXPECT_EQ(document["iptc"].items.size(), disk.iptc.count());
    EXPECT_EQ(document["xmp"].items.size(), disk.xmp.count());

    const JsonValue* artist = FindEntry(document["exif"], "Exif.Image.Artist");
    ASSERT_NE(artist, nullptr);
    EXPECT_EQ((*artist)["type"].number, 2);
    EXPECT_EQ((*artist)["value"].text, "Ann Example");
    const JsonValue* resolution = FindEntry(document["exif"], "Exif.Image.XResolution");
    ASSERT_NE(resolution, nullptr);
    EXPECT_EQ((*resolution)["type"].number, 5);
    EXPECT_EQ((*resolution)["value"].text, "72/1");
    const JsonValue* title = FindEntry(document["xmp"], "Xmp.dc.title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ((*title)["type"].number, 0x10009);
    EXPECT_EQ((*title)["value"].text, "Harbour at dawn");
    const JsonValue* description = FindEntry(document["xmp"], "Xmp.dc.description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ((*description)["value"].text, "Zoë ✓ – 東京");  // UTF-8 out as it went in
    const JsonValue* subject = FindEntry(document["xmp"], "Xmp.dc.subject");
    ASSERT_NE(subject, nullptr);
    EXPECT_EQ((*subject)["value"].text, "harbour; dawn");
    // Both keywords, one entry each, in order.
    std::vector<std::string> keywords;
    for (const JsonValue& entry : document["iptc"].items) {
        if (entry["key"].text == "Iptc.Application2.Keywords") keywords.push_back(entry["value"].text);
    }
    EXPECT_EQ(keywords, (std::vector<std::string>{"harbour", "boats"}));

    // One family only, and one object per file for several files.
    const std::string second = WriteToolSample(dir.File("second.jpg"));
    const ToolRun two = RunTool({"show", "--json", "--family", "xmp", path, second});
    ASSERT_EQ(two.exitCode, 0) << two.err;
    const size_t lineEnd = two.out.find('\n');
    ASSERT_NE(lineEnd, std::string::npos);
    const JsonValue first = ParseJson(two.out.substr(0, lineEnd));
    const JsonValue other = ParseJson(two.out.substr(lineEnd + 1));
    EXPECT_EQ(first["file"].text, path);
    EXPECT_EQ(other["file"].text, second);
    EXPECT_EQ(first.members.count("exif"), 0u);
    EXPECT_EQ(first["xmp"].items.size(), disk.xmp.count());

    const ToolRun text = RunTool({"show", path});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const size_t exif = text.out.find("  Exif\n"), iptc = text.out.find("  IPTC\n"),
                 xmp = text.out.find("  XMP\n");
    ASSERT_NE(exif, std::string::npos);
    EXPECT_LT(exif, iptc);
    EXPECT_LT(iptc, xmp);
    EXPECT_NE(text.out.find("Zoë ✓ – 東京"), std::string::npos);
}

TEST(Tool, GetReadsOneValueAnOccurrenceOrAll) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Model"}).out, "LX-1\n");
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.XResolution"}).out, "72/1\n");
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.XResolution", "--decimal"}).out, "72.000000\n");
    EXPECT_EQ(RunTool({"get", path, "Iptc.Application2.Keywords", "--index", "1"}).out, "boats\n");
    EXPECT_EQ(RunTool({"get", path, "Iptc.Application2.Keywords", "--all", "--separator", ","}).out,
              "harbour,boats\n");
    EXPECT_EQ(RunTool({"get", path, "Xmp.dc.description"}).out, "Zoë ✓ – 東京\n");

    const ToolRun absent = RunTool({"get", path, "Exif.Photo.FNumber"});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.out, "");
    EXPECT_NE(absent.err.find(path + ": no value for Exif.Photo.FNumber"), std::string::npos);
    EXPECT_EQ(RunTool({"get", path, "Iptc.Application2.Keywords", "--index", "2"}).exitCode, 1);
    EXPECT_EQ(RunTool({"get", path, "Artist"}).exitCode, 2);
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Model", "--index", "x"}).exitCode, 2);
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Model", "--all", "--index", "0"}).exitCode, 2);
}

TEST(Tool, SetAndClearWriteUtf8ValuesIntoTheFile) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));
    const ToolRun set = RunTool({"set", path, "Exif.Image.Artist=Zoë Lumen",
                                 "Exif.Image.DocumentName=Café ✓", "Xmp.dc.title=Café ✓ 東京",
                                 "Xmp.xmp.Rating=4"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    FileMetadata disk = ReadBack(path);
    // Exif text set through the library is stored as UTF-8; the write then
    // mirrors the creator from XMP into the Artist tag as Windows-1252.
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.DocumentName"), "Caf\xC3\xA9 \xE2\x9C\x93");
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.Artist"), "Zo\xEB Lumen");
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.dc.title"), "lang=\"x-default\" Café ✓ 東京");
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.xmp.Rating"), "4");
    // Exif text is shown by its bytes: UTF-8 as UTF-8, other bytes as
    // Windows-1252; both come out as the same UTF-8 text.
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.DocumentName"}).out, "Café ✓\n");
    EXPECT_EQ(RunTool({"get", path, "Exif.Image.Artist"}).out, "Zoë Lumen\n");
    EXPECT_EQ(RunTool({"get", path, "Xmp.dc.title"}).out, "Café ✓ 東京\n");

    const ToolRun clear = RunTool({"clear", path, "Xmp.xmp.Rating", "Exif.Image.DocumentName"});
    ASSERT_EQ(clear.exitCode, 0) << clear.err;
    disk = ReadBack(path);
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.xmp.Rating"), "<absent>");
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.DocumentName"), "<absent>");
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.Make"), "Lumen Camera Works");

    // --to writes into another file and leaves the source as it was.
    const std::string target = test::FixtureImage().WriteTo(dir.File("target.jpg"));
    const std::vector<unsigned char> source = ReadBytes(path);
    const ToolRun to = RunTool({"set", path, "Exif.Image.Software=lumenmeta", "--to", target});
    ASSERT_EQ(to.exitCode, 0) << to.err;
    EXPECT_EQ(ReadBytes(path), source);
    disk = ReadBack(target);
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.Software"), "lumenmeta");
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.Artist"), "Zo\xEB Lumen");
}

TEST(Tool, BadInputIsReportedClearlyAndChangesNothing) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));
    const std::string text = dir.File("notes.jpg");
    WriteBytes(text, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    const std::vector<unsigned char> before = ReadBytes(path);

    const ToolRun missing = RunTool({"show", dir.File("missing.jpg")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find(dir.File("missing.jpg") + ": no such file"), std::string::npos);

    const ToolRun notImage = RunTool({"set", text, "Exif.Image.Artist=x"});
    EXPECT_EQ(notImage.exitCode, 1);
    EXPECT_NE(notImage.err.find(text + ": not an image"), std::string::npos);
    EXPECT_EQ(ReadBytes(text).size(), 12u);

    // An unknown key fails the file before anything is written, even after
    // a good assignment.
    const ToolRun unknown = RunTool({"set", path, "Exif.Image.Artist=x", "Exif.Image.NoSuchTag=1"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("Exif.Image.NoSuchTag"), std::string::npos);
    EXPECT_NE(unknown.err.find("nothing written"), std::string::npos);
    EXPECT_EQ(RunTool({"clear", path, "Exif.NoGroup.Tag"}).exitCode, 1);

    // Usage mistakes: exit code 2 and the command's help.
    const ToolRun malformed = RunTool({"set", path, "Exif.Image.Artist"});
    EXPECT_EQ(malformed.exitCode, 2);
    EXPECT_NE(malformed.err.find("malformed KEY=VALUE"), std::string::npos);
    EXPECT_NE(malformed.err.find("Usage: lumenmeta set"), std::string::npos);
    EXPECT_EQ(RunTool({"set", path, "Exif.Image=x"}).exitCode, 2);
    EXPECT_EQ(RunTool({"set", path}).exitCode, 2);
    EXPECT_EQ(RunTool({"show", path, "--bogus"}).exitCode, 2);
    EXPECT_EQ(RunTool({"show"}).exitCode, 2);
    EXPECT_EQ(RunTool({"show", path, "-j", "0"}).exitCode, 2);
    EXPECT_EQ(RunTool({"frobnicate", path}).exitCode, 2);
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"thumbnail", path}).exitCode, 2);
    TempDir empty;
    const ToolRun none = RunTool({"show", empty.path()});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no image files found"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), before);

    // A batch with one bad file: the good one is done, exit code 1.
    const ToolRun mixed = RunTool({"get", path, text, "Exif.Image.Make"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_EQ(mixed.out, path + ": Lumen Camera Works\n");
    EXPECT_NE(mixed.err.find("1 done, 1 failed"), std::string::npos);
}

TEST(Tool, CopyCopyValueSidecarAndVars) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));

    const std::string copy = dir.File("copy.jpg");
    ASSERT_EQ(RunTool({"copy", path, copy}).exitCode, 0);
    FileMetadata disk = ReadBack(copy);
    EXPECT_EQ(ExifText(disk.exif, "Exif.Image.Artist"), "Ann Example");
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.dc.description"), "lang=\"x-default\" Zoë ✓ – 東京");
    EXPECT_EQ(RunTool({"copy", dir.File("missing.jpg"), copy}).exitCode, 1);

    const std::string plain = test::FixtureImage().WriteTo(dir.File("plain.jpg"));
    ASSERT_EQ(RunTool({"copy-value", path, plain, "Exif.Image.Model"}).exitCode, 0);
    EXPECT_EQ(ExifText(ReadBack(plain).exif, "Exif.Image.Model"), "LX-1");
    EXPECT_EQ(RunTool({"copy-value", path, plain, "Exif.Photo.FNumber"}).exitCode, 1);
    EXPECT_EQ(RunTool({"copy-value", path, plain, "Xmp.dc.title"}).exitCode, 2);

    const ToolRun sidecar = RunTool({"sidecar", path});
    ASSERT_EQ(sidecar.exitCode, 0) << sidecar.err;
    const std::string xmpPath = dir.File("sample.xmp");
    EXPECT_EQ(sidecar.out, path + " -> " + xmpPath + "\n");
    disk = ReadBack(xmpPath);
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.Lumenframe.VarU_Client"), "Harbour Board");
    const std::vector<unsigned char> written = ReadBytes(xmpPath);
    const ToolRun again = RunTool({"sidecar", path});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("exists"), std::string::npos);
    EXPECT_EQ(ReadBytes(xmpPath), written);
    EXPECT_EQ(RunTool({"sidecar", path, dir.File("named.xmp")}).exitCode, 0);
    EXPECT_EQ(XmpText(ReadBack(dir.File("named.xmp")).xmp, "Xmp.dc.title"),
              "lang=\"x-default\" Harbour at dawn");

    EXPECT_EQ(RunTool({"vars", path}).out, "Xmp.Lumenframe.VarU_Client = Harbour Board\n");
    EXPECT_EQ(RunTool({"vars", path, "--system"}).out, "");
}

TEST(Tool, ThumbnailComesOutUnchangedAndIsNeverHalfStored) {
    REQUIRE_TOOL();
    TempDir dir;
    test::FixtureImage fixture = test::SampleFixture();
    Exiv2::ExifThumb(fixture.exif)
        .setJpegThumbnail(test::MinimalJpeg().data(), static_cast<long>(test::MinimalJpeg().size()));
    const std::string path = fixture.WriteTo(dir.File("thumbed.jpg"));
    const std::string out = dir.File("out.jpg");
    const ToolRun extract = RunTool({"thumbnail", path, "--extract", out});
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_EQ(ReadBytes(out), test::MinimalJpeg());

    const std::string plain = WriteToolSample(dir.File("plain.jpg"));
    const ToolRun none = RunTool({"thumbnail", plain, "--extract", dir.File("none.jpg")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("has no thumbnail"), std::string::npos);
    EXPECT_NE(access(dir.File("none.jpg").c_str(), F_OK), 0);

    // A write merges only the standard Exif tags, so a thumbnail set on the
    // handle never reaches the file: the tool says so and leaves the file.
    const std::vector<unsigned char> before = ReadBytes(plain);
    const ToolRun set = RunTool({"thumbnail", plain, "--set", out});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_NE(set.err.find("thumbnail"), std::string::npos);
    EXPECT_EQ(ReadBytes(plain), before);
    EXPECT_EQ(RunTool({"thumbnail", plain, "--set", plain + ".missing"}).exitCode, 2);
}

TEST(Tool, DemoHelpAndVersion) {
    REQUIRE_TOOL();
    TempDir dir;
    setenv("TMPDIR", dir.path().c_str(), 1);
    const ToolRun demo = RunTool({"demo"});
    unsetenv("TMPDIR");
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    const size_t at = demo.out.find(dir.path() + "/lumenmeta-demo-");
    ASSERT_NE(at, std::string::npos);
    const std::string sample = demo.out.substr(at, demo.out.find(' ', at) - at);
    const FileMetadata disk = ReadBack(sample);
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.dc.title").rfind("lang=\"x-default\" Lumenport harbour, 6 a.m.", 0), 0u);
    EXPECT_EQ(XmpText(disk.xmp, "Xmp.xmp.Rating"), "5");
    EXPECT_NE(demo.out.find("* Exif.Image.Artist"), std::string::npos);

    for (const char* command : {"show", "get", "set", "clear", "copy", "copy-value", "sidecar",
                                "vars", "thumbnail", "demo"}) {
        const ToolRun help = RunTool({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: lumenmeta ") + command, 0), 0u) << command;
        EXPECT_NE(help.out.find("Example"), std::string::npos) << command;
    }
    EXPECT_EQ(RunTool({"--version"}).out, "lumenmeta 1.0.0\n");
    EXPECT_EQ(RunTool({"--help"}).exitCode, 0);
}

TEST(Tool, TraceSendsTheLibrarysPiecesToStderr) {
    REQUIRE_TOOL();
    TempDir dir;
    const std::string path = WriteToolSample(dir.File("sample.jpg"));
    const ToolRun quiet = RunTool({"set", path, "Exif.Image.Software=x"});
    EXPECT_EQ(quiet.err, "");
    const ToolRun traced = RunTool({"set", path, "Exif.Image.Software=y", "--trace"});
    ASSERT_EQ(traced.exitCode, 0);
    EXPECT_NE(traced.err.find("Writing into file: " + path + "\n"), std::string::npos);
}

}  // namespace
}  // namespace lumenmeta
