#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta::test {
namespace {

using Listing = std::tuple<bool, int32_t, std::string>;

// GetMetaDataKeys' result, the size it gives back and the buffer up to the first '#'.
Listing List(MetaHandle* h, const char* family, const char* separator, int32_t size) {
    std::string buffer(128, '#');
    const bool fits = GetMetaDataKeys(h, family, buffer.data(), &size, separator);
    return {fits, size, buffer.substr(0, buffer.find('#'))};
}

TEST(GetMetaDataKeys, ListsKeysInContainerOrderWithinTheCapacity) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->exifData["Exif.Image.Model"] = "LX-1";  // not sorted
    h->exifData["Exif.Image.Artist"] = "Ann";
    Exiv2::StringValue keyword("harbour");  // one key, two datums
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    h->iptcData.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    h->xmpData["Xmp.xmp.Rating"] = "1";
    std::string exif = "Exif.Image.Model|Exif.Image.Artist", kw = "Iptc.Application2.Keywords";
    EXPECT_EQ(List(h, nullptr, nullptr, 128),
              Listing(true, 104, exif + "|" + kw + "|" + kw + "|Xmp.xmp.Rating" + '\0'));
    EXPECT_EQ(List(h, "Exif", nullptr, 35), Listing(true, 35, exif + '\0'));
    EXPECT_EQ(List(h, "Exif", nullptr, 34), Listing(false, 35, ""));  // one short: untouched
    EXPECT_EQ(List(h, "Iptc", "", 128), Listing(true, 53, kw + kw + '\0'));
    int32_t size = 0;  // asking for the size
    EXPECT_FALSE(GetMetaDataKeys(h, "Xmp", nullptr, &size, ", "));
    EXPECT_EQ(size, 15);
    EXPECT_EQ(List(h, "XMP", nullptr, 128), Listing(false, 128, ""));  // the family's exact case
    EXPECT_EQ(List(nullptr, "Exif", nullptr, 128), Listing(false, 128, ""));
    EXPECT_FALSE(GetMetaDataKeys(h, nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace lumenmeta::test
