// Description, rights and creator texts as they land on disk after a write.
#include "lumenmeta.h"

#include "handle/process_setup.h"

#include "support/fixture_image.h"
#include "support/handle_state.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FileMetadata;
using test::HandlePtr;
using test::ReadBack;
using test::ValuesOf;
using Texts = std::vector<std::string>;

class WriteMirroring : public testing::Test {
protected:
    void SetUp() override { EnsureProcessSetup(); }
    test::TempDir dir;
};

TEST_F(WriteMirroring, TextsReachExifInTheAnsiCodePageAndIptcWithTheMarker) {
    test::FixtureImage plain;
    plain.exif["Exif.Image.Make"] = "Lumen";
    const std::string path = plain.WriteTo(dir.File("texts.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    handle->xmpData["Xmp.dc.description"] = "Caf\xC3\xA9 au lait";
    handle->xmpData["Xmp.dc.rights"] = "\xC2\xA9 Ann";
    handle->xmpData["Xmp.dc.creator"] = "Zo\xC3\xAB";
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);

    const FileMetadata onDisk = ReadBack(path);
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.ImageDescription"), Texts{"Caf\xE9 au lait"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Copyright"), Texts{"\xA9 Ann"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Zo\xEB"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Caption"), Texts{"Caf\xC3\xA9 au lait"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Copyright"), Texts{"\xC2\xA9 Ann"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Byline"), Texts{"Zo\xC3\xAB"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Envelope.CharacterSet"), Texts{"\x1b%G"});
    // XMP keeps UTF-8.
    EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.description"),
              Texts{"lang=\"x-default\" Caf\xC3\xA9 au lait"});
}

TEST_F(WriteMirroring, PrivateMirrorKeysWinAndSurviveTheWrite) {
    test::FixtureImage plain;
    plain.exif["Exif.Image.Make"] = "Lumen";
    const std::string path = plain.WriteTo(dir.File("mirror.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    handle->xmpData["Xmp.dc.description"] = "dc description";
    handle->xmpData["Xmp.dc.rights"] = "dc rights";
    handle->xmpData["Xmp.dc.creator"] = "dc creator";
    handle->xmpData["Xmp.Lumenframe.Exif.Image.ImageDescription"] = "Own \xC3\xA9";
    handle->xmpData["Xmp.Lumenframe.Exif.Image.Copyright"] = "Own rights";
    handle->xmpData["Xmp.Lumenframe.Exif.Image.Artist"] = "Own artist";
    const std::string target = plain.WriteTo(dir.File("second.jpg"));
    ASSERT_EQ(WriteData(handle.get(), target.c_str(), 0, 0), 1);

    const FileMetadata onDisk = ReadBack(target);
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.ImageDescription"), Texts{"Own \xE9"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Copyright"), Texts{"Own rights"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Own artist"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Byline"), Texts{"dc creator"});
    EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.Lumenframe.Exif.Image.Artist"), Texts{"Own artist"});
}

TEST_F(WriteMirroring, TheMarkerComesOnlyWithAMarkerKey) {
    test::FixtureImage plain;
    plain.exif["Exif.Image.Make"] = "Lumen";
    const std::string without = plain.WriteTo(dir.File("without.jpg"));
    const std::string with = plain.WriteTo(dir.File("with.jpg"));
    HandlePtr handle(OpenMetaHandle(without.c_str(), 0));
    handle->xmpData["Xmp.xmp.Rating"] = "3";
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    handle->xmpData["Xmp.photoshop.City"] = "Oslo";
    ASSERT_EQ(WriteData(handle.get(), with.c_str(), 0, 0), 1);

    const FileMetadata unmarked = ReadBack(without);
    EXPECT_EQ(ValuesOf(unmarked.exif, "Exif.Image.Rating"), Texts{"3"});
    EXPECT_TRUE(unmarked.iptc.empty());
    const FileMetadata marked = ReadBack(with);
    EXPECT_EQ(ValuesOf(marked.iptc, "Iptc.Application2.City"), Texts{"Oslo"});
    EXPECT_EQ(ValuesOf(marked.iptc, "Iptc.Envelope.CharacterSet"), Texts{"\x1b%G"});
}

}  // namespace
}  // namespace lumenmeta
