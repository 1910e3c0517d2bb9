#include "platform/wide_text.h"

#include <gtest/gtest.h>

#include <string>

namespace lumenmeta {
namespace {

TEST(WideText, FormatsNumbersAsPrintfDoesInTheCLocale) {
    EXPECT_EQ(FormatFixed(72), u"72.000000");
    EXPECT_EQ(FormatFixed(static_cast<double>(1.0f / 250.0f)), u"0.004000");
    EXPECT_EQ(FormatFixed(-2.5), u"-2.500000");
    EXPECT_EQ(FormatFixed(2.0 / 3.0, 6), u"0.666667");
    EXPECT_EQ(FormatInteger(-40), u"-40");
    EXPECT_EQ(FormatInteger(65535), u"65535");
}

TEST(WideText, ParsesTheLeadingNumberAsWtofDoes) {
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(u"  2.800000"), 2.8);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(u"+1.5mm"), 1.5);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(u"-0.25"), -0.25);
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(u"1e3"), 1000.0);
    EXPECT_EQ(ParseLeadingDouble(u"abc"), 0.0);
    EXPECT_EQ(ParseLeadingDouble(u""), 0.0);
    EXPECT_EQ(ParseLeadingDouble(u"\u0661"), 0.0);  // only ASCII digits count
}

TEST(WideText, LengthsStopAtTheFirstZeroUnit) {
    EXPECT_EQ(WideLength(u"abc"), 3u);
    EXPECT_EQ(WideLength(u""), 0u);
    const char16_t withZero[] = {u'a', 0, u'b', 0};
    EXPECT_EQ(WideLength(withZero), 1u);
    EXPECT_EQ(UpToFirstZero(std::u16string_view(withZero, 3)), u"a");
    EXPECT_EQ(UpToFirstZero(u"whole"), u"whole");
}

}  // namespace
}  // namespace lumenmeta
