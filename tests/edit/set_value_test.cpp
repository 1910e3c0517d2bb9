#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;
using namespace std::string_literals;

int Set(MetaHandle* handle, const char* key, const std::u16string& value) {
    return AddMetaDataW(handle, key, MakeBstr(value).get());
}

TEST(AddMetaDataW, StoresEachFamilyInItsOwnForm) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->iptcCodePage = 65001;  // IPTC is stored in Windows-1252 all the same
    const std::tuple<const char*, std::u16string, std::string> cases[] = {
        // key, value set, what Exiv2 reads back from a file (XMP as text, others as bytes)
        {"Xmp.dc.title", u"Caf\u00e9 \u20ac", "lang=\"x-default\" Caf\xC3\xA9 \xE2\x82\xAC"},
        {"Xmp.Lumenframe.Var", u"a", "a, b"},  // collected as items of one bag
        {"Xmp.Lumenframe.Var", u"b", "a, b"},
        {"Xmp.exif.fnumber", u"5.6", "5.6/1"},  // a rational key, case ignored
        {"Xmp.exif.FNumbers", u"5.6", "5.6"},   // whole keys only
        {"Xmp.exif.ExposureTime", u"56/10", "56/10"},
        {"Iptc.Application2.Caption", u"Caf\u00e9 \u20ac\u6f22", "Caf\xE9 \x80?"},
        {"Exif.Image.Artist", u"Caf\u00e9", "Caf\xC3\xA9\0"s},
        {"Exif.Image.XResolution", u"72/1", "\x48\0\0\0\x01\0\0\0"s},
        {"Exif.Image.XPTitle", u"Hi\u00e9", "H\0i\0\xE9\0\0\0"s},
        {"Exif.Image.Model", u"ab\0cd"s, "ab\0"s},  // a zero unit ends the value
    };
    for (const auto& [key, value, stored] : cases) EXPECT_EQ(Set(h, key, value), 1) << key;
    TempDir dir;
    FixtureImage image;
    image.exif = h->exifData;
    image.iptc = h->iptcData;
    image.xmp = h->xmpData;
    const FileMetadata file = ReadBack(image.WriteTo(dir.File("edited.jpg")));
    const auto onDisk = [](const auto& data, const auto& key, bool asText) {
        const auto found = data.findKey(key);
        return found == data.end() ? "<none>"s : asText ? found->toString() : RawBytes(*found);
    };
    for (const auto& [key, value, stored] : cases) {
        EXPECT_EQ(key[0] == 'X'   ? onDisk(file.xmp, Exiv2::XmpKey(key), true)
                  : key[0] == 'I' ? onDisk(file.iptc, Exiv2::IptcKey(key), false)
                                  : onDisk(file.exif, Exiv2::ExifKey(key), false),
                  stored)
            << key;
    }
    // An empty or NULL value clears the key and records it, present or not.
    EXPECT_EQ(Set(h, "Xmp.dc.title", u"") + AddMetaDataW(h, "Exif.Image.Software", nullptr), 2);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title"), nullptr);
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Xmp.dc.title", "Exif.Image.Software"}));
    const long count = h->xmpData.count() + h->exifData.count() + h->iptcData.count();
    for (const char* key : std::initializer_list<const char*>{
             "XMP.dc.title", "Xmp.nosuch.title", "Exif.Image.NoSuchTag", "Iptc.Application2",
             "Xmpdc.title", "", nullptr}) {
        EXPECT_EQ(Set(h, key, u"v"), 0) << (key ? key : "(null)");
    }
    EXPECT_EQ(Set(nullptr, "Xmp.dc.title", u"v"), 0);
    EXPECT_EQ(h->xmpData.count() + h->exifData.count() + h->iptcData.count(), count);
}

TEST(AddMetaDataWContainer, StoresEachPieceUnderTheKey) {
    const std::tuple<const char*, std::u16string, const char16_t*, const char*> cases[] = {
        {"Xmp.dc.subject", u"red;green,blue", u";,", "red, green, blue"},
        {"Xmp.dc.subject", u"a;;b", u";", "a, ;b"},  // a separator opening a piece stays
        {"Xmp.dc.subject", u"a;b;", u";", "a, b;"},  // so does one alone at the very end
        {"Xmp.dc.subject", u"a\0b;\0\0c"s, u";", "a, b, c"},  // zero units end pieces
        {"Xmp.dc.subject", u"a;b", nullptr, "a;b"},
        {"Xmp.photoshop.City", u"a;b", u";", "b"},  // a plain property keeps the last
        {"Xmp.photoshop.City", u"", u";", "<none>"},
    };
    for (const auto& [key, items, separators, stored] : cases) {
        HandlePtr handle = EmptyHandle();
        EXPECT_EQ(AddMetaDataWContainer(handle.get(), key, MakeBstr(items).get(), separators), 1);
        const Exiv2::Xmpdatum* found = FindXmp(*handle, key);
        EXPECT_EQ(found ? found->toString() : "<none>", stored);
        EXPECT_TRUE(handle->deletedKeys.empty());
    }
    // A piece Exiv2 refuses stops the loop; the pieces before it stay.
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.title", MakeBstr(u"one|lang=\"x|three").get(), u"|"), 0);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "one");
    EXPECT_EQ(AddMetaDataWContainer(h, "Xmp.dc.title", nullptr, u";"), 1);
    EXPECT_EQ(AddMetaDataWContainer(nullptr, "Xmp.dc.title", MakeBstr(u"x").get(), u";") +
                  AddMetaDataWContainer(h, nullptr, MakeBstr(u"x").get(), u";"),
              0);
}

TEST(AddMetaDataWide, TracesKeyAndValueThenStores) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    TraceCapture trace;
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.title", u"x"), 1);
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "x");
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.title", nullptr), 1);
    EXPECT_EQ(h->xmpData.count() + h->deletedKeys.count("Xmp.dc.title"), 1);
    // A key character outside code page 0 reaches Exiv2 as "?".
    EXPECT_EQ(AddMetaDataWide(h, u"Exif.Image.Art\u0131st", u"Caf\u00e9"), 0);
    EXPECT_EQ(AddMetaDataWide(nullptr, u"Xmp.dc.title", u"x") + AddMetaDataWide(h, nullptr, u"x"), 0);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Xmp.dc.title", "x", "\n", "Xmp.dc.title", "",
                                                        "\n", "Exif.Image.Art?st", "Caf\xE9", "\n"}));
}

TEST(ClearMetaData, ErasesEveryDatumOfTheKeyAndRecordsIt) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->iptcData = SampleFixture().iptc;  // a caption and two keywords
    h->xmpData["Xmp.dc.rights"] = "x";
    const std::pair<const char*, int> clears[] = {
        {"Iptc.Application2.Keywords", 2}, {"Iptc.Application2.Keywords", 0},
        {"Xmp.dc.format", 0},  // absent: recorded all the same
        {"xmp.dc.rights", -1}, {"Exif.Image.NoSuchTag", -1}, {"Iptc.Application2", -1}, {nullptr, -1},
    };
    for (const auto& [key, erased] : clears) EXPECT_EQ(ClearMetaData(h, key), erased) << key;
    EXPECT_EQ(ClearMetaData(nullptr, "Xmp.dc.rights"), -1);
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Iptc.Application2.Keywords", "Xmp.dc.format"}));
    EXPECT_EQ(h->iptcData.count() + h->xmpData.count(), 2);
}

}  // namespace
}  // namespace lumenmeta
