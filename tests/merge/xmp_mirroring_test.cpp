#include "merge/xmp_mirroring.h"

#include "handle/process_setup.h"

#include "support/handle_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::StderrCapture;
using test::ValuesOf;
using Texts = std::vector<std::string>;

const std::string kMarker = "\x1b%G";

class XmpMirroring : public testing::Test {
protected:
    void SetUp() override { EnsureProcessSetup(); }  // the private namespace
    Exiv2::XmpData xmp;
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
};

// How the texts land on disk is checked with the writers; here the parts
// that a write does not show.
TEST_F(XmpMirroring, ArrayItemsArriveOneByOne) {
    xmp["Xmp.dc.creator"] = "Ann";
    xmp["Xmp.dc.creator"] = "Bob";
    MirrorXmp(xmp, exif, iptc);
    EXPECT_EQ(ValuesOf(exif, "Exif.Image.Artist"), Texts{"Ann, Bob"});
    EXPECT_EQ(ValuesOf(iptc, "Iptc.Application2.Byline"), (Texts{"Ann", "Bob"}));
}

TEST_F(XmpMirroring, TheMarkerIsSetOnlyByMarkerKeys) {
    iptc["Iptc.Envelope.CharacterSet"] = std::string("\x1b%@");  // an earlier declaration
    xmp["Xmp.xmp.Rating"] = "3";
    Exiv2::XmpArrayValue noSubjects(Exiv2::xmpBag);
    xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &noSubjects);
    MirrorXmp(xmp, exif, iptc);
    EXPECT_EQ(ValuesOf(iptc, "Iptc.Envelope.CharacterSet"), Texts{"\x1b%@"});
    EXPECT_EQ(ValuesOf(exif, "Exif.Image.Rating"), Texts{"3"});

    for (const char* key : {"Xmp.photoshop.City", "Xmp.iptc.Location", "Xmp.dc.title"}) {
        Exiv2::XmpData marked;
        marked[key] = "Oslo";
        Exiv2::ExifData markedExif;
        Exiv2::IptcData markedIptc;
        MirrorXmp(marked, markedExif, markedIptc);
        EXPECT_EQ(ValuesOf(markedIptc, "Iptc.Envelope.CharacterSet"), Texts{kMarker}) << key;
    }
    EXPECT_TRUE(IsIptcMarkerXmpKey("xmp.PHOTOSHOP.City"));
    EXPECT_TRUE(IsIptcMarkerXmpKey("XMP.DC.SUBJECT"));
    EXPECT_FALSE(IsIptcMarkerXmpKey("Xmp.dc.format"));
    EXPECT_FALSE(IsIptcMarkerXmpKey("Xmp.dc.titles"));
    EXPECT_FALSE(IsIptcMarkerXmpKey("Xmp.photoshopX.City"));
}

TEST_F(XmpMirroring, AnItemThatCannotBeAssignedIsReportedAndSkipped) {
    // Assigning this text to a language alternative makes Exiv2 parse a
    // broken language qualifier.
    xmp["Xmp.dc.title"] = "lang=x-default lang=\"broken";
    xmp["Xmp.Lumenframe.Exif.Image.Artist"] = "own artist";
    StderrCapture stderrText;
    MirrorXmp(xmp, exif, iptc);
    EXPECT_EQ(stderrText.text(), "Can't write metadata to xmp Block");
    EXPECT_EQ(ValuesOf(exif, "Exif.Image.Artist"), Texts{"own artist"});
    // The failed item still counts for the marker.
    EXPECT_EQ(ValuesOf(iptc, "Iptc.Envelope.CharacterSet"), Texts{kMarker});
}

}  // namespace
}  // namespace lumenmeta
