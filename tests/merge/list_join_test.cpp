// Lists grow from what the file holds in either family: an added keyword
// joins the keywords the photo holds only in IPTC or only in XMP; a list the
// host cleared first is replaced; an IPTC item the host replaced stays
// replaced; a list the host cleared and set again shrinks in both
// families.
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

TEST(ListJoin, AListClearedThenSetShrinksInBothFamilies) {
    struct Case {
        const char* name;
        Texts subjects, keywords;  // the file's lists
        const char* cleared;
        std::function<int(MetaHandle*)> set;
        const char* xmp;  // Xmp.dc.subject on disk after the write
        Texts iptc;       // Iptc.Application2.Keywords on disk after the write
    };
    const auto wide = [](const char* key, const std::u16string& text) {
        return [key, text](MetaHandle* h) { return AddMetaDataW(h, key, MakeBstr(text).get()); };
    };
    const auto container = [](const char* key, const std::u16string& items) {
        return [key, items](MetaHandle* h) { return AddMetaDataWContainer(h, key, MakeBstr(items).get(), u";"); };
    };
    const Texts ab = {"a", "b"}, abc = {"a", "b", "c"};
    const Case cases[] = {
        {"one subject", ab, ab, "Xmp.dc.subject", wide("Xmp.dc.subject", u"a"), "a", {"a"}},
        {"subjects from a container", ab, ab, "Xmp.dc.subject", container("Xmp.dc.subject", u"a;c"), "a, c", {"a", "c"}},
        {"one keyword", ab, ab, "Iptc.Application2.Keywords", wide("Iptc.Application2.Keywords", u"a"), "a", {"a"}},
        // The other family holds an item more: it does not come back either.
        {"one subject, a keyword more", ab, abc, "Xmp.dc.subject", wide("Xmp.dc.subject", u"a"), "a", {"a"}},
        {"one keyword, a subject more", abc, ab, "Iptc.Application2.Keywords", wide("Iptc.Application2.Keywords", u"a"),
         "a", {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        FixtureImage fixture;
        for (const std::string& subject : c.subjects) fixture.xmp["Xmp.dc.subject"] = subject;
        for (const std::string& keyword : c.keywords) Fill(fixture.iptc, {"Iptc.Application2.Keywords=" + keyword});
        const std::string path = fixture.WriteTo(dir.File("photo.jpg"));
        {
            HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
            EXPECT_GE(ClearMetaData(handle.get(), c.cleared), 1);
            EXPECT_EQ(c.set(handle.get()), 1);
            EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
        }
        const FileMetadata file = ReadBack(path);
        EXPECT_EQ(ValuesOf(file.xmp, "Xmp.dc.subject"), Texts{c.xmp});
        EXPECT_EQ(ValuesOf(file.iptc, "Iptc.Application2.Keywords"), c.iptc);
    }
}


}  // namespace
}  // namespace lumenmeta
