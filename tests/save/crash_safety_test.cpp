// A write killed midway or out of space leaves no damaged file; modes and links survive.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <random>
#include <set>

namespace lumenmeta {
namespace {

// Each write's own mark, in a property no merge rule mirrors, shows which write a file holds.
int WriteMark(const std::string& path, const std::string& mark) {
    test::HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    handle->xmpData["Xmp.dc.source"] = mark;
    return WriteData(handle.get(), nullptr, 0, 0);
}

std::string MarkOf(const std::string& path) {
    const Exiv2::XmpData xmp = test::ReadBack(path).xmp;  // throws on a damaged file
    const auto found = xmp.findKey(Exiv2::XmpKey("Xmp.dc.source"));
    return found == xmp.end() ? std::string() : found->toString();
}

long EntriesIn(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

TEST(CrashSafety, AWriteKilledAtAnyMomentLeavesTheOldOrTheNewImage) {
    test::TempDir dir;
    const std::string path = dir.File("large.jpg");
    test::WriteBytes(path, test::SampleFixture().BytesOn(test::LargeJpeg(4 << 20, 3)));
    const std::vector<unsigned char> original = test::ReadBytes(path);
    const long tail = 1 << 20;  // the last MB of the scan stands for the image data
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(WriteMark(path, "Timing"), 1);
    const auto writeTime = std::chrono::steady_clock::now() - start;
    std::uniform_int_distribution<long> delay(0, writeTime / std::chrono::microseconds(1));
    std::mt19937 random(11);
    std::set<std::string> states;
    for (int kill = 0; kill < 50; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        for (int round = 0; child == 0; ++round) {  // the child writes until it is killed
            WriteMark(path, "Kill " + std::to_string(kill) + " round " + std::to_string(round));
            if (write(done[1], "w", 1) != 1) _exit(1);
        }
        close(done[1]);
        // Let 0, 1 or 2 writes complete, then kill somewhere in the next one.
        char byte;
        for (int n = kill % 3; n > 0; --n) EXPECT_EQ(read(done[0], &byte, 1), 1);
        usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(done[0]);

        const std::string mark = MarkOf(path);
        EXPECT_TRUE(mark == "Timing" || mark.rfind("Kill ", 0) == 0) << mark;
        states.insert(mark);
        const std::vector<unsigned char> now = test::ReadBytes(path);
        ASSERT_GT(now.size(), static_cast<size_t>(tail));
        EXPECT_TRUE(std::equal(original.end() - tail, original.end(), now.end() - tail));
    }
    // Two thirds of the kills came after a completed write of their own.
    EXPECT_GE(states.size(), 30u);
}

TEST(CrashSafety, AWriteThatRunsOutOfSpaceChangesNothing) {
    test::TempDir dir;
    const std::string path = dir.File("large.jpg");
    test::WriteBytes(path, test::SampleFixture().BytesOn(test::LargeJpeg(2 << 20, 4)));
    const std::vector<unsigned char> before = test::ReadBytes(path);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);  // past the limit, writes fail with EFBIG instead
        const rlimit limit{1 << 20, 1 << 20};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
        test::TraceCapture trace;
        const int result = WriteMark(path, "No room");
        const std::vector<std::string> pieces = trace.pieces();
        // The write's last trace line says why it failed.
        const bool traced = pieces.size() >= 8 &&
                            pieces[pieces.size() - 5] == "Unable to write into file: " &&
                            pieces[pieces.size() - 2].find("File too large") != std::string::npos;
        _exit(result == 0 && traced ? 0 : 4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(EntriesIn(dir.path()), 1);  // no temporary file left behind
}

TEST(CrashSafety, PermissionsSymbolicLinksAndHardLinksSurviveAWrite) {
    struct Case { const char* mark; mode_t mode; bool hardLink, symbolicLink; };
    for (const Case& c : {Case{"plain", 0640, false, false}, Case{"hard", 0604, true, false},
                          Case{"symbolic", 0600, false, true}, Case{"both", 0644, true, true}}) {
        SCOPED_TRACE(c.mark);
        test::TempDir dir;
        const std::string real = test::SampleFixture().WriteTo(dir.File("real.jpg"));
        const std::string alias = dir.File("alias.jpg"), link = dir.File("link.jpg");
        ASSERT_EQ(chmod(real.c_str(), c.mode), 0);
        ASSERT_TRUE(!c.hardLink || ::link(real.c_str(), alias.c_str()) == 0);
        ASSERT_TRUE(!c.symbolicLink || symlink("real.jpg", link.c_str()) == 0);
        struct stat before {}, after {}, linkInfo {};
        ASSERT_EQ(stat(real.c_str(), &before), 0);

        EXPECT_EQ(WriteMark(c.symbolicLink ? link : real, c.mark), 1);

        ASSERT_EQ(stat(real.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_nlink, c.hardLink ? 2u : 1u);
        EXPECT_TRUE(!c.hardLink || after.st_ino == before.st_ino);
        EXPECT_EQ(MarkOf(c.hardLink ? alias : real), c.mark);
        EXPECT_TRUE(!c.symbolicLink ||
                    (lstat(link.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)));
        EXPECT_EQ(EntriesIn(dir.path()), 1 + c.hardLink + c.symbolicLink);  // no temporary file
    }
}

}  // namespace
}  // namespace lumenmeta
