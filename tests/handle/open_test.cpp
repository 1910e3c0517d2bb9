#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/minimal_jpeg.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <random>

namespace lumenmeta {
namespace {

using test::FixtureImage;
using test::MinimalJpeg;
using test::ReadBytes;
using test::SampleFixture;
using test::TempDir;
using test::TraceCapture;
using test::WriteBytes;

using Handle = test::HandlePtr;

bool IsSortedByKey(const Exiv2::IptcData& data) {
    return std::is_sorted(data.begin(), data.end(), [](const auto& a, const auto& b) {
        return a.key() < b.key();
    });
}

TEST(OpenMetaHandle, ReadsTheFileIntoSortedWorkingCopies) {
    TempDir dir;
    const std::string path = SampleFixture().WriteTo(dir.File("sample.jpg"));
    TraceCapture trace;
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->isValid);
    EXPECT_TRUE(trace.pieces().empty());
    EXPECT_EQ(handle->exifData.findKey(Exiv2::ExifKey("Exif.Image.Artist"))->toString(),
              "Ann Example");
    EXPECT_EQ(handle->iptcData.count(), 3);
    EXPECT_TRUE(IsSortedByKey(handle->iptcData));
    EXPECT_EQ(handle->xmpData.findKey(Exiv2::XmpKey("Xmp.Lumenframe.VarU_Client"))->toString(),
              "Harbour Board");
    EXPECT_TRUE(std::is_sorted(handle->xmpData.begin(), handle->xmpData.end(),
                               [](const auto& a, const auto& b) { return a.key() < b.key(); }));
    EXPECT_EQ(HadExifData(handle.get()), 1);
    EXPECT_EQ(HadIptcData(handle.get()), 0);  // set by reads, not by opening
    EXPECT_EQ(HadXmpData(handle.get()), 0);
    EXPECT_EQ(handle->iptcCodePage, -1);
    EXPECT_TRUE(handle->deletedKeys.empty());
    EXPECT_EQ(handle->memBuffer, nullptr);
    EXPECT_EQ(GetMetaDataFilePath(handle.get()), path);

