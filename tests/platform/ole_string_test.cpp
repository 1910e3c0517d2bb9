#include "lumenmeta.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

uint32_t BytePrefix(BSTR text) {
    uint32_t count = 0;
    std::memcpy(&count, reinterpret_cast<char*>(text) - sizeof(count), sizeof(count));
    return count;
}

TEST(OleString, HoldsByteCountBeforeAndZeroUnitAfterText) {
    BSTR text = SysAllocString(u"Caf\u00e9");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(BytePrefix(text), 8u);
    EXPECT_EQ(SysStringLen(text), 4u);
    EXPECT_EQ(std::u16string(text), u"Caf\u00e9");
    EXPECT_EQ(text[4], 0);
    // A host that frees the block itself, as .NET's marshaller does on Unix,
    // finds it sizeof(void*) bytes before the text.
    std::free(reinterpret_cast<char*>(text) - sizeof(void*));
}

TEST(OleString, AllocStringStopsAtFirstZeroUnitWhileAllocLenKeepsThem) {
    const char16_t withZero[] = {u'a', u'b', 0, u'c', u'd', 0};
    BSTR cut = SysAllocString(withZero);
    BSTR whole = SysAllocStringLen(withZero, 5);
    ASSERT_NE(cut, nullptr);
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(SysStringLen(cut), 2u);
    EXPECT_EQ(SysStringLen(whole), 5u);
    EXPECT_EQ(BytePrefix(whole), 10u);
    EXPECT_EQ(std::u16string(whole, 5), std::u16string(withZero, 5));
    EXPECT_EQ(whole[5], 0);
    SysFreeString(cut);
    SysFreeString(whole);
}

TEST(OleString, NullAndEmptyArguments) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);

    BSTR zeros = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(zeros, nullptr);
    EXPECT_EQ(SysStringLen(zeros), 3u);
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(zeros[i], 0) << i;
    SysFreeString(zeros);

    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], 0);
    SysFreeString(empty);

    // A length whose byte count does not fit the 4-byte prefix is refused.
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
}

TEST(OleString, FreesAStringMadeByAnotherAllocatorOfTheSameLayout) {
    const std::u16string text = u"host";
    char* block = static_cast<char*>(std::malloc(sizeof(void*) + 10));
    ASSERT_NE(block, nullptr);
    const uint32_t bytes = 8;
    std::memcpy(block + sizeof(void*) - 4, &bytes, 4);
    std::memcpy(block + sizeof(void*), text.c_str(), 10);
    BSTR foreign = reinterpret_cast<BSTR>(block + sizeof(void*));
    EXPECT_EQ(SysStringLen(foreign), 4u);
    SysFreeString(foreign);  // the sanitizer run fails on a wrong block address
}

}  // namespace
