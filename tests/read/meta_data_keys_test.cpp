#include "lumenmeta.h"

#include "support/handle_ptr.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

using namespace std::string_literals;

TEST(GetMetaDataKeys, ListsKeysInContainerOrderWithinTheCapacity) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->exifData["Exif.Image.Model"] = "LX-1";  // not sorted
    h->exifData["Exif.Image.Artist"] = "Ann";
    Exiv2::StringValue keyword("harbour");  // one key, two datums
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    h->xmpData["Xmp.xmp.Rating"] = "1";
    // The result, the size given back and the buffer up to its first '#'.
    const auto list = [](MetaHandle* handle, const char* family, const char* separator,
                         int32_t size) {
        std::string buffer(128, '#');
        const bool fits = GetMetaDataKeys(handle, family, buffer.data(), &size, separator);
        return std::make_tuple(fits, size, buffer.substr(0, buffer.find('#')));
    };
    using L = std::tuple<bool, int32_t, std::string>;
    const std::string all = "Exif.Image.Model|Exif.Image.Artist|Iptc.Application2.Keywords|"
                            "Iptc.Application2.Keywords|Xmp.xmp.Rating";
    EXPECT_EQ(list(h, nullptr, nullptr, 128), L(true, static_cast<int32_t>(all.size()) + 1, all + '\0'));
    EXPECT_EQ(list(h, "Exif", nullptr, 35), L(true, 35, "Exif.Image.Model|Exif.Image.Artist\0"s));
    EXPECT_EQ(list(h, "Exif", nullptr, 34), L(false, 35, ""));  // one short: untouched
    EXPECT_EQ(list(h, "Iptc", ", ", 128),
              L(true, 55, "Iptc.Application2.Keywords, Iptc.Application2.Keywords\0"s));
    EXPECT_EQ(list(h, "Xmp", "", 128), L(true, 15, "Xmp.xmp.Rating\0"s));
    int32_t size = 0;  // asking for the size
    EXPECT_FALSE(GetMetaDataKeys(h, "Exif", nullptr, &size, nullptr));
    EXPECT_EQ(size, 35);
    HandlePtr empty = EmptyHandle();
    EXPECT_EQ(list(empty.get(), nullptr, "|", 1), L(true, 1, std::string(1, '\0')));
    for (const char* family : {"exif", "XMP", "Iptc.", "", "Photoshop"}) {
        EXPECT_EQ(list(h, family, nullptr, 128), L(false, 128, "")) << family;
    }
    EXPECT_EQ(list(nullptr, nullptr, nullptr, 128), L(false, 128, ""));
    EXPECT_FALSE(GetMetaDataKeys(h, nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace lumenmeta::test
