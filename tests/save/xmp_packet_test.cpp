// The XMP stays whole or the write fails: an array of ten items or more
// encodes in a JPEG and a TIFF, and a packet the XMP toolkit cannot encode
// fails the write with its reason and leaves the file as it was.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

// A history of `items` events, as an editor keeps it.
void AddHistory(Exiv2::XmpData& xmp, int items) {
    Exiv2::XmpTextValue sequence("");
    sequence.setXmpArrayType(Exiv2::XmpValue::xaSeq);
    xmp.add(Exiv2::XmpKey("Xmp.xmpMM.History"), &sequence);
    for (int i = 1; i <= items; ++i) {
        xmp["Xmp.xmpMM.History[" + std::to_string(i) + "]/stEvt:action"] = "saved " + std::to_string(i);
    }
}

// A TIFF of a few IFD0 tags and `xmp`, which Exiv2 reads and writes as a
// TIFF image.
std::string WriteTiff(const std::string& path, const Exiv2::XmpData& xmp) {
    FixtureImage tiff;
    tiff.exif["Exif.Image.Make"] = "Maker";
    tiff.xmp = xmp;
    return tiff.WriteTiffTo(path);
}

TEST(XmpPacket, AnArrayOfTwelveItemsEncodesInAJpegAndATiff) {
    TempDir dir;
    FixtureImage fixture;
    AddHistory(fixture.xmp, 12);
    const std::string jpeg = fixture.WriteTo(dir.File("history.jpg"));
    const std::string tiff = WriteTiff(dir.File("history.tif"), fixture.xmp);
    for (const std::string& path : {jpeg, tiff}) {
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        Set(handle.get(), "Xmp.xmp.Label", u"Red");
        ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1) << path;
        const FileMetadata file = ReadBack(path);
        ExpectOnDisk(file, {"Xmp.xmp.Label=Red", "Xmp.xmpMM.History[2]/stEvt:action=saved 2",
                            "Xmp.xmpMM.History[10]/stEvt:action=saved 10",
                            "Xmp.xmpMM.History[12]/stEvt:action=saved 12"});
    }
}

TEST(XmpPacket, APacketThatCannotBeEncodedFailsTheWriteAndChangesNothing) {
    TempDir dir;
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Image.Make=Canon"});
    Fill(fixture.xmp, {"Xmp.dc.format=image/jpeg"});
    const std::string jpeg = fixture.WriteTo(dir.File("photo.jpg"));
    const std::string tiff = WriteTiff(dir.File("photo.tif"), fixture.xmp);
    for (const std::string& path : {jpeg, tiff}) {
        const std::vector<unsigned char> before = ReadBytes(path);
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        Set(handle.get(), "Exif.Image.Artist", u"Ann");
        // An array item with no item before it: the toolkit refuses the packet.
        handle->xmpData["Xmp.xmpMM.History[3]/stEvt:action"] = "saved";
        TraceCapture trace;
        EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 0) << path;
        std::string traced;
        for (const std::string& piece : trace.pieces()) traced += piece;
        EXPECT_NE(traced.find("Unable to write into file: " + path + " Reason: "), std::string::npos) << traced;
        EXPECT_NE(traced.find("XMP"), std::string::npos) << traced;
        EXPECT_EQ(ReadBytes(path), before) << path;
        // Into memory too: no buffer.
        int32_t size = static_cast<int32_t>(before.size());
        EXPECT_EQ(WriteDataToMem(handle.get(), before.data(), &size, 0), nullptr);
    }
}

}  // namespace
}  // namespace lumenmeta
