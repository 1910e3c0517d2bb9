#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(OpenMetaHandle, ReadsAFileOrBytesIntoWorkingCopies) {
    TempDir dir;
    const std::vector<unsigned char> bytes = SampleFixture().Bytes();
    const std::string path = dir.File("sample.jpg");
    WriteBytes(path, bytes);
    TraceCapture trace;
    HandlePtr fromPath(OpenMetaHandle(path.c_str(), 0));
    HandlePtr fromBytes(OpenMemImage(bytes.data(), static_cast<int32_t>(bytes.size())));
    for (MetaHandle* h : {fromPath.get(), fromBytes.get()}) {
        // Exif keeps the file's order (Make before Artist); XMP is sorted by key.
        EXPECT_EQ(KeysOf(h->exifData), KeysOf(ReadBack(path).exif));
        EXPECT_EQ(KeysOf(h->xmpData), (std::vector<std::string>{"Xmp.Lumenframe.VarU_Client",
                                           "Xmp.dc.subject", "Xmp.dc.title"}));
        EXPECT_EQ(h->iptcData.count(), 3);
        EXPECT_EQ(HadExifData(h) + 2 * HadIptcData(h) + 4 * HadXmpData(h), 1);  // Exif only
        int width = -1, height = -1;
        EXPECT_EQ(GetImageSize(h, &width, &height), 1);
        EXPECT_EQ(std::pair(width, height), std::pair(kMinimalJpegWidth, kMinimalJpegHeight));
    }
    EXPECT_EQ(GetMetaDataFilePath(fromPath.get()), path);
    // Starting empty only remembers the path: the file is neither read nor touched.
    HandlePtr empty(OpenMetaHandle(path.c_str(), 1));
    EXPECT_EQ(empty->exifData.count() + empty->iptcData.count() + empty->xmpData.count(), 0);
    EXPECT_EQ(GetMetaDataFilePath(empty.get()), path);
    EXPECT_EQ(ReadBytes(path), bytes);
    WriteBytes(path, MinimalJpeg());  // a file without Exif is traced
    HandlePtr bare(OpenMetaHandle(path.c_str(), 0));
    EXPECT_EQ(HadExifData(bare.get()), 0);
    EXPECT_EQ(trace.pieces(), std::vector<std::string>{"No Exif Data there"});
}

TEST(OpenMetaHandle, BadInputGivesAnInvalidHandleOrNone) {
    TempDir dir;
    std::vector<unsigned char> truncated = SampleFixture().Bytes();
    truncated.resize(60);  // cut inside the Exif segment
    WriteBytes(dir.File("empty.jpg"), {});
    WriteBytes(dir.File("truncated.jpg"), truncated);
    for (const std::string& path : {dir.File("missing.jpg"), dir.path(), dir.File("empty.jpg"),
                                    dir.File("truncated.jpg")}) {
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        EXPECT_FALSE(handle->isValid) << path;
        int width = -7;
        EXPECT_EQ(GetImageSize(handle.get(), &width, &width), 0) << path;
        EXPECT_EQ(width, -7);
    }
    for (int32_t size : {60, 0, -5}) EXPECT_EQ(OpenMemImage(truncated.data(), size), nullptr);
    EXPECT_EQ(OpenMemImage(nullptr, 100), nullptr);
    CloseMetaHandle(nullptr);
    EXPECT_EQ(HadExifData(nullptr) + HadIptcData(nullptr) + HadXmpData(nullptr), 0);
    HandlePtr handle = EmptyHandle();
    int width = 3;
    EXPECT_EQ(GetImageSize(nullptr, &width, &width) + GetImageSize(handle.get(), nullptr, &width) +
                  GetImageSize(handle.get(), &width, nullptr), 0);
    EXPECT_EQ(width, 3);
}

// Needs a process in which nothing has opened a handle yet: a freshly
// started copy of the test program.
TEST(HandleDeathTest, FirstOpenRegistersThePrivateNamespace) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto registered = [] {
        try {
            return Exiv2::XmpProperties::ns("Lumenframe") == "http://ns.lumenframe.com/Lumenframe/1.0/";
        } catch (const Exiv2::AnyError&) {
            return false;
        }
    };
    EXPECT_EXIT(
        {
            const bool before = registered();
            CloseMetaHandle(OpenMetaHandle(nullptr, 0));
            std::exit(!before && registered() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace lumenmeta
