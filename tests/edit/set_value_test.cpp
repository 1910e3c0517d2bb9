#include "lumenmeta.h"

#include "edit/xmp_property_name.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace test;
using namespace std::string_literals;

std::string Stored(const MetaHandle& h, const std::string& key) {  // XMP as text, others as bytes
    if (key[0] == 'X') return Find(h.xmpData, key) ? Find(h.xmpData, key)->toString() : "-";
    if (key[0] == 'I') return Find(h.iptcData, key) ? RawBytes(*Find(h.iptcData, key)) : "-";
    return Find(h.exifData, key) ? RawBytes(*Find(h.exifData, key)) : "-";
}

TEST(AddMetaDataW, StoresEachFamilyInItsOwnFormAndClearsOnEmpty) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->iptcCodePage = 65001;  // IPTC declared UTF-8: its text is stored as UTF-8
    const std::tuple<const char*, std::u16string, std::string> cases[] = {
        {"Xmp.dc.title", u"Caf\u00e9 \u20ac", "lang=\"x-default\" Caf\xC3\xA9 \xE2\x82\xAC"},
        {"Xmp.Lumenframe.Var", u"a", "a"},
        {"Xmp.Lumenframe.Var", u"b", "a, b"},  // collected as items of one bag
        {"Xmp.exif.fnumber", u"5.6", "5.6/1"},  // a rational key, case ignored
        {"Xmp.exif.ExposureTime", u"56/10", "56/10"},
        {"Iptc.Application2.Caption", u"Caf\u00e9 \u20ac\u6f22", "Caf\xC3\xA9 \xE2\x82\xAC\xE6\xBC\xA2"},
        {"Exif.Image.Artist", u"Caf\u00e9", "Caf\xC3\xA9\0"s},
        {"Exif.Image.XResolution", u"72/1", "\x48\0\0\0\x01\0\0\0"s},
        {"Exif.Image.XPTitle", u"Hi\u00e9", "H\0i\0\xE9\0\0\0"s},
        {"Exif.Image.Model", u"ab\0cd"s, "ab\0"s},  // a zero unit ends the value
        {"Xmp.dc.title", u"", "-"},                 // empty: cleared and recorded
        {"Exif.Image.Software", u"", "-"},          // also when absent
    };
    for (const auto& [key, value, stored] : cases) {
        EXPECT_EQ(AddMetaDataW(h, key, MakeBstr(value).get()), 1) << key;
        EXPECT_EQ(Stored(*h, key), stored) << key;
    }
    // IPTC not declared UTF-8: Windows-1252 where it can hold the text.
    h->iptcCodePage = 0;
    for (const auto& [value, stored] : {std::pair{u"Caf\u00e9", "Caf\xE9"},
                                        std::pair{u"\u0141\u00f3d\u017a", "\xC5\x81\xC3\xB3" "d\xC5\xBA"}}) {
        EXPECT_EQ(AddMetaDataW(h, "Iptc.Application2.City", MakeBstr(value).get()), 1);
        EXPECT_EQ(Stored(*h, "Iptc.Application2.City"), stored);
    }
    ClearMetaData(h, "Iptc.Application2.City");
    // A NULL value clears too; a key Exiv2 rejects, a NULL handle or key change nothing.
    const BstrPtr text = MakeBstr(u"v");
    const std::tuple<MetaHandle*, const char*, BSTR, int> more[] = {
        {h, "Exif.Image.Model", nullptr, 1},    {h, "XMP.dc.title", text.get(), 0},
        {h, "Exif.Image.NoSuchTag", text.get(), 0}, {h, "", text.get(), 0},
        {h, nullptr, text.get(), 0},            {nullptr, "Xmp.dc.title", text.get(), 0}};
    for (const auto& [target, key, value, result] : more) {
        EXPECT_EQ(AddMetaDataW(target, key, value), result) << (key ? key : "(null)");
    }
    // The wide form: key and value converted through code page 0 (the key's
    // "?" included) and traced as UTF-8.
    TraceCapture trace;
    EXPECT_EQ(AddMetaDataWide(h, u"Exif.Image.Art\u0131st", u"Caf\u00e9"), 0);
    EXPECT_EQ(AddMetaDataWide(h, u"Xmp.dc.rights", nullptr) + AddMetaDataWide(h, nullptr, u"y") +
                  AddMetaDataWide(nullptr, u"Xmp.dc.title", u"y"), 1);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{"Exif.Image.Art?st", "Caf\xC3\xA9", "\n",
                                                        "Xmp.dc.rights", "", "\n"}));
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Xmp.dc.title", "Exif.Image.Software",
                                                     "Exif.Image.Model", "Xmp.dc.rights",
                                                     "Iptc.Application2.City"}));
    EXPECT_EQ(h->exifData.count() + h->iptcData.count() + h->xmpData.count(), 7);
}

