// Merging one family's container into another, key by key, through the
// exports that wrap the family merges.
#include "lumenmeta.h"

#include "support/handles.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;

TEST(FamilyMerges, EachKeyTakenReplacesEveryOccurrenceAndEachDatumIsTraced) {
    // Exif takes standard keys only. Added datums follow the kept ones; repeated
    // datasets arrive in full; a bag is replaced whole. A datum without a value
    // cannot be added: it is traced and its key stays cleared.
    Exiv2::ExifData exifSource, exif, noExif;
    Exiv2::IptcData iptcSource, iptc;
    Exiv2::XmpData xmpSource, xmp;
    Fill(exifSource, {"Exif.Image.Artist=Ann", "Exif.Image.XResolution=72/1",
                      "Exif.Nikon3.Quality=FINE", "Exif.Image.Orientation=6"});
    exifSource.add(Exiv2::Exifdatum(Exiv2::ExifKey("Exif.Image.Make")));
    Fill(exif, {"Exif.Image.Artist=One", "Exif.Image.XResolution=300/1", "Exif.Image.Make=M",
                "Exif.Nikon3.Quality=BASIC", "Exif.Image.Artist=Two"});
    Fill(iptcSource, {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"});
    iptcSource.add(Exiv2::Iptcdatum(Exiv2::IptcKey("Iptc.Application2.City")));
    Fill(iptc, {"Iptc.Application2.Keywords=old", "Iptc.Application2.Caption=k",
                "Iptc.Application2.Keywords=older"});
    xmpSource["Xmp.dc.subject"] = "a";
    xmpSource["Xmp.dc.subject"] = "b";
    xmpSource.add(Exiv2::Xmpdatum(Exiv2::XmpKey("Xmp.dc.format")));
    Fill(xmp, {"Xmp.dc.subject=old", "Xmp.dc.format=image/jpeg", "Xmp.xmp.Label=kept"});

    TraceCapture trace;
    MergeMetaDataExif(exifSource, exif);
    MergeMetaDataIptc(iptcSource, iptc);
    MergeMetaDataXmp(xmpSource, xmp);
    // An empty source, and a container merged into itself, change nothing.
    MergeMetaDataExif(noExif, exif);
    MergeMetaDataExif(exif, exif);
    MergeMetaDataIptc(iptc, iptc);
    MergeMetaDataXmp(xmp, xmp);

    EXPECT_EQ(Entries(exif), (Texts{"Exif.Image.XResolution=300/1", "Exif.Nikon3.Quality=BASIC",
                                    "Exif.Image.Artist=Ann", "Exif.Image.Orientation=6"}));
    EXPECT_EQ(Entries(iptc), (Texts{"Iptc.Application2.Caption=k", "Iptc.Application2.Keywords=a",
                                    "Iptc.Application2.Keywords=b"}));
    EXPECT_EQ(Entries(xmp), (Texts{"Xmp.xmp.Label=kept", "Xmp.dc.subject=a, b"}));
    EXPECT_EQ(xmp.findKey(Exiv2::XmpKey("Xmp.dc.subject"))->typeId(), Exiv2::xmpBag);
    EXPECT_EQ(trace.pieces(), Lines({{"Exif-Key: ", "Exif.Image.Artist", "Ann"},
                                     {"Exif-Key: ", "Exif.Image.Orientation", "6"},
                                     {"Unable to write Exif-Key: ", "Exif.Image.Make", ""},
                                     {"IPTC-Key: ", "Iptc.Application2.Keywords", "a"},
                                     {"IPTC-Key: ", "Iptc.Application2.Keywords", "b"},
                                     {"Unable to write IPTC-Key: ", "Iptc.Application2.City", ""},
                                     {"XMP-Key: ", "Xmp.dc.subject", "a, b"},
                                     {"Unable to write XMP-Key: ", "Xmp.dc.format", ""}}));
}

}  // namespace
}  // namespace lumenmeta