    int width = -1, height = -1;
    EXPECT_EQ(GetImageSize(handle.get(), &width, &height), 1);
    EXPECT_EQ(width, test::kMinimalJpegWidth);
    EXPECT_EQ(height, test::kMinimalJpegHeight);
}

TEST(OpenMetaHandle, KeepsExifInTheFilesOrder) {
    TempDir dir;
    FixtureImage fixture;
    fixture.exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:00:00";
    fixture.exif["Exif.Image.Model"] = "LX-1";
    fixture.exif["Exif.Image.Artist"] = "Ann";
    const std::string path = fixture.WriteTo(dir.File("order.jpg"));
    const test::FileMetadata onDisk = test::ReadBack(path);
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    ASSERT_EQ(handle->exifData.count(), onDisk.exif.count());
    auto expected = onDisk.exif.begin();
    for (const auto& datum : handle->exifData) EXPECT_EQ(datum.key(), (expected++)->key());
}

TEST(OpenMetaHandle, AFileWithoutExifTracesAndReportsNoExif) {
    TempDir dir;
    FixtureImage fixture;
    fixture.xmp["Xmp.dc.format"] = "image/jpeg";
    const std::string path = fixture.WriteTo(dir.File("no-exif.jpg"));
    TraceCapture trace;
    Handle handle(OpenMetaHandle(path.c_str(), 0));
    ASSERT_TRUE(handle->isValid);
    EXPECT_EQ(trace.pieces(), std::vector<std::string>{"No Exif Data there"});
    EXPECT_EQ(HadExifData(handle.get()), 0);
    EXPECT_EQ(handle->xmpData.count(), 1);
}

TEST(OpenMetaHandle, StartsEmptyWithoutTouchingTheFile) {
    TempDir dir;
    const std::string path = SampleFixture().WriteTo(dir.File("keep.jpg"));
    const std::vector<unsigned char> before = ReadBytes(path);
    TraceCapture trace;
    for (const char* given : {static_cast<const char*>(nullptr), path.c_str()}) {
        Handle handle(OpenMetaHandle(given, given ? 1 : 0));
        ASSERT_NE(handle, nullptr);
        EXPECT_TRUE(handle->isValid);
        EXPECT_NE(handle->image, nullptr);
        EXPECT_EQ(handle->exifData.count(), 0);
        EXPECT_EQ(handle->iptcData.count(), 0u);
        EXPECT_EQ(handle->xmpData.count(), 0);
        EXPECT_EQ(HadExifData(handle.get()), 0);
        EXPECT_EQ(HadIptcData(handle.get()), 0);
        EXPECT_EQ(HadXmpData(handle.get()), 0);
        EXPECT_EQ(GetMetaDataFilePath(handle.get()), given ? path : std::string());
    }
    EXPECT_TRUE(trace.pieces().empty());
    EXPECT_EQ(ReadBytes(path), before);
}

TEST(OpenMetaHandle, BadFilesGiveAnInvalidHandle) {
    TempDir dir;
    std::vector<unsigned char> noise(4096);
    std::mt19937 random(7);
    for (auto& byte : noise) byte = static_cast<unsigned char>(random());
    WriteBytes(dir.File("empty.jpg"), {});
    WriteBytes(dir.File("noise.jpg"), noise);
    std::vector<unsigned char> truncated = SampleFixture().Bytes();
    truncated.resize(60);  // cut inside the Exif segment
    WriteBytes(dir.File("truncated.jpg"), truncated);

    for (const std::string& path : {dir.File("missing.jpg"), dir.path(), dir.File("empty.jpg"),
                                    dir.File("noise.jpg"), dir.File("truncated.jpg")}) {
        SCOPED_TRACE(path);
        Handle handle(OpenMetaHandle(path.c_str(), 0));
        ASSERT_NE(handle, nullptr);
        EXPECT_FALSE(handle->isValid);
        EXPECT_EQ(handle->exifData.count(), 0);
        EXPECT_EQ(HadExifData(handle.get()), 0);
        EXPECT_EQ(GetMetaDataFilePath(handle.get()), path);
        int width = -7, height = -7;
        EXPECT_EQ(GetImageSize(handle.get(), &width, &height), 0);
        EXPECT_EQ(width, -7);
        EXPECT_EQ(height, -7);
    }
}

TEST(OpenMemImage, ReadsBytesInPlace) {
    const std::vector<unsigned char> bytes = SampleFixture().Bytes();
    TraceCapture trace;
    Handle handle(OpenMemImage(bytes.data(), static_cast<int32_t>(bytes.size())));
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(handle->isValid);
    EXPECT_EQ(HadExifData(handle.get()), 1);
    EXPECT_EQ(handle->iptcData.count(), 3u);
    EXPECT_EQ(GetMetaDataFilePath(handle.get()), "");
    int width = 0, height = 0;
    EXPECT_EQ(GetImageSize(handle.get(), &width, &height), 1);
    EXPECT_EQ(width, test::kMinimalJpegWidth);

    // No Exif: reported by the flag, not traced.
    const std::vector<unsigned char>& plain = MinimalJpeg();
    Handle bare(OpenMemImage(plain.data(), static_cast<int32_t>(plain.size())));
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(HadExifData(bare.get()), 0);
    EXPECT_TRUE(trace.pieces().empty());
}

TEST(OpenMemImage, BytesThatAreNotAnImageGiveNull) {
    const unsigned char text[] = "this is not an image at all, only some text";
    std::vector<unsigned char> truncated = SampleFixture().Bytes();
    truncated.resize(60);
    EXPECT_EQ(OpenMemImage(text, sizeof(text)), nullptr);
    EXPECT_EQ(OpenMemImage(truncated.data(), static_cast<int32_t>(truncated.size())), nullptr);
    EXPECT_EQ(OpenMemImage(text, 0), nullptr);
    EXPECT_EQ(OpenMemImage(text, -5), nullptr);
    EXPECT_EQ(OpenMemImage(nullptr, 100), nullptr);
}

TEST(Handle, NullArgumentsAreHarmless) {
    CloseMetaHandle(nullptr);
    EXPECT_EQ(HadExifData(nullptr), 0);
    EXPECT_EQ(HadIptcData(nullptr), 0);
    EXPECT_EQ(HadXmpData(nullptr), 0);
    EXPECT_EQ(GetMetaDataFilePath(nullptr), "");
    int width = 3, height = 4;
    EXPECT_EQ(GetImageSize(nullptr, &width, &height), 0);
    Handle handle(OpenMetaHandle(nullptr, 0));
    EXPECT_EQ(GetImageSize(handle.get(), nullptr, &height), 0);
    EXPECT_EQ(GetImageSize(handle.get(), &width, nullptr), 0);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 4);
    SetExifLibraryErrorStream();
}

// The namespace check needs a process in which nothing has opened a handle
// yet, so it runs in a freshly started copy of the test program.
TEST(HandleDeathTest, FirstOpenRegistersThePrivateNamespace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            bool before = true;
            try {
                Exiv2::XmpProperties::ns("Lumenframe");
            } catch (const Exiv2::AnyError&) {
                before = false;
            }
            CloseMetaHandle(OpenMetaHandle(nullptr, 0));
            const bool after =
                Exiv2::XmpProperties::ns("Lumenframe") == "http://ns.lumenframe.com/Lumenframe/1.0/";
            std::exit(!before && after ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lumenmeta
