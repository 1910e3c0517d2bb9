#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

using namespace std::string_literals;

TEST(CodePage, ConvertsBothWaysAndReplacesWhatItCannot) {
    const std::tuple<int, std::string, std::u16string> cases[] = {
        // Windows-1252 unassigned bytes stand for the code point of their number.
        {kCodePageAnsi, "Caf\xE9\0\x80\x9F\x81\x9D"s, u"Caf\u00e9\0\u20ac\u0178\u0081\u009d"s},
        {kCodePageUtf8, "Caf\xC3\xA9\0\xF0\x9F\x98\x80"s, u"Caf\u00e9\0\U0001F600"s},
        // Ill-formed UTF-8: one U+FFFD for each maximal ill-formed subpart.
        {kCodePageUtf8, "\xC0\x80" "a\xE2\x82" "b", u"\ufffd\ufffd" "a\ufffd" "b"},
        {kCodePageUtf8, "\xED\xA0\x80\xF4\x90\x80\x80\xFF\xF0\x9F\x98", std::u16string(9, 0xFFFD)},
        // Either side of the surrogates: U+D7FF is a character, U+DFFF is not.
        {kCodePageUtf8, "\xED\x9F\xBF\xED\xBF\xBF", u"\ud7ff\ufffd\ufffd\ufffd"},
    };
    for (const auto& [codePage, bytes, wide] : cases) {
        EXPECT_EQ(WideFromCodePage(bytes, codePage), wide) << bytes;
        if (wide.find(u'\ufffd') == std::u16string::npos) {
            EXPECT_EQ(CodePageFromWide(wide, codePage), bytes);
        }
    }
    // The Windows-1252 table of 0x80-0x9F, each entry known.
    const std::u16string upper = u"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021"
                                 u"\u02c6\u2030\u0160\u2039\u0152\u008d\u017d\u008f"
                                 u"\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014"
                                 u"\u02dc\u2122\u0161\u203a\u0153\u009d\u017e\u0178";
    std::string bytes;
    for (int byte = 0x80; byte <= 0x9F; ++byte) bytes.push_back(char(byte));
    EXPECT_EQ(WideFromCodePage(bytes, kCodePageAnsi), upper);
    EXPECT_EQ(CodePageFromWide(upper, kCodePageAnsi), bytes);
    for (int byte = 1; byte < 256; ++byte) {  // every Windows-1252 byte is one unit, and back
        const std::u16string wide = WideFromCodePage(std::string(1, char(byte)), kCodePageAnsi);
        EXPECT_EQ(CodePageFromWide(wide, kCodePageAnsi), std::string(wide.size(), char(byte)));
    }
    // A lone surrogate is U+FFFD in UTF-8; Windows-1252 lacks all these (a pair is one "?").
    const std::u16string lone = {u'a', char16_t(0xDC00), u'b', char16_t(0xD83D)};
    EXPECT_EQ(CodePageFromWide(lone, kCodePageUtf8), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(CodePageFromWide(lone + u"\u0100\u65e5\u0080\U0001F600", kCodePageAnsi), "a?b?????");
}

}  // namespace
}  // namespace lumenmeta
