#include "save/xmp_mode.h"

#include "support/handle_state.h"
#include "support/minimal_jpeg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

std::unique_ptr<Exiv2::Image> ImageWithXmp() {
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    std::unique_ptr<Exiv2::Image> image(
        Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size())).release());
    image->xmpData()["Xmp.dc.format"] = "image/jpeg";
    image->xmpData()["Xmp.dc.subject"] = "harbour";
    image->xmpData()["Xmp.dc.subject"] = "dawn";
    return image;
}

TEST(ApplyXmpMode, KeepsRemovesOrEncodesTheXmp) {
    struct Case {
        int mode;
        bool sourceHadXmp;
        bool kept;
    };
    for (const Case& c : {Case{0, false, true}, Case{-4, false, true}, Case{1, true, true},
                          Case{1, false, false}, Case{2, true, false}, Case{2, false, false},
                          Case{3, false, true}}) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        std::unique_ptr<Exiv2::Image> image = ImageWithXmp();
        const auto before = test::Images(image->xmpData());
        // Mode 3 sets the packet it encodes, which Exiv2 decodes again into
        // the image's XMP: no property may be lost on the way.
        ApplyXmpMode(*image, c.mode, c.sourceHadXmp);
        if (c.kept) {
            EXPECT_EQ(test::Images(image->xmpData()), before);
        } else {
            EXPECT_TRUE(image->xmpData().empty());
        }
    }
}

}  // namespace
}  // namespace lumenmeta