TEST(AddMetaDataWContainer, StoresEachPieceUnderTheKey) {
    const std::tuple<const char*, std::u16string, const char16_t*, int, const char*> cases[] = {
        {"Xmp.dc.subject", u"red;green,blue;", u";,", 1, "red, green, blue;"},  // a lone last stays
        {"Xmp.dc.subject", u"a;;b", u";", 1, "a, ;b"},  // so does a separator opening a piece
        {"Xmp.dc.subject", u"a\0b;\0\0c"s, u";", 1, "a, b, c"},  // zero units end pieces
        {"Xmp.photoshop.City", u"a;b", nullptr, 1, "a;b"},
        {"Xmp.photoshop.City", u"a;b", u";", 1, "b"},  // a plain property keeps the last
        {"Xmp.dc.title", u"one|lang=\"x|three", u"|", 0, "lang=\"x-default\" one"},  // stops there
    };
    for (const auto& [key, items, cut, result, stored] : cases) {
        HandlePtr handle = EmptyHandle();
        EXPECT_EQ(AddMetaDataWContainer(handle.get(), key, MakeBstr(items).get(), cut), result);
        EXPECT_EQ(Stored(*handle, key), stored);
        EXPECT_TRUE(handle->deletedKeys.empty());
    }
    HandlePtr handle = EmptyHandle();
    EXPECT_EQ(AddMetaDataWContainer(handle.get(), "Xmp.dc.title", nullptr, u";"), 1);
    EXPECT_EQ(AddMetaDataWContainer(nullptr, "Xmp.dc.title", nullptr, u";") +
                  AddMetaDataWContainer(handle.get(), nullptr, nullptr, u";"), 0);
}

TEST(ClearMetaData, ErasesEveryDatumOfTheKeyAndRecordsIt) {
    HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    h->iptcData = SampleFixture().iptc;  // a caption and two keywords
    EXPECT_EQ(ClearMetaData(h, "Iptc.Application2.Keywords"), 2);
    EXPECT_EQ(ClearMetaData(h, "Xmp.dc.type"), 0);  // absent: recorded all the same
    EXPECT_EQ(ClearMetaData(h, "xmp.dc.type") + ClearMetaData(h, "Exif.Image.NoSuchTag") +
                  ClearMetaData(h, nullptr) + ClearMetaData(nullptr, "Xmp.dc.type"), -4);
    EXPECT_EQ(h->deletedKeys, (std::set<std::string>{"Iptc.Application2.Keywords", "Xmp.dc.type"}));
    EXPECT_EQ(KeysOf(h->iptcData), std::vector<std::string>{"Iptc.Application2.Caption"});
}

