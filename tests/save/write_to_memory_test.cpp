#include "lumenmeta.h"

#include "handle/process_setup.h"

#include "support/fixture_image.h"
#include "support/handle_state.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"
#include "support/write_fixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::HandlePtr;
using test::ValuesOf;
using Bytes = std::vector<unsigned char>;
using Texts = std::vector<std::string>;

// What Exiv2 reads from an image held in memory.
test::FileMetadata ReadBytesBack(const unsigned char* data, int32_t size) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(data, size).release());
    image->readMetadata();
    test::FileMetadata metadata;
    metadata.exif = image->exifData();
    metadata.iptc = image->iptcData();
    metadata.xmp = image->xmpData();
    metadata.width = image->pixelWidth();
    return metadata;
}

class WriteDataToMemTest : public testing::Test {
protected:
    void SetUp() override {
        EnsureProcessSetup();
        source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
        target = test::ExistingTarget().Bytes();
    }
    test::TempDir dir;
    std::string source;
    Bytes target;
};

TEST_F(WriteDataToMemTest, ReturnsTheMergedImageInTheHandlesBuffer) {
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->iptcData["Iptc.Application2.Caption"] = "Edited caption";
    const Bytes input = target;
    const test::HandleSnapshot before = test::Snapshot(*handle);

    test::TraceCapture trace;
    int32_t size = static_cast<int32_t>(input.size());
    unsigned char* first = WriteDataToMem(handle.get(), input.data(), &size, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(trace.pieces().size() > 0);  // the merge traces; the writer adds nothing
    EXPECT_NE(trace.pieces().front(), "Writing into file: ");
    EXPECT_EQ(first, handle->memBuffer);
    EXPECT_EQ(input, target);  // the caller's bytes are only read
    const test::FileMetadata written = ReadBytesBack(first, size);
    EXPECT_EQ(written.width, 16);
    EXPECT_EQ(ValuesOf(written.exif, "Exif.Image.Make"), Texts{"NIKON CORPORATION"});
    EXPECT_EQ(ValuesOf(written.exif, "Exif.Image.YResolution"), Texts{"300/1"});
    EXPECT_EQ(ValuesOf(written.iptc, "Iptc.Application2.Caption"), Texts{"Edited caption"});
    EXPECT_EQ(ValuesOf(written.iptc, "Iptc.Application2.City"), Texts{"Bergen"});
    EXPECT_EQ(ValuesOf(written.xmp, "Xmp.dc.title"), Texts{"lang=\"x-default\" Source title"});

    // A second write gives a new buffer; the handle owns only that one.
    handle->iptcData["Iptc.Application2.Caption"] = "Second caption";
    int32_t secondSize = static_cast<int32_t>(input.size());
    unsigned char* second = WriteDataToMem(handle.get(), input.data(), &secondSize, 2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second, handle->memBuffer);
    const test::FileMetadata rewritten = ReadBytesBack(second, secondSize);
    EXPECT_EQ(ValuesOf(rewritten.iptc, "Iptc.Application2.Caption"), Texts{"Second caption"});
    EXPECT_TRUE(rewritten.xmp.empty());

    handle->iptcData["Iptc.Application2.Caption"] = "Edited caption";
    test::HandleSnapshot after = test::Snapshot(*handle);
    after.memBuffer = before.memBuffer;
    EXPECT_TRUE(after == before);  // only the buffer changed
}

TEST_F(WriteDataToMemTest, AFailureKeepsTheLastBufferAndSize) {
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    int32_t size = static_cast<int32_t>(target.size());
    unsigned char* good = WriteDataToMem(handle.get(), target.data(), &size, 0);
    ASSERT_NE(good, nullptr);
    const Bytes goodCopy(good, good + size);

    const Bytes noise(300, 0x42);
    const Bytes cutJpeg = {0xFF, 0xD8, 0xFF};
    test::TraceCapture trace;
    for (const Bytes& bad : {noise, cutJpeg}) {
        int32_t badSize = static_cast<int32_t>(bad.size());
        EXPECT_EQ(WriteDataToMem(handle.get(), bad.data(), &badSize, 0), nullptr);
        EXPECT_EQ(badSize, static_cast<int32_t>(bad.size()));
    }
    int32_t zero = 0;
    EXPECT_EQ(WriteDataToMem(handle.get(), target.data(), &zero, 0), nullptr);
    EXPECT_EQ(zero, 0);
    EXPECT_EQ(WriteDataToMem(handle.get(), nullptr, &size, 0), nullptr);
    EXPECT_EQ(WriteDataToMem(handle.get(), target.data(), nullptr, 0), nullptr);
    EXPECT_EQ(WriteDataToMem(nullptr, target.data(), &size, 0), nullptr);
    EXPECT_TRUE(trace.pieces().empty());

    // The source file is gone: unlike the file writer, the call fails.
    ASSERT_EQ(std::remove(source.c_str()), 0);
    int32_t lostSize = static_cast<int32_t>(target.size());
    EXPECT_EQ(WriteDataToMem(handle.get(), target.data(), &lostSize, 0), nullptr);
    EXPECT_EQ(lostSize, static_cast<int32_t>(target.size()));

    EXPECT_EQ(handle->memBuffer, good);
    EXPECT_EQ(Bytes(good, good + size), goodCopy);
    EXPECT_EQ(ValuesOf(ReadBytesBack(good, size).exif, "Exif.Image.Make"),
              Texts{"NIKON CORPORATION"});
}

TEST_F(WriteDataToMemTest, RefusedHandlesAndHandlesWithoutSource) {
    HandlePtr invalid(OpenMetaHandle(dir.File("missing.jpg").c_str(), 0));
    int32_t size = static_cast<int32_t>(target.size());
    EXPECT_EQ(WriteDataToMem(invalid.get(), target.data(), &size, 0), nullptr);
    EXPECT_EQ(size, static_cast<int32_t>(target.size()));
    EXPECT_EQ(invalid->memBuffer, nullptr);

    // From memory: nothing to carry, the working set is merged alone.
    const Bytes own = test::CameraSource().Bytes();
    HandlePtr memory(OpenMemImage(own.data(), static_cast<int32_t>(own.size())));
    ASSERT_NE(memory, nullptr);
    memory->exifData.clear();
    memory->iptcData.clear();
    memory->xmpData.clear();
    memory->exifData["Exif.Image.Artist"] = "Ann";
    unsigned char* written = WriteDataToMem(memory.get(), target.data(), &size, 1);
    ASSERT_NE(written, nullptr);
    const test::FileMetadata result = ReadBytesBack(written, size);
    EXPECT_EQ(ValuesOf(result.exif, "Exif.Image.Artist"), Texts{"Ann"});
    EXPECT_TRUE(ValuesOf(result.exif, "Exif.Image.Make").empty());
    EXPECT_EQ(ValuesOf(result.iptc, "Iptc.Application2.Keywords"), Texts{"target keyword"});
    EXPECT_TRUE(result.xmp.empty());  // mode 1 without a source's XMP
}

}  // namespace
}  // namespace lumenmeta
