#include "lumenmeta.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(OleString, LengthPrefixTerminatorAndOwnership) {
    const char16_t withZero[] = u"ab\0cd";
    const std::pair<BSTR, std::u16string> cases[] = {
        {SysAllocString(withZero), u"ab"},                              // up to the first zero unit
        {SysAllocStringLen(withZero, 5), std::u16string(withZero, 5)},  // zero units kept
        {SysAllocStringLen(nullptr, 3), std::u16string(3, u'\0')},
    };
    for (const auto& [text, units] : cases) {
        uint32_t bytes = 0;  // the 4 bytes just before the text
        std::memcpy(&bytes, reinterpret_cast<char*>(text) - 4, 4);
        EXPECT_EQ(bytes, 2 * units.size());
        EXPECT_EQ(SysStringLen(text), units.size());
        EXPECT_EQ(std::u16string(text, units.size() + 1), units + u'\0');
        // A host may free the block itself: malloc'd, sizeof(void*) bytes before the text.
        std::free(reinterpret_cast<char*>(text) - sizeof(void*));
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // the byte count overflows
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

}  // namespace
