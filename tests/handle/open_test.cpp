#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/handle_state.h"
#include "support/minimal_jpeg.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <algorithm>

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
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(h->isValid);
        // Exif keeps the file's order (Make before Artist); XMP is sorted by key.
        EXPECT_EQ(KeysOf(h->exifData), KeysOf(ReadBack(path).exif));
        const std::vector<std::string> xmp = KeysOf(h->xmpData);
        EXPECT_TRUE(xmp.size() == 3 && std::is_sorted(xmp.begin(), xmp.end()));
        EXPECT_EQ(h->iptcData.count(), 3);
        // Opening reports Exif; IPTC and XMP are reported once read.
        EXPECT_EQ(HadExifData(h) + 2 * HadIptcData(h) + 4 * HadXmpData(h), 1);
        int width = -1, height = -1;
        EXPECT_EQ(GetImageSize(h, &width, &height), 1);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(kMinimalJpegWidth, kMinimalJpegHeight));
    }
    EXPECT_EQ(GetMetaDataFilePath(fromPath.get()), path);
    EXPECT_EQ(GetMetaDataFilePath(fromBytes.get()), "");
    // No Exif is traced when a file is opened from a path only.
    HandlePtr bare(OpenMemImage(MinimalJpeg().data(), static_cast<int32_t>(MinimalJpeg().size())));
    EXPECT_TRUE(trace.pieces().empty());
    WriteBytes(path, MinimalJpeg());
    HandlePtr barePath(OpenMetaHandle(path.c_str(), 0));
    EXPECT_TRUE(bare->isValid && barePath->isValid);
    EXPECT_EQ(HadExifData(bare.get()) + HadExifData(barePath.get()), 0);
    EXPECT_EQ(trace.pieces(), std::vector<std::string>{"No Exif Data there"});

    // Starting empty only remembers the path: the file is not read or touched.
    for (const char* given : {static_cast<const char*>(nullptr), path.c_str()}) {
        HandlePtr empty(OpenMetaHandle(given, 1));
        ASSERT_NE(empty, nullptr);
        EXPECT_TRUE(empty->isValid);
        EXPECT_EQ(empty->exifData.count() + empty->iptcData.count() + empty->xmpData.count(), 0);
        EXPECT_EQ(GetMetaDataFilePath(empty.get()), given ? path : "");
    }
    EXPECT_EQ(trace.pieces().size(), 1u);
    EXPECT_EQ(ReadBytes(path), MinimalJpeg());
}

TEST(OpenMetaHandle, BadInputGivesAnInvalidHandleOrNone) {
    TempDir dir;
    std::vector<unsigned char> truncated = SampleFixture().Bytes();
    truncated.resize(60);  // cut inside the Exif segment
    const std::vector<unsigned char> text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    WriteBytes(dir.File("empty.jpg"), {});
    WriteBytes(dir.File("text.jpg"), text);
    WriteBytes(dir.File("truncated.jpg"), truncated);
    for (const std::string& path : {dir.File("missing.jpg"), dir.path(), dir.File("empty.jpg"),
                                    dir.File("text.jpg"), dir.File("truncated.jpg")}) {
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        ASSERT_NE(handle, nullptr) << path;
        EXPECT_FALSE(handle->isValid) << path;
        EXPECT_EQ(GetMetaDataFilePath(handle.get()), path);
        int width = -7, height = -7;
        EXPECT_EQ(GetImageSize(handle.get(), &width, &height), 0);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(-7, -7));
    }
    const std::pair<const unsigned char*, int32_t> notImages[] = {
        {text.data(), int32_t(text.size())}, {truncated.data(), int32_t(truncated.size())},
        {text.data(), 0}, {text.data(), -5}, {nullptr, 100}};
    for (const auto& [data, size] : notImages) EXPECT_EQ(OpenMemImage(data, size), nullptr) << size;
    CloseMetaHandle(nullptr);
    EXPECT_EQ(HadExifData(nullptr) + HadIptcData(nullptr) + HadXmpData(nullptr), 0);
    EXPECT_EQ(GetMetaDataFilePath(nullptr), "");
    HandlePtr handle = EmptyHandle();
    int width = 3, height = 4;
    EXPECT_EQ(GetImageSize(nullptr, &width, &height) + GetImageSize(handle.get(), nullptr, &height) +
                  GetImageSize(handle.get(), &width, nullptr),
              0);
    EXPECT_EQ(std::make_pair(width, height), std::make_pair(3, 4));
}

// Needs a process in which nothing has opened a handle yet: a fresh copy of
// the test program.
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
