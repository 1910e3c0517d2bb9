#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/handle_state.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"
#include "support/working_set.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;
using namespace std::string_literals;

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
        {"Xmp.exif.ExposureTime", u"56/10", "56/10"},
        {"Iptc.Application2.Caption", u"Caf\u00e9 \u20ac\u6f22", "Caf\xE9 \x80?"},
        {"Exif.Image.Artist", u"Caf\u00e9", "Caf\xC3\xA9\0"s},
        {"Exif.Image.XResolution", u"72/1", "\x48\0\0\0\x01\0\0\0"s},
        {"Exif.Image.XPTitle", u"Hi\u00e9", "H\0i\0\xE9\0\0\0"s},
        {"Exif.Image.Model", u"ab\0cd"s, "ab\0"s},  // a zero unit ends the value
    };
    for (const auto& [key, value, stored] : cases) {
        EXPECT_EQ(AddMetaDataW(h, key, MakeBstr(value).get()), 1) << key;
    }
    TempDir dir;
    const FileMetadata file =
        ReadBack(FixtureImage{h->exifData, h->iptcData, h->xmpData}.WriteTo(dir.File("set.jpg")));
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
    // An empty or NULL value clears the key and records it, present or not;
    // a key Exiv2 rejects, a NULL handle or a NULL key change nothing.
    const BstrPtr empty = MakeBstr(u""), text = MakeBstr(u"v");
    const std::tuple<MetaHandle*, const char*, BSTR, int> more[] = {
        {h, "Xmp.dc.title", empty.get(), 1}, {h, "Exif.Image.Software", nullptr, 1},
        {h, "XMP.dc.title", text.get(), 0},  {h, "Exif.Image.NoSuchTag", text.get(), 0},
        {h, "", text.get(), 0},              {h, nullptr, text.get(), 0},
        {nullptr, "Xmp.dc.title", text.get(), 0}};
    for (const auto& [target, key, value, result] : more) {
        EXPECT_EQ(AddMetaDataW(target, key, value), result) << (key ? key : "(null)");
    }
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Xmp.dc.title", "Exif.Image.Software"}));
    EXPECT_EQ(h->exifData.count() + h->iptcData.count() + h->xmpData.count(), 8);
}

TEST(AddMetaDataWContainer, StoresEachPieceUnderTheKey) {
    const std::tuple<const char*, std::u16string, const char16_t*, int, const char*> cases[] = {
        {"Xmp.dc.subject", u"red;green,blue;", u";,", 1, "red, green, blue;"},  // a lone last one stays
        {"Xmp.dc.subject", u"a;;b", u";", 1, "a, ;b"},  // so does a separator opening a piece
        {"Xmp.dc.subject", u"a\0b;\0\0c"s, u";", 1, "a, b, c"},  // zero units end pieces
        {"Xmp.photoshop.City", u"a;b", nullptr, 1, "a;b"},
        {"Xmp.photoshop.City", u"a;b", u";", 1, "b"},  // a plain property keeps the last
        {"Xmp.photoshop.City", u"", u";", 1, "<none>"},
        {"Xmp.dc.title", u"one|lang=\"x|three", u"|", 0, "lang=\"x-default\" one"},  // stops there
    };
    for (const auto& [key, items, separators, result, stored] : cases) {
        HandlePtr handle = EmptyHandle();
        EXPECT_EQ(AddMetaDataWContainer(handle.get(), key, MakeBstr(items).get(), separators), result);
        const Exiv2::Xmpdatum* found = FindXmp(*handle, key);
        EXPECT_EQ(found ? found->toString() : "<none>", stored);
        EXPECT_TRUE(handle->deletedKeys.empty());
    }
    HandlePtr handle = EmptyHandle();
    const BstrPtr text = MakeBstr(u"x");
    EXPECT_EQ(AddMetaDataWContainer(handle.get(), "Xmp.dc.title", nullptr, u";"), 1);
    EXPECT_EQ(AddMetaDataWContainer(nullptr, "Xmp.dc.title", text.get(), u";") +
                  AddMetaDataWContainer(handle.get(), nullptr, text.get(), u";"),
              0);
}

TEST(AddMetaDataWide, TracesKeyAndValueThenStores) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    TraceCapture trace;
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.title", u"x") + AddMetaDataWide(h, u"Xmp.dc.rights", nullptr),
              2);
    // A key character outside code page 0 reaches Exiv2 as "?".
    EXPECT_EQ(AddMetaDataWide(h, u"Exif.Image.Art\u0131st", u"Caf\u00e9"), 0);
    EXPECT_EQ(AddMetaDataWide(nullptr, u"Xmp.dc.title", u"y") + AddMetaDataWide(h, nullptr, u"y"), 0);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Xmp.dc.title", "x", "\n", "Xmp.dc.rights", "",
                                                        "\n", "Exif.Image.Art?st", "Caf\xE9", "\n"}));
    EXPECT_EQ(FindXmp(*h, "Xmp.dc.title")->toString(0), "x");
    EXPECT_EQ(h->deletedKeys, std::set<std::string>{"Xmp.dc.rights"});
}

TEST(ClearMetaData, ErasesEveryDatumOfTheKeyAndRecordsIt) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->iptcData = SampleFixture().iptc;  // a caption and two keywords
    const std::tuple<MetaHandle*, const char*, int> clears[] = {
        {h, "Iptc.Application2.Keywords", 2}, {h, "Iptc.Application2.Keywords", 0},
        {h, "Xmp.dc.format", 0},  // absent: recorded all the same
        {h, "xmp.dc.format", -1}, {h, "Exif.Image.NoSuchTag", -1}, {h, "Iptc.Application2", -1},
        {h, nullptr, -1},         {nullptr, "Xmp.dc.format", -1}};
    for (const auto& [target, key, erased] : clears) EXPECT_EQ(ClearMetaData(target, key), erased);
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Iptc.Application2.Keywords", "Xmp.dc.format"}));
    EXPECT_EQ(KeysOf(h->iptcData), std::vector<std::string>{"Iptc.Application2.Caption"});
}

}  // namespace
}  // namespace lumenmeta
