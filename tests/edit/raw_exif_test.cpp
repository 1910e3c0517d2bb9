#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/jpeg_segments.h"
#include "support/minimal_jpeg.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(SetExifMetaData, DecodesASegmentOrEmptiesTheWorkingExif) {
    const std::vector<unsigned char> segment = ExifApp1Segment(SampleFixture().Bytes());
    std::vector<unsigned char> garbage(segment.begin(), segment.begin() + 10);
    garbage.insert(garbage.end(), {'n', 'o', 't', ' ', 'T', 'I', 'F', 'F', 0, 0, 0, 0});
    // A handle whose file could not be opened decodes all the same.
    HandlePtr handles[] = {EmptyHandle(), HandlePtr(OpenMetaHandle("/nonexistent/a.jpg", 0))};
    const uint32_t unreadable[] = {static_cast<uint32_t>(garbage.size()), 9};  // no TIFF; too short
    for (int i = 0; i < 2; ++i) {
        MetaHandle* h = handles[i].get();
        h->exifData["Exif.Image.Software"] = "Kept";
        SetExifMetaData(h, segment.data(), static_cast<uint32_t>(segment.size()));
        EXPECT_EQ(HadExifData(h), 1);
        EXPECT_EQ(FindExif(*h, "Exif.Image.Artist")->toString(), "Ann Example");
        EXPECT_EQ(FindExif(*h, "Exif.Image.XResolution")->toRational(), Exiv2::Rational(72, 1));
        EXPECT_EQ(FindExif(*h, "Exif.Image.Software")->toString(), "Kept");  // decoding adds
        const long count = h->exifData.count();
        SetExifMetaData(h, segment.data(), 0);
        SetExifMetaData(h, nullptr, 100);
        SetExifMetaData(nullptr, segment.data(), static_cast<uint32_t>(segment.size()));
        EXPECT_EQ(h->exifData.count(), count);
        // A block that cannot be read leaves no Exif at all.
        SetExifMetaData(h, garbage.data(), unreadable[i]);
        EXPECT_EQ(HadExifData(h) + h->exifData.count(), 0) << unreadable[i];
    }
}

TEST(Thumbnail, SetThenGetGivesTheSameBytes) {
    const std::vector<unsigned char>& jpeg = MinimalJpeg();
    const int32_t size = static_cast<int32_t>(jpeg.size());
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    const std::vector<unsigned char> untouched(jpeg.size() + 8, 0xEE);
    std::vector<unsigned char> buffer = untouched;
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size), 0);
    SetThumbnail(h, jpeg.data(), size);
    SetThumbnail(h, jpeg.data(), -1);  // ignored, as are a NULL handle and NULL data
    SetThumbnail(h, nullptr, size);
    SetThumbnail(nullptr, jpeg.data(), size);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size - 1) + GetThumbnail(h, nullptr, size), -2);
    EXPECT_EQ(GetThumbnail(nullptr, buffer.data(), size), 0);
    EXPECT_EQ(buffer, untouched);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), size), size);
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), buffer.begin()));
    EXPECT_EQ(buffer[jpeg.size()], 0xEE);
}

}  // namespace
}  // namespace lumenmeta
