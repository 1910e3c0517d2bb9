#include "platform/ascii.h"
#include "platform/file_access.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumenmeta {
namespace {

TEST(Ascii, ComparesFoldingAsciiLettersOnly) {
    EXPECT_EQ(CompareNoCase("Exif.Photo.UserComment", "exif.photo.usercomment"), 0);
    EXPECT_LT(CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(CompareNoCase("abcd", "ABC"), 0);
    // Letters fold to lower case before comparing, as _stricmp does: '_'
    // (0x5F) sorts before 'a' but after 'A'.
    EXPECT_LT(CompareNoCase("_", "A"), 0);
    // Bytes outside ASCII are compared as they are.
    EXPECT_NE(CompareNoCase("caf\xC3\xA9", "CAF\xC3\x89"), 0);

    EXPECT_EQ(CompareNoCaseN("Xmp.dc.title", "xmp.", 4), 0);
    EXPECT_NE(CompareNoCaseN("Xmpp", "xmp.", 4), 0);
    EXPECT_EQ(CompareNoCaseN("ab", "abc", 2), 0);
    EXPECT_NE(CompareNoCaseN("ab", "abc", 3), 0);  // the end of "ab" counts
    EXPECT_TRUE(StartsWithNoCase("IPTC.Application2.Caption", "iptc."));
    EXPECT_FALSE(StartsWithNoCase("Ipt", "iptc."));
    EXPECT_TRUE(EqualNoCase("", ""));
}

TEST(FileAccess, TellsWhetherSomethingExists) {
    test::TempDir dir;
    test::WriteBytes(dir.File("a.jpg"), {1, 2, 3});
    EXPECT_TRUE(FileExists(dir.File("a.jpg").c_str()));
    EXPECT_TRUE(FileExists(dir.path().c_str()));
    EXPECT_FALSE(FileExists(dir.File("missing.jpg").c_str()));
    EXPECT_FALSE(FileExists(nullptr));
}

}  // namespace
}  // namespace lumenmeta
