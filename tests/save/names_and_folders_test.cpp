// The writer's own names beside a target and the folder it writes in: two
// targets whose names start alike never share a landing name, a file that
// only looks like a landing file is never removed, the folder is the one
// resolved when the write began, and a link at the name is refused where
// the thread says so.
#include "lumenmeta.h"

#include "save/file_calls.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>

namespace lumenmeta {
namespace {

using test::MarkOf;
using test::WriteMark;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `hook` once, right after the writer's next link or rename succeeds.
class AfterCall {
public:
    AfterCall(bool onLink, std::function<void()> hook) : onLink_(onLink), hook_(std::move(hook)) {
        active = this;
        fileCalls.linkat = LinkAt;
        fileCalls.renameat = RenameAt;
    }
    ~AfterCall() {
        fileCalls = SystemFileCalls();
        active = nullptr;
    }

private:
    void Fire() {
        fileCalls = SystemFileCalls();  // the hook's own writes go straight through
        std::exchange(hook_, [] {})();
    }
    static int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        const int result = SystemFileCalls().linkat(fromFolder, from, toFolder, to, flags);
        if (result == 0 && active->onLink_) active->Fire();
        return result;
    }
    static int RenameAt(int fromFolder, const char* from, int toFolder, const char* to) {
        const int result = SystemFileCalls().renameat(fromFolder, from, toFolder, to);
        if (result == 0 && !active->onLink_) active->Fire();
        return result;
    }
    static inline AfterCall* active = nullptr;
    bool onLink_;
    std::function<void()> hook_;
};

TEST(NamesAndFolders, TwoTargetsWhoseNamesStartAlikeAreWrittenAtOnceEachWithItsOwnContent) {
    test::TempDir dir;
    // 70 CJK characters: 210 bytes in common, more than any cut of the name.
    std::string common;
    for (int i = 0; i < 70; ++i) common += "\xE5\x86\x99";
    const std::string a = test::SampleFixture().WriteTo(dir.File(common + "_a.jpg"));
    const std::string b = test::SampleFixture().WriteTo(dir.File(common + "_b.jpg"));
    int inner = -1;
    {
        // B is written in full while A's new content waits under its landing name.
        const AfterCall hook(true, [&] { inner = WriteMark(b, "B"); });
        EXPECT_EQ(WriteMark(a, "A"), 1);
    }
    EXPECT_EQ(inner, 1);
    EXPECT_EQ(MarkOf(a), "A");
    EXPECT_EQ(MarkOf(b), "B");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{common + "_a.jpg", common + "_b.jpg"}));
}

TEST(NamesAndFolders, AUsersFileThatLooksLikeALandingFileIsKeptAndALeftOneOfOursIsRemoved) {
    test::TempDir dir;
    const std::string photo = test::SampleFixture().WriteTo(dir.File("photo.jpg"));
    // What the landing name is: learnt from a write stopped just after the link.
    std::string landing;
    {
        const AfterCall hook(true, [&] {
            for (const std::string& name : Names(dir.path())) {
                if (name != "photo.jpg") landing = name;
            }
        });
        ASSERT_EQ(WriteMark(photo, "learn"), 1);
    }
    EXPECT_TRUE(std::regex_match(landing, std::regex(R"(\.photo\.jpg\.[0-9a-f]{16}\.lumenmeta-landing)")))
        << landing;
    // Files of the user's own under the old and the new landing name stay.
    for (const std::string& name : {std::string(".photo.jpg.lumenmeta-landing"), landing}) {
        SCOPED_TRACE(name);
        test::WriteBytes(dir.File(name), {'m', 'i', 'n', 'e'});
        EXPECT_EQ(WriteMark(photo, "kept " + name), 1);
        EXPECT_EQ(test::ReadBytes(dir.File(name)), (std::vector<unsigned char>{'m', 'i', 'n', 'e'}));
        EXPECT_EQ(MarkOf(photo), "kept " + name);
        EXPECT_EQ(Names(dir.path()).size(), 2u);
        std::filesystem::remove(dir.File(name));
    }
    // A landing file a stopped write left (complete, marked, locked by no
    // one) is the next write's to remove.
    const std::string left = dir.File(landing);
    test::SampleFixture().WriteTo(left);
    if (setxattr(left.c_str(), "user.lumenmeta.landing", "0000000000000000", 16, 0) != 0) {
        GTEST_SKIP() << "no user extended attributes here";
    }
    EXPECT_EQ(WriteMark(photo, "other mark"), 1);
    EXPECT_TRUE(std::filesystem::exists(left));  // marked for another name: not ours
    std::filesystem::remove(left);
    // Marked with the hash of this target's name, which its landing name holds.
    const std::string hash = landing.substr(landing.size() - 34, 16);
    test::SampleFixture().WriteTo(left);
    ASSERT_EQ(setxattr(left.c_str(), "user.lumenmeta.landing", hash.data(), hash.size(), 0), 0);
    EXPECT_EQ(WriteMark(photo, "after"), 1);
    EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"photo.jpg"});
    char mark[32];
    EXPECT_LT(getxattr(photo.c_str(), "user.lumenmeta.landing", mark, sizeof mark), 0);
}

