#include "support/large_jpeg.h"

#include "support/fixture_image.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

// The large fixture must be a JPEG that Exiv2 reads and rewrites like a photo,
// or the tests built on it would prove nothing.
TEST(LargeJpeg, IsAnImageExiv2ReadsAndWrites) {
    TempDir dir;
    const std::vector<unsigned char> bytes = LargeJpeg(3 << 20, 5);
    EXPECT_GT(bytes.size(), 3u << 20);
    EXPECT_EQ(bytes, LargeJpeg(3 << 20, 5));  // deterministic
    const std::string path = dir.File("large.jpg");
    WriteBytes(path, bytes);
    {
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
        image->readMetadata();
        image->exifData()["Exif.Image.Artist"] = "Large";
        image->writeMetadata();
    }
    const FileMetadata back = ReadBack(path);
    EXPECT_EQ(back.width, 4000);
    EXPECT_EQ(back.height, 3000);
    EXPECT_EQ(back.exif.findKey(Exiv2::ExifKey("Exif.Image.Artist"))->toString(), "Large");
    // The scan travels unchanged: the rewritten file ends with the same bytes.
    const std::vector<unsigned char> after = ReadBytes(path);
    ASSERT_GT(after.size(), bytes.size());
    EXPECT_TRUE(std::equal(bytes.end() - (1 << 20), bytes.end(), after.end() - (1 << 20)));
}

}  // namespace
}  // namespace lumenmeta::test
