#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/jpeg_segments.h"
#include "support/minimal_jpeg.h"
#include "support/temp_dir.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::FindExif;

std::vector<unsigned char> SampleSegment() {
    return test::ExifApp1Segment(test::SampleFixture().Bytes());
}

TEST(SetExifMetaData, DecodesAnApp1SegmentIntoTheWorkingExif) {
    const std::vector<unsigned char> segment = SampleSegment();
    ASSERT_GT(segment.size(), 10u);
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    h->exifData["Exif.Image.Software"] = "Kept";
    SetExifMetaData(h, segment.data(), static_cast<uint32_t>(segment.size()));
    EXPECT_EQ(HadExifData(h), 1);
    EXPECT_EQ(FindExif(*h, "Exif.Image.Artist")->toString(), "Ann Example");
    EXPECT_EQ(FindExif(*h, "Exif.Image.XResolution")->toRational(), Exiv2::Rational(72, 1));
    EXPECT_EQ(FindExif(*h, "Exif.Image.Software")->toString(), "Kept");  // decoding adds
    const long count = h->exifData.count();
    const unsigned char junk[4] = {1, 2, 3, 4};
    SetExifMetaData(h, junk, 0);  // size 0 changes nothing
    EXPECT_EQ(HadExifData(h), 1);
    EXPECT_EQ(h->exifData.count(), count);

    // A handle whose file could not be opened has no image; decoding works all the same.
    test::HandlePtr invalid(OpenMetaHandle("/nonexistent/none.jpg", 0));
    ASSERT_FALSE(invalid->isValid);
    SetExifMetaData(invalid.get(), segment.data(), static_cast<uint32_t>(segment.size()));
    EXPECT_EQ(FindExif(*invalid, "Exif.Image.Model")->toString(), "LX-1");
}

TEST(SetExifMetaData, UnreadableBlocksEmptyTheWorkingExif) {
    const std::vector<unsigned char> segment = SampleSegment();
    std::vector<unsigned char> garbage(segment.begin(), segment.begin() + 10);
    garbage.insert(garbage.end(), {'n', 'o', 't', ' ', 'T', 'I', 'F', 'F', 0, 0, 0, 0});
    const std::vector<std::vector<unsigned char>> unreadable = {
        garbage, {segment.begin(), segment.begin() + 1}, {segment.begin(), segment.begin() + 9}};
    for (const std::vector<unsigned char>& block : unreadable) {
        test::HandlePtr handle = test::EmptyHandle();
        SetExifMetaData(handle.get(), segment.data(), static_cast<uint32_t>(segment.size()));
        ASSERT_EQ(HadExifData(handle.get()), 1);
        SetExifMetaData(handle.get(), block.data(), static_cast<uint32_t>(block.size()));
        EXPECT_EQ(HadExifData(handle.get()), 0) << block.size();
        EXPECT_EQ(handle->exifData.count(), 0) << block.size();
    }
    // Cut or damaged blocks are contained, whatever they decode to.
    test::HandlePtr handle = test::EmptyHandle();
    for (size_t size = 0; size <= segment.size(); ++size) {
        SetExifMetaData(handle.get(), segment.data(), static_cast<uint32_t>(size));
        std::vector<unsigned char> damaged = segment;
        damaged[size % damaged.size()] ^= 0xA5;
        SetExifMetaData(handle.get(), damaged.data(), static_cast<uint32_t>(damaged.size()));
    }
    SetExifMetaData(nullptr, segment.data(), static_cast<uint32_t>(segment.size()));
    SetExifMetaData(handle.get(), nullptr, 100);
}

TEST(Thumbnail, SetThenGetGivesTheSameBytes) {
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    const int32_t size = static_cast<int32_t>(jpeg.size());
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    std::vector<unsigned char> buffer(jpeg.size() + 8, 0xEE);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size), 0);
    SetThumbnail(h, jpeg.data(), size);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size - 1), -1);
    EXPECT_EQ(buffer, std::vector<unsigned char>(jpeg.size() + 8, 0xEE));  // untouched
    EXPECT_EQ(GetThumbnail(h, nullptr, size), -1);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size), size);
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), buffer.begin()));
    EXPECT_EQ(buffer[jpeg.size()], 0xEE);
    EXPECT_EQ(GetThumbnail(nullptr, buffer.data(), size), 0);
    SetThumbnail(h, jpeg.data(), -1);  // ignored: the thumbnail stays
    SetThumbnail(h, nullptr, size);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size), size);

    // Exiv2 writes the stored thumbnail out as it was given.
    test::TempDir dir;
    test::FixtureImage image;
    image.exif = h->exifData;
    const test::FileMetadata file = test::ReadBack(image.WriteTo(dir.File("thumb.jpg")));
    const Exiv2::DataBuf written = Exiv2::ExifThumbC(file.exif).copy();
    ASSERT_EQ(written.size_, size);
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), written.pData_));
}

}  // namespace
}  // namespace lumenmeta
