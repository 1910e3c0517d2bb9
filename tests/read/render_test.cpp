// The rendering pieces that fixtures cannot reach through the exports.
#include "read/render.h"
#include "read/user_comment.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

TEST(Render, TrailingDecimalZerosAreTrimmedAfterADigitOnly) {
    EXPECT_EQ(TrimDecimalZeros(u"2.000000"), u"2.0");
    EXPECT_EQ(TrimDecimalZeros(u"123.456700"), u"123.4567");
    EXPECT_EQ(TrimDecimalZeros(u"-0.500000"), u"-0.5");
    EXPECT_EQ(TrimDecimalZeros(u"100"), u"100");  // never the first three characters
    EXPECT_EQ(TrimDecimalZeros(u"1000"), u"100");
    EXPECT_EQ(TrimDecimalZeros(u"0.333333"), u"0.333333");
}

TEST(Render, DecimalRenderingOfRationalProperties) {
    // float(2147483647) / 1 is 2147483648: "%f" of it reads back exactly, so
    // the single-precision text stands, untrimmed.
    Exiv2::XmpTextValue big("2147483647/1");
    EXPECT_EQ(DecimalOfRationalProperty(big), u"2147483648.000000");
    // 1/3 in single precision is 0.3333333433: six decimals lose more than
    // 1e-7, so the exact fraction is rendered.
    Exiv2::XmpTextValue third("1/3");
    EXPECT_EQ(DecimalOfRationalProperty(third), u"0.333333");
    Exiv2::XmpTextValue zero("5/0");
    EXPECT_EQ(DecimalOfRationalProperty(zero), u"0.000000");
}

TEST(Render, CommentPrefixesAndLanguageEntries) {
    EXPECT_EQ(StripCommentCharset(u"charset=\"Ascii\" Hi"), u"Hi");
    EXPECT_EQ(StripCommentCharset(u"x charset=\"Ascii\" Hi \" there"), u"Hi \" there");
    EXPECT_EQ(StripCommentCharset(u"charset=\"Ascii"), u"charset=\"Ascii");
    EXPECT_EQ(StripCommentCharset(u"charset=Ascii Hi"), u" Hi");
    EXPECT_EQ(StripCommentCharset(u"charset=Unicode Hi"), u"Hi");
    EXPECT_EQ(StripCommentCharset(u"charset=Jis Hi"), u"charset=Jis Hi");
    EXPECT_EQ(ClassifyUserComment("charset=\"Unicode\" x"), UserCommentText::Utf8);
    EXPECT_EQ(ClassifyUserComment("charset=Unicode x"), UserCommentText::Utf8);
    EXPECT_EQ(ClassifyUserComment("charset=Ascii x"), UserCommentText::Ansi);
    EXPECT_EQ(ClassifyUserComment(" binary comment"), UserCommentText::Ansi);
    EXPECT_EQ(ClassifyUserComment("binary comment"), UserCommentText::Rejected);

    EXPECT_EQ(KeepDefaultLanguage(u"lang=\"de-DE\" Hallo, lang=\"x-default\" Hello"), u"Hello");
    EXPECT_EQ(KeepDefaultLanguage(u"lang=\"x-default\" A, lang=\"de\" B, lang=\"fr\" C"), u"A");
    EXPECT_EQ(KeepDefaultLanguage(u"lang=\"x-default\"Hello"), u"lang=\"x-default\"Hello");
}

}  // namespace
}  // namespace lumenmeta
