#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(RawExif, DecodedSegmentAndThumbnailBytes) {
    std::vector<unsigned char> segment = ExifApp1Segment(SampleFixture().Bytes());
    const uint32_t size = static_cast<uint32_t>(segment.size());
    HandlePtr handle(OpenMetaHandle("/nonexistent/a.jpg", 0));  // no image: decoded all the same
    MetaHandle* h = handle.get();
    h->exifData["Exif.Image.Software"] = "Kept";
    SetExifMetaData(h, segment.data(), size);
    SetExifMetaData(h, segment.data(), 0);  // no-ops, as are NULL data and a NULL handle
    SetExifMetaData(h, nullptr, size);
    SetExifMetaData(nullptr, segment.data(), size);
    EXPECT_EQ(HadExifData(h), 1);
    EXPECT_EQ(h->exifData.count(), 6);  // the five tags decoded, added to what was there
    EXPECT_EQ(h->exifData["Exif.Image.XResolution"].toRational(), Exiv2::Rational(72, 1));
    std::fill(segment.begin() + 10, segment.end(), 'x');  // no TIFF structure left
    SetExifMetaData(h, segment.data(), size);
    EXPECT_EQ(HadExifData(h) + h->exifData.count(), 0);  // nothing is kept

    const std::vector<unsigned char>& jpeg = MinimalJpeg();
    const int32_t bytes = static_cast<int32_t>(jpeg.size());
    std::vector<unsigned char> buffer(jpeg.size() + 1, 0xEE);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), bytes), 0);
    SetThumbnail(h, jpeg.data(), bytes);
    SetThumbnail(h, jpeg.data(), -1);  // ignored, as are a NULL handle and NULL data
    SetThumbnail(h, nullptr, bytes);
    SetThumbnail(nullptr, jpeg.data(), bytes);
    EXPECT_EQ(GetThumbnail(h, buffer.data(), bytes - 1) + GetThumbnail(h, nullptr, bytes), -2);
    EXPECT_EQ(GetThumbnail(nullptr, buffer.data(), bytes), 0);
    EXPECT_EQ(buffer, std::vector<unsigned char>(jpeg.size() + 1, 0xEE));  // untouched
    EXPECT_EQ(GetThumbnail(h, buffer.data(), bytes), bytes);
    EXPECT_EQ(std::vector<unsigned char>(buffer.begin(), buffer.end() - 1), jpeg);
    EXPECT_EQ(buffer.back(), 0xEE);
}

}  // namespace
}  // namespace lumenmeta
