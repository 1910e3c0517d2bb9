// Lists grow from what the file holds in either family: an added keyword
// joins the keywords the photo holds only in IPTC or only in XMP; a list the
// host cleared first is replaced; an IPTC item the host replaced stays
// replaced.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumenmeta {
namespace {

using namespace test;

TEST(ListJoin, AnAddedItemJoinsWhatEitherFamilyHolds) {
    struct Case {
        const char* what;
        Texts iptc, xmp;  // keywords; subjects
        std::function<void(MetaHandle*)> edit;
        Texts expected;
    };
    const auto addSubject = [](MetaHandle* h) { Set(h, "Xmp.dc.subject", u"harbour"); };
    const Case cases[] = {
        {"keywords in IPTC only, one XMP subject added",
         {"Iptc.Application2.Keywords=nothing, really", "Iptc.Application2.Keywords=Eva"}, {}, addSubject,
         {"Iptc.Application2.Keywords=nothing, really|Eva|harbour", "Xmp.dc.subject=nothing, really, Eva, harbour"}},
        {"subjects in XMP only, one IPTC keyword set",
         {}, {"a", "b"},
         [](MetaHandle* h) { Set(h, "Iptc.Application2.Keywords", u"c"); },
         {"Iptc.Application2.Keywords=a|b|c", "Xmp.dc.subject=a, b, c"}},
        {"both families agree: the added item reaches both, nothing repeated",
         {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"}, {"a", "b"},
         addSubject, {"Iptc.Application2.Keywords=a|b|harbour", "Xmp.dc.subject=a, b, harbour"}},
        {"the IPTC setter replaces the first keyword, in the join too",
         {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=b"}, {"a", "b"},
         [](MetaHandle* h) { Set(h, "Iptc.Application2.Keywords", u"z"); },
         {"Iptc.Application2.Keywords=z|b", "Xmp.dc.subject=z, b"}},
        {"a list cleared before adding is replaced in both families",
         {"Iptc.Application2.Keywords=a", "Iptc.Application2.Keywords=old"}, {"a", "b"},
         [](MetaHandle* h) {
             EXPECT_EQ(ClearMetaData(h, "Xmp.dc.subject"), 1);
             Set(h, "Xmp.dc.subject", u"a");
         },
         {"Iptc.Application2.Keywords=a", "Xmp.dc.subject=a"}},
        {"an IPTC keyword is the XMP subject cut to 64 bytes: not joined twice",
         {"Iptc.Application2.Keywords=" + std::string(64, 'k')}, {std::string(70, 'k')},
         addSubject,
         {"Iptc.Application2.Keywords=" + std::string(64, 'k') + "|harbour",
          "Xmp.dc.subject=" + std::string(70, 'k') + ", harbour"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureImage fixture;
        Fill(fixture.iptc, c.iptc);
        if (!c.xmp.empty()) {
            Exiv2::XmpArrayValue bag(Exiv2::xmpBag);
            for (const std::string& item : c.xmp) bag.read(item);
            fixture.xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &bag);
        }
        ExpectOnDisk(ReadBack(WriteInPlace(dir, fixture, c.edit)), c.expected);
    }
}

}  // namespace
}  // namespace lumenmeta