TEST(AddMetaDataW, AnXmpPropertyThatIsNoXmlNameIsRefusedAndTheOtherEditsReachTheFile) {
    const std::pair<const char*, bool> paths[] = {
        {"title", true}, {"Exif.Image.Artist", true}, {"_x-1.\xC3\xA9\xC2\xB7", true},
        {"History[1]/stEvt:action", true}, {"subject[last()]", true}, {"title/?xml:lang", true},
        {"title[?xml:lang=\"x-default\"]", true}, {"History[stEvt:action='saved']", true},
        {"1abc", false}, {"a<b", false}, {"", false}, {"a b", false}, {"x:y", false},
        {"a[1", false}, {"a[]", false}, {"a/", false}, {"-a", false}, {".a", false},
        {"\xC2\xB7" "a", false}, {"a\xC3", false}, {"a\xED\xA0\x80", false}, {"a[?b=\"c]", false},
        {"subject[2147483647]", true}, {"subject[0]", false}, {"subject[00]", false},
        {"subject[2147483648]", false}, {"subject[99999999999]", false},
        {"History[0]/stEvt:action", false},
    };
    for (const auto& [path, writable] : paths) {
        EXPECT_EQ(IsWritableXmpPropertyPath(path), writable) << path;
    }
    // Through the setters: 0 and a trace line, nothing stored; the typed
    // setters never take XMP keys. A valid edit still reaches the file.
    TempDir dir;
    const std::string path = SampleFixture().WriteTo(dir.File("image.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    MetaHandle* h = handle.get();
    TraceCapture trace;
    EXPECT_EQ(AddMetaDataW(h, "Xmp.dc.source", MakeBstr(u"Harbour").get()), 1);
    EXPECT_EQ(AddMetaDataW(h, "Xmp.dc.1abc", MakeBstr(u"v").get()) +
                  AddMetaDataWide(h, u"Xmp.dc.a<b", u"v") +
                  AddMetaDataWContainer(h, "Xmp.dc.1abc", MakeBstr(u"v;w").get(), u";"), 0);
    EXPECT_EQ(AddMeta(h, "Xmp.dc.1abc", "v", 0) + ModifyMetaDataValueAsString(h, "Xmp.dc.1abc", "v", 0),
              4);
    const std::vector<std::string> refused = {"Not an XML name in XMP key: ", "\n"};
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{
                                  refused[0], "Xmp.dc.1abc", refused[1], "Xmp.dc.a<b", "v", "\n",
                                  refused[0], "Xmp.dc.a<b", refused[1], refused[0], "Xmp.dc.1abc",
                                  refused[1]}));
    EXPECT_EQ(h->xmpData.count(), SampleFixture().xmp.count() + 1);
    ASSERT_EQ(WriteData(h, nullptr, 0, 0), 1);
    EXPECT_EQ(ValuesOf(ReadBack(path).xmp, "Xmp.dc.source"), Texts{"Harbour"});
}

// An array index the toolkit cannot take, or a field of an item that is no
// struct, makes the whole XMP packet fail at the write; such a key is refused
// when set, and the other edits, XMP ones too, reach the file.
TEST(AddMetaDataW, AnXmpKeyTheToolkitCannotWriteIsRefusedAndTheOtherEditsReachTheFile) {
    TempDir dir;
    const std::string path = SampleFixture().WriteTo(dir.File("image.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    MetaHandle* h = handle.get();
    TraceCapture trace;
    EXPECT_EQ(AddMetaDataW(h, "Xmp.dc.subject[0]", MakeBstr(u"zero").get()) +
                  AddMetaDataW(h, "Xmp.dc.subject[99999999999]", MakeBstr(u"far").get()) +
                  AddMetaDataW(h, "Xmp.dc.subject[1]/dc:x", MakeBstr(u"field").get()) +
                  AddMetaDataW(h, "Xmp.dc.title[1]/dc:x", MakeBstr(u"field").get()),
              0);
    EXPECT_EQ(trace.pieces(), (std::vector<std::string>{
                                  "XMP array index not from 1 to 2147483647 in key: ",
                                  "Xmp.dc.subject[0]", "\n",
                                  "XMP array index not from 1 to 2147483647 in key: ",
                                  "Xmp.dc.subject[99999999999]", "\n",
                                  "Field of an array item that is no struct in XMP key: ",
                                  "Xmp.dc.subject[1]/dc:x", "\n",
                                  "Field of an array item that is no struct in XMP key: ",
                                  "Xmp.dc.title[1]/dc:x", "\n"}));
    EXPECT_EQ(AddMetaDataW(h, "Xmp.dc.source", MakeBstr(u"Harbour").get()), 1);
    EXPECT_EQ(AddMetaDataW(h, "Exif.Image.Software", MakeBstr(u"Lumen").get()), 1);
    ASSERT_EQ(WriteData(h, nullptr, 0, 0), 1);
    const FileMetadata disk = ReadBack(path);
    EXPECT_EQ(ValuesOf(disk.xmp, "Xmp.dc.source"), Texts{"Harbour"});
    EXPECT_EQ(ValuesOf(disk.exif, "Exif.Image.Software"), Texts{"Lumen"});
    EXPECT_EQ(ValuesOf(disk.xmp, "Xmp.dc.subject"), ValuesOf(SampleFixture().xmp, "Xmp.dc.subject"));
}

}  // namespace
}  // namespace lumenmeta
