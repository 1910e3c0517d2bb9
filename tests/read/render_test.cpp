// Rendering rules that no fixture value reaches through the exports.
#include "read/render.h"
#include "read/user_comment.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

TEST(Render, DecimalTrimmingLanguageEntriesAndCommentPrefixes) {
    EXPECT_EQ(TrimDecimalZeros(u"2.000000"), u"2.0");
    EXPECT_EQ(TrimDecimalZeros(u"-0.500000"), u"-0.5");
    EXPECT_EQ(TrimDecimalZeros(u"1000"), u"100");  // never the first three characters
    EXPECT_EQ(DecimalOfRationalProperty(Exiv2::XmpTextValue("1/3")), u"0.333333");
    EXPECT_EQ(DecimalOfRationalProperty(Exiv2::XmpTextValue("5/0")), u"0.000000");

    EXPECT_EQ(KeepDefaultLanguage(u"lang=\"de\" Hallo, lang=\"x-default\" Hi, lang=\"fr\" Salut"),
              u"Hi");
    EXPECT_EQ(KeepDefaultLanguage(u"lang=\"x-default\"Hi"), u"lang=\"x-default\"Hi");
    EXPECT_EQ(StripCommentCharset(u"x charset=\"Ascii\" Hi \" there"), u"Hi \" there");
    EXPECT_EQ(StripCommentCharset(u"charset=Unicode Hi"), u"Hi");
    EXPECT_EQ(ClassifyUserComment(" binary comment"), UserCommentText::Ansi);
}

}  // namespace
}  // namespace lumenmeta
