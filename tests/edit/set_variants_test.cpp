#include "lumenmeta.h"

#include "edit/item_pieces.h"
#include "support/handle_ptr.h"
#include "support/trace_capture.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using test::FindXmp;
using test::MakeBstr;
using Pieces = std::vector<std::u16string_view>;

TEST(SplitItems, PiecesKeepLeadingAndLoneTrailingSeparators) {
    EXPECT_EQ(SplitItems(u"a;b;c", u";"), (Pieces{u"a", u"b", u"c"}));
    EXPECT_EQ(SplitItems(u"a;b;", u";"), (Pieces{u"a", u"b;"}));
    EXPECT_EQ(SplitItems(u"a;;b", u";"), (Pieces{u"a", u";b"}));
    EXPECT_EQ(SplitItems(u";a", u";"), (Pieces{u";a"}));
    EXPECT_EQ(SplitItems(u"a;;", u";"), (Pieces{u"a", u";"}));
    EXPECT_EQ(SplitItems(u"a;b", u""), (Pieces{u"a;b"}));
    EXPECT_EQ(SplitItems(u"", u";"), Pieces{});
    // A zero unit ends a piece's scan like the end of the text; a piece that
    // is then empty is left out instead of clearing the key.
    EXPECT_EQ(SplitItems(std::u16string_view(u"a\0b;c", 5), u";"), (Pieces{u"a", u"b", u"c"}));
    EXPECT_EQ(SplitItems(std::u16string_view(u"a;\0\0b", 5), u";"), (Pieces{u"a", u"b"}));
}

TEST(AddMetaDataWContainer, StoresEachPieceUnderTheKey) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.subject", MakeBstr(u"red;green,blue").get(), u";,"),
              1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.subject")->typeId(), Exiv2::xmpBag);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.subject")->toString(), "red, green, blue");
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.subject", MakeBstr(u"").get(), u";"), 1);
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.subject", nullptr, u";"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.subject")->count(), 3);
    EXPECT_TRUE(h->deletedKeys.empty());

    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.photoshop.Headline", MakeBstr(u"a;b").get(), u";"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.photoshop.Headline")->toString(), "b");  // a plain property keeps the last
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.photoshop.City", MakeBstr(u"a;b").get(), nullptr), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.photoshop.City")->toString(), "a;b");

    // A piece Exiv2 refuses stops the loop; the pieces before it stay.
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.title", MakeBstr(u"first|lang=\"x|third").get(), u"|"),
              0);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "first");
    EXPECT_EQ(AddMetaDataWContainer(nullptr, "Xmp.dc.subject", MakeBstr(u"x").get(), u";"), 0);
    EXPECT_EQ(AddMetaDataWContainer(h, nullptr, MakeBstr(u"x").get(), u";"), 0);
}

TEST(AddMetaDataWide, TracesKeyAndValueThenStores) {
    test::HandlePtr handle = test::EmptyHandle();
    MetaHandle* h = handle.get();
    test::TraceCapture trace;
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.title", u"x"), 1);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Xmp.dc.title", "x", "\n"}));
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "x");
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.title", nullptr), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title"), nullptr);
    EXPECT_EQ(h->deletedKeys.count("Xmp.dc.title"), 1u);
    // A key character outside code page 0 reaches Exiv2 as "?".
    trace.Clear();
    EXPECT_EQ(AddMetaDataWide(h, u"Exif.Image.Art\u0131st", u"Caf\u00e9"), 0);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Exif.Image.Art?st", "Caf\xE9", "\n"}));
    trace.Clear();
    EXPECT_EQ(AddMetaDataWide(nullptr, u"Xmp.dc.title", u"x"), 0);
    EXPECT_EQ(AddMetaDataWide(h, nullptr, u"x"), 0);
    EXPECT_TRUE(trace.pieces().empty());
}

}  // namespace
}  // namespace lumenmeta
