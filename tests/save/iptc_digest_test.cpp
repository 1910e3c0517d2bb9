// The MD5 behind the IPTC digest at the lengths where its padding changes
// shape: 55 bytes still fit the length into the last block, 56 need a block
// more, 64 fill a whole block and leave only the padding for the next one.
#include "save/iptc_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace lumenmeta {
namespace {

std::string Hex(const std::string& bytes) {
    std::string hex;
    char two[3];
    for (const char byte : bytes) {
        std::snprintf(two, sizeof(two), "%02x", static_cast<unsigned char>(byte));
        hex += two;
    }
    return hex;
}

TEST(IptcDigest, Md5KnownAnswersAtThePaddingBoundaries) {
    // Each input is that many "a" bytes; the answers are those of md5sum.
    const std::pair<size_t, const char*> answers[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},
        {56, "3b0c8ac703f828b04c6c197006d17218"},
        {64, "014842d480b571495a4a0363793f7367"},
    };
    for (const auto& [size, md5] : answers) {
        const std::string input(size, 'a');
        EXPECT_EQ(Hex(Md5(reinterpret_cast<const unsigned char*>(input.data()), size)), md5) << size;
    }
}

}  // namespace
}  // namespace lumenmeta
