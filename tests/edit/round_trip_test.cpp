// Values set through the editing exports read back through the getters as
// the host set them, family by family, including the special paths.
#include "lumenmeta.h"

#include "support/handle_ptr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::BstrPtr;
using test::EmptyHandle;
using test::MakeBstr;

struct Read {
    int type;
    std::u16string text;
};

Read ReadW(MetaHandle* handle, const char* key, int index = 0, bool asDecimal = false) {
    BSTR value = nullptr;
    const int type = GetMetaDataW(handle, key, &value, index, asDecimal);
    Read read{type, value ? std::u16string(value, SysStringLen(value)) : u"<none>"};
    SysFreeString(value);
    return read;
}

int Set(MetaHandle* handle, const char* key, const std::u16string& text) {
    BstrPtr value = MakeBstr(text);
    return AddMetaDataW(handle, key, value.get());
}

TEST(RoundTrip, XmpVariablesAndRationals) {
    test::HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    for (const char16_t* item : {u"a", u"b", u"c"}) ASSERT_EQ(Set(h, "Xmp.Lumenframe.Var", item), 1);
    EXPECT_EQ(h->xmpData.count(), 1);
    for (int index = 0; index < 3; ++index) {
        const Read item = ReadW(h, "Xmp.Lumenframe.Var", index);
        EXPECT_EQ(item.type, 2);
        EXPECT_EQ(item.text, std::u16string(1, u'a' + index));
    }
    EXPECT_EQ(ReadW(h, "Xmp.Lumenframe.Var", 3).type, 0);

    ASSERT_EQ(Set(h, "Xmp.exif.FNumber", u"5.6"), 1);
    EXPECT_EQ(ReadW(h, "Xmp.exif.FNumber").text, u"5.6/1");
    ASSERT_EQ(Set(h, "Xmp.exif.ExposureTime", u"56/10"), 1);
    EXPECT_EQ(ReadW(h, "Xmp.exif.ExposureTime").text, u"56/10");
    EXPECT_EQ(ReadW(h, "Xmp.exif.ExposureTime", 0, true).text, u"5.600000");

    ASSERT_EQ(Set(h, "Xmp.dc.title", u"Hafen \u00e0 l'aube \u2603"), 1);  // UTF-8 both ways
    EXPECT_EQ(ReadW(h, "Xmp.dc.title").text, u"Hafen \u00e0 l'aube \u2603");
    EXPECT_EQ(ReadW(h, "Xmp.dc.title").type, 0x10009);
}

TEST(RoundTrip, ExifTextXpTagsAndIptc) {
    test::HandlePtr handle = EmptyHandle();
    MetaHandle* h = handle.get();
    ASSERT_EQ(Set(h, "Exif.Image.XPTitle", u"Hi"), 1);
    const Read title = ReadW(h, "Exif.Image.XPTitle");
    EXPECT_EQ(title.type, 1);
    EXPECT_EQ(title.text, u"Hi");
    unsigned char bytes[8] = {0};
    ASSERT_EQ(GetExifDataBinary(h, "Exif.Image.XPTitle", bytes, sizeof(bytes)), 6);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 6),
              (std::vector<unsigned char>{0x48, 0x00, 0x69, 0x00, 0x00, 0x00}));

    // Exif text is written as UTF-8 and read as Windows-1252.
    ASSERT_EQ(Set(h, "Exif.Image.Artist", u"Caf\u00e9"), 1);
    EXPECT_EQ(ReadW(h, "Exif.Image.Artist").text, u"Caf\u00c3\u00a9");

    // IPTC round-trips within Windows-1252; what it lacks becomes "?".
    ASSERT_EQ(Set(h, "Iptc.Application2.Caption", u"Caf\u00e9 \u2603 \u20ac"), 1);
    EXPECT_EQ(ReadW(h, "Iptc.Application2.Caption").text, u"Caf\u00e9 ? \u20ac");

    // A zero unit inside a value ends it.
    ASSERT_EQ(Set(h, "Xmp.dc.source", std::u16string(u"ab\0cd", 5)), 1);
    EXPECT_EQ(ReadW(h, "Xmp.dc.source").text, u"ab");

    // An empty value clears the key from every getter's view.
    ASSERT_EQ(Set(h, "Exif.Image.Artist", u""), 1);
    EXPECT_EQ(ReadW(h, "Exif.Image.Artist").type, 0);
    EXPECT_EQ(h->deletedKeys.count("Exif.Image.Artist"), 1u);
}

}  // namespace
}  // namespace lumenmeta
