// A list the host cleared and set again is shrunk, not joined: the items the
// file held in the other family do not come back into it.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>

namespace lumenmeta {
namespace {

using namespace test;

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
