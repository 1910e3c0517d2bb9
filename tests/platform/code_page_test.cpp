#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace lumenmeta {
namespace {

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(CodePage, KnownByteSequencesBothWays) {
    const std::u16string cafe = u"Caf\u00e9";
    EXPECT_EQ(CodePageFromWide(cafe, kCodePageAnsi), Bytes({0x43, 0x61, 0x66, 0xE9}));
    EXPECT_EQ(CodePageFromWide(cafe, kCodePageUtf8), Bytes({0x43, 0x61, 0x66, 0xC3, 0xA9}));
    EXPECT_EQ(WideFromCodePage(Bytes({0x43, 0x61, 0x66, 0xE9}), kCodePageAnsi), cafe);
    EXPECT_EQ(WideFromCodePage(Bytes({0x43, 0x61, 0x66, 0xC3, 0xA9}), kCodePageUtf8), cafe);

    EXPECT_EQ(CodePageFromWide(u"\u20ac", kCodePageAnsi), Bytes({0x80}));
    EXPECT_EQ(WideFromCodePage(Bytes({0x80}), kCodePageAnsi), u"\u20ac");
    EXPECT_EQ(CodePageFromWide(u"\u20ac", kCodePageUtf8), Bytes({0xE2, 0x82, 0xAC}));

    // Four-byte UTF-8 becomes a surrogate pair and back.
    const std::string grin = Bytes({0xF0, 0x9F, 0x98, 0x80});
    EXPECT_EQ(WideFromCodePage(grin, kCodePageUtf8), u"\U0001F600");
    EXPECT_EQ(CodePageFromWide(u"\U0001F600", kCodePageUtf8), grin);

    // Zero bytes are converted like any other.
    EXPECT_EQ(WideFromCodePage(std::string("a\0b", 3), kCodePageUtf8), std::u16string(u"a\0b", 3));
}

TEST(CodePage, Windows1252TableAndUnassignedBytes) {
    // Every byte decodes and encodes back to itself, the five unassigned
    // bytes included.
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::u16string wide = WideFromCodePage(one, kCodePageAnsi);
        ASSERT_EQ(wide.size(), 1u);
        EXPECT_EQ(CodePageFromWide(wide, kCodePageAnsi), one) << byte;
    }
    EXPECT_EQ(WideFromCodePage(Bytes({0x81, 0x8D, 0x8F, 0x90, 0x9D}), kCodePageAnsi),
              u"\u0081\u008d\u008f\u0090\u009d");
    EXPECT_EQ(WideFromCodePage(Bytes({0x8A, 0x9F, 0x99}), kCodePageAnsi), u"\u0160\u0178\u2122");
}

TEST(CodePage, CharactersOutsideWindows1252BecomeOneQuestionMarkEach) {
    EXPECT_EQ(CodePageFromWide(u"a\u0100b", kCodePageAnsi), "a?b");
    EXPECT_EQ(CodePageFromWide(u"\u65e5\u672c", kCodePageAnsi), "??");
    // A C1 control that Windows-1252 maps elsewhere has no byte of its own.
    EXPECT_EQ(CodePageFromWide(u"\u0080\u0085", kCodePageAnsi), "??");
    // A surrogate pair is one code point; a lone surrogate is one too.
    EXPECT_EQ(CodePageFromWide(u"x\U0001F600y", kCodePageAnsi), "x?y");
    EXPECT_EQ(CodePageFromWide(std::u16string(1, char16_t(0xD800)), kCodePageAnsi), "?");
}

TEST(CodePage, InvalidUtf8ReplacesEachMaximalSubpart) {
    const std::u16string one = u"\ufffd";
    EXPECT_EQ(WideFromCodePage(Bytes({0xC0, 0x80}), kCodePageUtf8), one + one);
    EXPECT_EQ(WideFromCodePage(Bytes({0xED, 0xA0, 0x80}), kCodePageUtf8), one + one + one);
    EXPECT_EQ(WideFromCodePage(Bytes({0xE2, 0x82}), kCodePageUtf8), one);
    EXPECT_EQ(WideFromCodePage(Bytes({'a', 0xE2, 0x82, 'b'}), kCodePageUtf8), u"a" + one + u"b");
    EXPECT_EQ(WideFromCodePage(Bytes({0xF4, 0x90, 0x80, 0x80}), kCodePageUtf8),
              one + one + one + one);
    EXPECT_EQ(WideFromCodePage(Bytes({0xF0, 0x9F, 0x98}), kCodePageUtf8), one);
    EXPECT_EQ(WideFromCodePage(Bytes({0xFF, 'z'}), kCodePageUtf8), one + u"z");
    EXPECT_EQ(WideFromCodePage(Bytes({0x80, 0xBF}), kCodePageUtf8), one + one);
}

TEST(CodePage, LoneSurrogatesEncodeAsReplacementInUtf8) {
    const std::u16string lone = {u'a', char16_t(0xDC00), u'b', char16_t(0xD83D)};
    EXPECT_EQ(CodePageFromWide(lone, kCodePageUtf8),
              Bytes({'a', 0xEF, 0xBF, 0xBD, 'b', 0xEF, 0xBF, 0xBD}));
}

TEST(CodePage, OtherCodePagesAreRefused) {
    EXPECT_THROW(WideFromCodePage("a", 1252), std::invalid_argument);
    EXPECT_THROW(CodePageFromWide(u"a", 437), std::invalid_argument);
}

}  // namespace
}  // namespace lumenmeta
