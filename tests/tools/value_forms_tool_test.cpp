// The tool's two forms of a value on the fixture with every Exif type: `get`
// readable, `get -n` stored, `show --json` both, `get --decimal` on GPS, and
// Exiv2's warnings about a damaged file named by the file.
#include "support/child_process.h"
#include "support/jpeg_bytes.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"
#include "support/value_forms_fixture.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::RunTool;

TEST(ToolValueForms, GetShowsReadableAndStoredFormsOfEveryType) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string path = test::ValueFormsFixture().WriteTo(dir.File("forms.jpg"));
    for (const test::FormsRow& row : test::ValueFormsAnswers()) {
        const test::ToolRun readable = RunTool({"get", path, row.key});
        EXPECT_EQ(readable.out, row.readable + "\n") << row.key << readable.err;
        const test::ToolRun stored = RunTool({"get", "-n", path, row.key});
        EXPECT_EQ(stored.out, row.stored + "\n") << row.key << stored.err;
    }
    // show --json: each value with both forms, in the image's order.
    const test::JsonValue json = test::ParseJson(RunTool({"show", "--json", path}).out);
    std::vector<std::tuple<std::string, int, std::string, std::string>> listed, answers;
    for (const test::JsonValue& e : json["exif"].items) {
        if (e["key"].text == "Exif.Image.ExifTag" || e["key"].text == "Exif.Image.GPSTag") continue;
        listed.emplace_back(e["key"].text, int(e["type"].number), e["value"].text, e["text"].text);
    }
    for (const test::FormsRow& row : test::ValueFormsAnswers()) {
        answers.emplace_back(row.key, row.type, row.stored, row.readable);
    }
    EXPECT_EQ(listed, answers);
    std::vector<std::string> xmp;
    for (const test::JsonValue& e : json["xmp"].items) {
        xmp.push_back(e["key"].text + " " + std::to_string(int(e["index"].number)) + " " +
                      e["value"].text + " / " + e["text"].text);
    }
    EXPECT_EQ(xmp, (std::vector<std::string>{"Xmp.dc.subject 0 harbour / harbour",
                                             "Xmp.dc.subject 1 boats / boats",
                                             "Xmp.dc.title 0 Harbour / Harbour",
                                             "Xmp.dc.title 1 Hafen / Hafen",
                                             "Xmp.tiff.Orientation 0 6 / right, top"}));
    EXPECT_EQ(json["xmp"].items[3]["language"].text, "de-DE");
    // The text listing: readable by default, stored with -n.
    const std::string text = RunTool({"show", "--family", "Exif", path}).out;
    EXPECT_NE(text.find("Exif.Image.Orientation                   3        top, left\n"),
              std::string::npos) << text;
    const std::string numbers = RunTool({"show", "-n", "--family", "Exif", path}).out;
    EXPECT_NE(numbers.find("Exif.GPSInfo.GPSVersionID                1        2 2 0 0\n"),
              std::string::npos) << numbers;
    // Every value of a repeated key, in either form.
    EXPECT_EQ(RunTool({"get", "--all", path, "Xmp.dc.subject"}).out, "harbour; boats\n");
    EXPECT_EQ(RunTool({"get", "-n", "--index", "1", path, "Xmp.dc.title"}).out, "Hafen\n");
}

TEST(ToolValueForms, DecimalGivesSignedDegreesAndMetres) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    const std::string path = test::ValueFormsFixture().WriteTo(dir.File("gps.jpg"));
    EXPECT_EQ(RunTool({"get", "--decimal", path, "Exif.GPSInfo.GPSLatitude"}).out, "50.957000\n");
    EXPECT_EQ(RunTool({"get", "--decimal", path, "Exif.GPSInfo.GPSLongitude"}).out,
              "-6.062533\n");  // W
    EXPECT_EQ(RunTool({"get", "--decimal", path, "Exif.GPSInfo.GPSAltitude"}).out, "-25.500000\n");
    // The other references: south, east, above sea level.
    test::FixtureImage other = test::ValueFormsFixture();
    other.exif["Exif.GPSInfo.GPSLatitudeRef"] = "S";
    other.exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    Exiv2::DataValue above(Exiv2::unsignedByte);
    above.read("0");
    other.exif["Exif.GPSInfo.GPSAltitudeRef"] = above;
    const std::string south = other.WriteTo(dir.File("south.jpg"));
    EXPECT_EQ(RunTool({"get", "--decimal", south, "Exif.GPSInfo.GPSLatitude"}).out, "-50.957000\n");
    EXPECT_EQ(RunTool({"get", "--decimal", south, "Exif.GPSInfo.GPSLongitude"}).out, "6.062533\n");
    EXPECT_EQ(RunTool({"get", "--decimal", south, "Exif.GPSInfo.GPSAltitude"}).out, "25.500000\n");
    EXPECT_EQ(RunTool({"get", south, "Exif.GPSInfo.GPSLatitudeRef"}).out, "South\n");
    // Other rationals keep the first component's decimal.
    EXPECT_EQ(RunTool({"get", "--decimal", path, "Exif.Photo.FNumber"}).out, "8.000000\n");
    EXPECT_EQ(RunTool({"get", "--decimal", "-n", path, "Exif.Photo.FNumber"}).exitCode, 2);
}

TEST(ToolValueForms, Exiv2WarningsNameTheFile) {
    if (!*test::ToolPath()) GTEST_SKIP() << "the tool is not built";
    test::TempDir dir;
    // A JPEG whose IFD0 claims 64 entries in a segment that holds one.
    std::vector<unsigned char> jpeg = test::MinimalJpeg();
    const unsigned char app1[] = {0xFF, 0xE1, 0x00, 0x1A, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                  8, 0, 0, 0, 0x40, 0x00, 0x0F, 0x01, 0x02, 0x00, 0x50, 0x00,
                                  0x00, 0x00};
    jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
    const std::string path = dir.File("damaged.jpg");
    test::WriteBytes(path, jpeg);
    // Quiet unless asked for.
    EXPECT_EQ(RunTool({"show", path}).err, "");
    const test::ToolRun run = RunTool({"show", "--verbose", path});
    EXPECT_EQ(run.err.rfind(path + ": Error: Directory Image", 0), 0u) << run.err;
    EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
}  // namespace lumenmeta
