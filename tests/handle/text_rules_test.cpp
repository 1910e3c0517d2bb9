#include "handle/text_rules.h"

#include "lumenmeta.h"
#include "support/handle_ptr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace lumenmeta {
namespace {

using Handle = test::HandlePtr;

TEST(TextRules, WideKeysBecomeNarrowAnsiKeysCutAtTheFirstZero) {
    EXPECT_EQ(NarrowKeyFromWide(u"Exif.Image.Artist"), "Exif.Image.Artist");
    const char16_t withZero[] = {u'X', u'm', u'p', 0, u'x', 0};
    EXPECT_EQ(NarrowKeyFromWide(withZero), "Xmp");
    EXPECT_EQ(NarrowKeyFromWide(u"Xmp.dc.t\u00eftle"), "Xmp.dc.t\xEFtle");
    EXPECT_EQ(NarrowKeyFromWide(u"Xmp.dc.\u65e5"), "Xmp.dc.?");
}

TEST(TextRules, ValueTextIsConvertedByItsCodePageUpToItsFirstZero) {
    EXPECT_EQ(WideFromValueText("Caf\xC3\xA9", 65001), u"Caf\u00e9");
    EXPECT_EQ(WideFromValueText("Caf\xC3\xA9", 0), u"Caf\u00c3\u00a9");
    EXPECT_EQ(WideFromValueText("Caf\xE9", 0), u"Caf\u00e9");
    EXPECT_EQ(WideFromValueText(std::string("bin\0ary", 7), 0), u"bin");
    // L bytes of ASCII give exactly L units; invalid UTF-8 never gives more
    // units than bytes.
    EXPECT_EQ(WideFromValueText("harbour", 65001).size(), 7u);
    EXPECT_EQ(WideFromValueText("\xC0\x80\xE2\x82", 65001), u"\ufffd\ufffd\ufffd");
}

TEST(TextRules, IptcCodePageIsDetectedOnceAndKept) {
    Handle utf8(OpenMetaHandle(nullptr, 0));
    utf8->iptcData["Iptc.Application2.Caption"] = "Caf\xC3\xA9";
    EXPECT_EQ(IptcCodePage(*utf8), 65001);
    utf8->iptcData["Iptc.Application2.Caption"] = "Caf\xE9";  // edits do not reset it
    EXPECT_EQ(IptcCodePage(*utf8), 65001);

    Handle ansi(OpenMetaHandle(nullptr, 0));
    ansi->iptcData["Iptc.Application2.Caption"] = "Caf\xE9";
    EXPECT_EQ(IptcCodePage(*ansi), 0);
    EXPECT_EQ(ansi->iptcCodePage, 0);

    Handle marked(OpenMetaHandle(nullptr, 0));
    marked->iptcData["Iptc.Application2.Caption"] = "Caf\xE9";
    marked->iptcData["Iptc.Envelope.CharacterSet"] = "\x1b%G";
    EXPECT_EQ(IptcCodePage(*marked), 65001);
}

TEST(TextRules, ResultBstrEndsAtTheFirstZeroUnit) {
    BSTR whole = NewResultBstr(u"Harbour");
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(SysStringLen(whole), 7u);
    EXPECT_EQ(std::u16string(whole), u"Harbour");
    SysFreeString(whole);

    BSTR cut = NewResultBstr(std::u16string_view(u"ab\0cd", 5));
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(SysStringLen(cut), 2u);
    EXPECT_EQ(cut[2], 0);
    SysFreeString(cut);
}

TEST(TextRules, WideBufferIsFilledAsWcsncpy) {
    char16_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    CopyToWideBuffer(u"abc", buffer, 6);
    EXPECT_EQ(std::u16string(buffer, 8), std::u16string(u"abc\0\0\0##", 8));

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    CopyToWideBuffer(u"abcdef", buffer, 6);  // fills it: no terminator
    EXPECT_EQ(std::u16string(buffer, 8), u"abcdef##");

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    CopyToWideBuffer(u"abcdefgh", buffer, 4);
    EXPECT_EQ(std::u16string(buffer, 8), u"abcd####");

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    CopyToWideBuffer(u"abc", buffer, 0);
    CopyToWideBuffer(u"abc", buffer, -3);
    EXPECT_EQ(std::u16string(buffer, 8), u"########");
}

TEST(TextRules, NarrowBuffersForExifXmpAndIptc) {
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    CopyTextToNarrowBuffer("abc", buffer, 6);
    EXPECT_EQ(std::string(buffer, 8), std::string("abc\0\0\0##", 8));
    std::memset(buffer, '#', sizeof(buffer));
    CopyTextToNarrowBuffer("abcdefgh", buffer, 6);
    EXPECT_EQ(std::string(buffer, 8), "abcdef##");

    // IPTC: always terminated; the caller's buffer holds size + 1 bytes.
    std::memset(buffer, '#', sizeof(buffer));
    CopyIptcTextToBuffer("Hello", buffer, 4);
    EXPECT_EQ(std::string(buffer, 8), std::string("Hell\0###", 8));
    std::memset(buffer, '#', sizeof(buffer));
    CopyIptcTextToBuffer("Hi", buffer, 6);
    EXPECT_EQ(std::string(buffer, 8), std::string("Hi\0#####", 8));
    std::memset(buffer, '#', sizeof(buffer));
    CopyIptcTextToBuffer("Hi", buffer, 0);
    EXPECT_EQ(std::string(buffer, 8), std::string("\0#######", 8));
    // The text ends at its first zero byte: nothing after it is copied.
    std::memset(buffer, '#', sizeof(buffer));
    CopyIptcTextToBuffer(std::string_view("Hi\0yo", 5), buffer, 6);
    EXPECT_EQ(std::string(buffer, 8), std::string("Hi\0#####", 8));
}

TEST(TextRules, ValuesChooseTextOrLittleEndianBinary) {
    char buffer[16];
    Exiv2::UShortValue shorts;
    shorts.read("1 258");  // 4 bytes: fits a buffer of 8 as binary
    std::memset(buffer, '#', sizeof(buffer));
    CopyValueToNarrowBuffer(shorts, buffer, 8);
    EXPECT_EQ(std::string(buffer, 8), std::string("\x01\x00\x02\x01####", 8));

    // A binary form that does not fit goes as text instead.
    std::memset(buffer, '#', sizeof(buffer));
    CopyValueToNarrowBuffer(shorts, buffer, 4);
    EXPECT_EQ(std::string(buffer, 5), "1 25#");

    Exiv2::URationalValue rational;
    rational.read("72/1");
    std::memset(buffer, '#', sizeof(buffer));
    CopyValueToNarrowBuffer(rational, buffer, 16);
    EXPECT_EQ(std::string(buffer, 9), std::string("\x48\0\0\0\x01\0\0\0#", 9));

    Exiv2::AsciiValue ascii("LX-1");
    std::memset(buffer, '#', sizeof(buffer));
    CopyValueToNarrowBuffer(ascii, buffer, 8);
    EXPECT_EQ(std::string(buffer, 9), std::string("LX-1\0\0\0\0#", 9));

    Exiv2::XmpTextValue xmp("dawn");  // XMP copies its text, unterminated
    std::memset(buffer, '#', sizeof(buffer));
    CopyValueToNarrowBuffer(xmp, buffer, 8);
    EXPECT_EQ(std::string(buffer, 6), "dawn##");
}

}  // namespace
}  // namespace lumenmeta