// The folder is resolved once: a new sidecar is made and then filled in the
// folder held, even when the folder's name leads elsewhere in between.
TEST(NamesAndFolders, AFolderSwappedForALinkMidWriteDoesNotRedirectIt) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("shoot"));
    std::filesystem::create_directory(dir.File("other"));
    const std::string victim = dir.File("other/new.xmp");
    ASSERT_EQ(CreateXmpSidecar(victim.c_str(), false), 1);
    {
        test::HandlePtr handle(OpenMetaHandle(victim.c_str(), 0));
        handle->xmpData["Xmp.dc.source"] = "victim";
        ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    }
    const std::vector<unsigned char> victimBytes = test::ReadBytes(victim);
    {
        const AfterCall hook(false, [&] {
            ASSERT_EQ(rename(dir.File("shoot").c_str(), dir.File("moved").c_str()), 0);
            ASSERT_EQ(symlink("other", dir.File("shoot").c_str()), 0);
        });
        EXPECT_EQ(CreateXmpSidecar(dir.File("shoot/new.xmp").c_str(), false), 1);
    }
    EXPECT_EQ(test::ReadBytes(victim), victimBytes);
    EXPECT_TRUE(test::ReadBack(dir.File("moved/new.xmp")).xmp.empty());
}

TEST(NamesAndFolders, ALinkAtTheNameIsRefusedWhereTheThreadSaysSo) {
    test::TempDir dir;
    const std::string real = test::SampleFixture().WriteTo(dir.File("real.jpg"));
    const std::string link = dir.File("link.jpg");
    ASSERT_EQ(symlink("real.jpg", link.c_str()), 0);
    EXPECT_EQ(SetFollowLastLink(0), 1);
    {
        test::HandlePtr handle(OpenMetaHandle(link.c_str(), 0));
        int width = 0, height = 0;
        EXPECT_EQ(GetImageSize(handle.get(), &width, &height), 0);
        test::HandlePtr fresh(OpenMetaHandle(link.c_str(), 1));
        fresh->xmpData["Xmp.dc.source"] = "through";
        EXPECT_EQ(WriteData(fresh.get(), nullptr, 0, 0), 0);
        EXPECT_EQ(CreateXmpSidecar(link.c_str(), true), 0);
        EXPECT_EQ(WriteMark(real, "direct"), 1);  // a name that is no link still works
    }
    EXPECT_EQ(SetFollowLastLink(1), 0);
    EXPECT_EQ(MarkOf(real), "direct");
    EXPECT_EQ(WriteMark(link, "followed"), 1);
    EXPECT_EQ(MarkOf(real), "followed");
    struct stat info {};
    EXPECT_TRUE(lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
}

}  // namespace
}  // namespace lumenmeta
