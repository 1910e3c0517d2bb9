#include "lumenmeta.h"

#include "support/handle_ptr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::EmptyHandle;
using test::HandlePtr;

// A handle whose working set holds, in this container order: two Exif tags,
// an IPTC keyword twice and two XMP properties (deliberately not sorted).
HandlePtr MixedHandle() {
    HandlePtr handle = EmptyHandle();
    handle->exifData["Exif.Image.Model"] = "LX-1";
    handle->exifData["Exif.Image.Artist"] = "Ann";
    Exiv2::StringValue keyword("harbour");
    handle->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    handle->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    const Exiv2::XmpTextValue text("x");
    handle->xmpData.add(Exiv2::XmpKey("Xmp.xmp.Rating"), &text);
    handle->xmpData.add(Exiv2::XmpKey("Xmp.dc.format"), &text);
    return handle;
}

struct Listing {
    bool result;
    int32_t size;
    std::string text;
};

Listing List(MetaHandle* handle, const char* family, const char* separator = nullptr) {
    std::vector<char> buffer(1024, '#');
    int32_t size = static_cast<int32_t>(buffer.size());
    const bool result = GetMetaDataKeys(handle, family, buffer.data(), &size, separator);
    return {result, size, result ? std::string(buffer.data()) : std::string()};
}

TEST(GetMetaDataKeys, ListsEachFamilyInContainerOrderOncePerDatum) {
    HandlePtr handle = MixedHandle();
    const std::string exif = "Exif.Image.Model|Exif.Image.Artist";
    const std::string iptc = "Iptc.Application2.Keywords|Iptc.Application2.Keywords";
    const std::string xmp = "Xmp.xmp.Rating|Xmp.dc.format";

    const Listing all = List(handle.get(), nullptr);
    EXPECT_TRUE(all.result);
    EXPECT_EQ(all.text, exif + "|" + iptc + "|" + xmp);
    EXPECT_EQ(all.size, static_cast<int32_t>(all.text.size() + 1));

    EXPECT_EQ(List(handle.get(), "Exif").text, exif);
    EXPECT_EQ(List(handle.get(), "Iptc").text, iptc);
    EXPECT_EQ(List(handle.get(), "Xmp").text, xmp);
    EXPECT_EQ(List(handle.get(), "Xmp", ", ").text, "Xmp.xmp.Rating, Xmp.dc.format");
    EXPECT_EQ(List(handle.get(), "Exif", "").text, "Exif.Image.ModelExif.Image.Artist");
}

TEST(GetMetaDataKeys, FollowsTheCapacityProtocol) {
    HandlePtr handle = MixedHandle();
    const std::string xmp = "Xmp.xmp.Rating|Xmp.dc.format";
    const int32_t length = static_cast<int32_t>(xmp.size());

    // Asking for the size: NULL buffer, capacity 0.
    int32_t size = 0;
    EXPECT_FALSE(GetMetaDataKeys(handle.get(), "Xmp", nullptr, &size, nullptr));
    EXPECT_EQ(size, length + 1);

    // Capacity equal to the length is one short: the buffer stays untouched.
    std::vector<char> buffer(64, '#');
    size = length;
    EXPECT_FALSE(GetMetaDataKeys(handle.get(), "Xmp", buffer.data(), &size, nullptr));
    EXPECT_EQ(size, length + 1);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), std::string(64, '#'));

    // Exactly the needed size: list and NUL, nothing after.
    size = length + 1;
    EXPECT_TRUE(GetMetaDataKeys(handle.get(), "Xmp", buffer.data(), &size, nullptr));
    EXPECT_EQ(std::string(buffer.data()), xmp);
    EXPECT_EQ(buffer[length + 1], '#');

    // Large enough with a NULL buffer: true, only the size is given.
    size = 100;
    EXPECT_TRUE(GetMetaDataKeys(handle.get(), "Xmp", nullptr, &size, nullptr));
    EXPECT_EQ(size, length + 1);

    // An empty family lists "" and needs one byte.
    HandlePtr empty = EmptyHandle();
    size = 1;
    char one = '#';
    EXPECT_TRUE(GetMetaDataKeys(empty.get(), nullptr, &one, &size, nullptr));
    EXPECT_EQ(one, '\0');
    EXPECT_EQ(size, 1);
}

TEST(GetMetaDataKeys, RefusesBadArgumentsWithSizeUntouched) {
    HandlePtr handle = MixedHandle();
    char buffer[256] = "#";
    for (const char* family : {"exif", "XMP", "Iptc.", "", "Photoshop"}) {
        int32_t size = 256;
        EXPECT_FALSE(GetMetaDataKeys(handle.get(), family, buffer, &size, nullptr)) << family;
        EXPECT_EQ(size, 256) << family;
        EXPECT_EQ(buffer[0], '#') << family;
    }
    int32_t size = 256;
    EXPECT_FALSE(GetMetaDataKeys(nullptr, nullptr, buffer, &size, nullptr));
    EXPECT_EQ(size, 256);
    EXPECT_FALSE(GetMetaDataKeys(handle.get(), nullptr, buffer, nullptr, nullptr));
    EXPECT_EQ(buffer[0], '#');
}

}  // namespace
}  // namespace lumenmeta
