#include "lumenmeta.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

TEST(OleString, LengthPrefixTerminatorAndOwnership) {
    const char16_t withZero[] = u"ab\0cd";
    const std::pair<BSTR, std::u16string> cases[] = {
        {SysAllocString(withZero), u"ab"},  // up to the first zero unit
        {SysAllocStringLen(withZero, 5), std::u16string(withZero, 5)},  // zero units kept
        {SysAllocStringLen(nullptr, 3), std::u16string(3, u'\0')},
        {SysAllocString(u""), u""},
    };
    for (const auto& [text, units] : cases) {
        ASSERT_NE(text, nullptr);
        uint32_t bytes = 0;  // the 4 bytes just before the text
        std::memcpy(&bytes, reinterpret_cast<char*>(text) - 4, 4);
        EXPECT_EQ(bytes, 2 * units.size());
        EXPECT_EQ(SysStringLen(text), units.size());
        EXPECT_EQ(std::u16string(text, units.size() + 1), units + u'\0');
        SysFreeString(text);
    }
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);  // the byte count overflows
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    // The block is malloc'd sizeof(void*) bytes before the text: a host may
    // free ours itself (as .NET's marshaller does on Unix) and pass us its own.
    std::free(reinterpret_cast<char*>(SysAllocString(u"host")) - sizeof(void*));
    char* block = static_cast<char*>(std::malloc(sizeof(void*) + 10));
    std::memcpy(block + sizeof(void*) - 4, "\x08\0\0\0h\0o\0s\0t\0\0", 14);
    EXPECT_EQ(SysStringLen(reinterpret_cast<BSTR>(block + sizeof(void*))), 4u);
    SysFreeString(reinterpret_cast<BSTR>(block + sizeof(void*)));  // the sanitizer checks the address
}

}  // namespace
