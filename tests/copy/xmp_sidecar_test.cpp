#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace lumenmeta {
namespace {

// Each call's result and trace pieces, as "result|piece|piece;".
std::string CreateEach(const std::vector<std::string>& paths, bool overwrite) {
    std::string report;
    for (const std::string& path : paths) {
        test::TraceCapture trace;
        report += std::to_string(CreateXmpSidecar(path.c_str(), overwrite));
        for (const std::string& piece : trace.pieces()) report += "|" + piece;
        report += ";";
    }
    return report;
}

TEST(CreateXmpSidecar, CreatesAnEmptySidecarReplacesAFileOnlyWhenAskedAndTracesAFailure) {
    test::TempDir dir;
    const std::string filled = dir.File("filled.xmp"), image = dir.File("image.xmp");
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.format"] = "image/jpeg";
    test::WriteSidecar(filled, xmp);
    test::SampleFixture().WriteTo(image);
    const std::vector<unsigned char> filledBytes = test::ReadBytes(filled);
    // The path is taken as given: no extension is added.
    EXPECT_EQ(CreateEach({filled, image, dir.File("a.jpg.xmp")}, false), "0;0;1;");
    EXPECT_EQ(test::ReadBytes(filled), filledBytes);
    EXPECT_EQ(test::ReadBack(image).exif.count(), 5);
    EXPECT_EQ(CreateEach({filled, image, dir.File("notes.txt")}, true), "1;1;1;");
    for (const std::string& path : {filled, image, dir.File("a.jpg.xmp"), dir.File("notes.txt")}) {
        const test::FileMetadata metadata = test::ReadBack(path);
        EXPECT_EQ(Exiv2::ImageFactory::getType(path), Exiv2::ImageType::xmp) << path;
        EXPECT_TRUE(metadata.xmp.empty() && metadata.exif.empty() && metadata.iptc.empty());
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);

    // A file that cannot be made is traced without its path; an existing one is no failure.
    EXPECT_EQ(CreateEach({dir.File("no-folder/a.xmp"), dir.path()}, true) +
                  CreateEach({dir.path()}, false) + std::to_string(CreateXmpSidecar(nullptr, true)),
              "0|CreateXmpSidecar: Could not create file: ;0|CreateXmpSidecar: Could not create "
              "file: ;0;0");
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));
}

}  // namespace
}  // namespace lumenmeta
