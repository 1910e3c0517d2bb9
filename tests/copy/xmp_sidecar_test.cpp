#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/run_unprivileged.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::ReadBack;
using test::ReadBytes;
using test::SampleFixture;
using test::TempDir;
using test::TraceCapture;
using test::WriteBytes;

// A sidecar with properties, written by Exiv2 directly.
std::string WriteFilledSidecar(const std::string& path) {
    std::unique_ptr<Exiv2::Image> sidecar(
        Exiv2::ImageFactory::create(Exiv2::ImageType::xmp, path).release());
    Exiv2::XmpData xmp;
    xmp["Xmp.dc.format"] = "image/jpeg";
    xmp["Xmp.xmp.Rating"] = "3";
    sidecar->setXmpData(xmp);
    sidecar->writeMetadata();
    return path;
}

TEST(CreateXmpSidecar, CreatesAnEmptySidecarAtThePathAsGiven) {
    TempDir dir;
    TraceCapture trace;
    for (const char* name : {"photo.xmp", "photo.jpg.xmp", "notes.txt", "plain"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.File(name);
        EXPECT_EQ(CreateXmpSidecar(path.c_str(), false), 1);
        EXPECT_EQ(Exiv2::ImageFactory::getType(path), Exiv2::ImageType::xmp);
        const test::FileMetadata metadata = ReadBack(path);
        EXPECT_EQ(metadata.xmp.count(), 0);
        EXPECT_EQ(metadata.exif.count(), 0);
        EXPECT_EQ(metadata.iptc.count(), 0u);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              4);  // no extension added anywhere
    EXPECT_TRUE(trace.pieces().empty());
}

TEST(CreateXmpSidecar, AnExistingFileIsKeptUnlessOverwriteIsAsked) {
    TempDir dir;
    const std::string image = SampleFixture().WriteTo(dir.File("photo.xmp"));
    const std::string sidecar = WriteFilledSidecar(dir.File("filled.xmp"));
    TraceCapture trace;
    for (const std::string& path : {image, sidecar}) {
        SCOPED_TRACE(path);
        const std::vector<unsigned char> before = ReadBytes(path);
        EXPECT_EQ(CreateXmpSidecar(path.c_str(), false), 0);
        EXPECT_EQ(ReadBytes(path), before);

        EXPECT_EQ(CreateXmpSidecar(path.c_str(), true), 1);
        EXPECT_EQ(Exiv2::ImageFactory::getType(path), Exiv2::ImageType::xmp);
        EXPECT_EQ(ReadBack(path).xmp.count(), 0);
    }
    // An existing empty file counts as existing too.
    WriteBytes(dir.File("empty.xmp"), {});
    EXPECT_EQ(CreateXmpSidecar(dir.File("empty.xmp").c_str(), false), 0);
    EXPECT_TRUE(ReadBytes(dir.File("empty.xmp")).empty());
    EXPECT_TRUE(trace.pieces().empty());
}

TEST(CreateXmpSidecar, AFileThatCannotBeMadeIsTracedWithoutItsPath) {
    TempDir dir;
    TraceCapture trace;
    const std::vector<std::string> cannotCreate{"CreateXmpSidecar: Could not create file: "};

    const std::string inMissingFolder = dir.File("no-such-folder/photo.xmp");
    EXPECT_EQ(CreateXmpSidecar(inMissingFolder.c_str(), true), 0);
    EXPECT_EQ(trace.pieces(), cannotCreate);
    EXPECT_FALSE(std::filesystem::exists(inMissingFolder));

    trace.Clear();
    EXPECT_EQ(CreateXmpSidecar(dir.path().c_str(), true), 0);  // a folder
    EXPECT_EQ(trace.pieces(), cannotCreate);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path()));

    trace.Clear();
    EXPECT_EQ(CreateXmpSidecar(dir.path().c_str(), false), 0);  // exists: no trace
    EXPECT_EQ(CreateXmpSidecar(nullptr, true), 0);
    EXPECT_EQ(CreateXmpSidecar(nullptr, false), 0);
    EXPECT_TRUE(trace.pieces().empty());
}

TEST(CreateXmpSidecar, AReadOnlySidecarIsNotReplaced) {
    TempDir dir;
    test::OpenToEveryone(dir.path());
    const std::string sidecar = WriteFilledSidecar(dir.File("locked.xmp"));
    ASSERT_EQ(chmod(sidecar.c_str(), 0444), 0);
    const std::vector<unsigned char> before = ReadBytes(sidecar);
    const std::string fresh = dir.File("fresh.xmp");
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);  // no new files in the folder either

    const std::string report = test::RunUnprivileged([&] {
        TraceCapture trace;
        std::string text = std::to_string(CreateXmpSidecar(sidecar.c_str(), true));
        text += "," + std::to_string(CreateXmpSidecar(fresh.c_str(), false));
        for (const std::string& piece : trace.pieces()) text += "|" + piece;
        return text;
    });
    test::OpenToEveryone(dir.path());

    EXPECT_EQ(report,
              "0,0|CreateXmpSidecar: Could not create file: "
              "|CreateXmpSidecar: Could not create file: ");
    EXPECT_EQ(ReadBytes(sidecar), before);
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST(CreateXmpSidecar, AReplacedSidecarIsFilledByACompactPacketWrite) {
    TempDir dir;
    const std::string photo = SampleFixture().WriteTo(dir.File("photo.jpg"));
    const std::string sidecar = dir.File("photo.xmp");
    ASSERT_EQ(CreateXmpSidecar(sidecar.c_str(), false), 1);
    EXPECT_EQ(CreateXmpSidecar(sidecar.c_str(), false), 0);  // exists: refused
    WriteBytes(sidecar, std::vector<unsigned char>(200, ' '));
    ASSERT_EQ(CreateXmpSidecar(sidecar.c_str(), true), 1);  // replaced by an empty sidecar
    EXPECT_EQ(ReadBack(sidecar).xmp.count(), 0);

    test::HandlePtr handle(OpenMetaHandle(photo.c_str(), 0));
    test::BstrPtr source = test::MakeBstr(u"Harbour archive");
    ASSERT_EQ(AddMetaDataW(handle.get(), "Xmp.dc.source", source.get()), 1);
    ASSERT_EQ(WriteData(handle.get(), sidecar.c_str(), 3, 0), 1);

    const test::FileMetadata filled = ReadBack(sidecar);
    auto text = [&](const char* key) {
        auto it = filled.xmp.findKey(Exiv2::XmpKey(key));
        return it == filled.xmp.end() ? std::string() : it->toString();
    };
    EXPECT_EQ(text("Xmp.dc.source"), "Harbour archive");
    EXPECT_EQ(text("Xmp.Lumenframe.VarU_Client"), "Harbour Board");
    EXPECT_EQ(text("Xmp.dc.title"), "lang=\"x-default\" Harbour at dawn");
    EXPECT_EQ(text("Xmp.tiff.Model"), "LX-1");  // the photo's Exif, carried as XMP
}

}  // namespace
}  // namespace lumenmeta
