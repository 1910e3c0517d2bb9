// Writes through the exports never leave a damaged file: not when the
// process is killed in the middle, not when the disk is full, and the
// file's permissions and links survive.
#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handle_ptr.h"
#include "support/large_jpeg.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

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

using test::ReadBack;
using test::ReadBytes;
using test::TempDir;

// Each write leaves its own mark in an XMP property that no merge rule
// mirrors, so the file shows which write it holds.
constexpr const char* kMarkKey = "Xmp.dc.source";

std::string MarkOf(const test::FileMetadata& metadata) {
    auto it = metadata.xmp.findKey(Exiv2::XmpKey(kMarkKey));
    return it == metadata.xmp.end() ? std::string() : it->toString();
}

// Opens `path`, sets the mark and writes the handle back in place.
int WriteMark(const std::string& path, const std::string& mark) {
    test::HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    const std::u16string wide(mark.begin(), mark.end());
    test::BstrPtr value = test::MakeBstr(wide);
    if (AddMetaDataW(handle.get(), kMarkKey, value.get()) != 1) return -1;
    return WriteData(handle.get(), nullptr, 0, 0);
}

size_t CountEntries(const std::string& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

TEST(CrashSafety, AWriteKilledAtAnyMomentLeavesTheOldOrTheNewImage) {
    TempDir dir;
    const std::string path = dir.File("large.jpg");
    test::WriteBytes(path, test::SampleFixture().BytesOn(test::LargeJpeg(4 << 20, 3)));
    const std::vector<unsigned char> original = ReadBytes(path);
    const size_t tail = 1 << 20;  // the last MB of the scan, as a check of the image data

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(WriteMark(path, "Timing"), 1);
    const auto writeTime = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::steady_clock::now() - start).count();
    std::mt19937 random(11);
    std::uniform_int_distribution<long> delay(0, writeTime);
    std::set<std::string> states;
    for (int kill = 0; kill < 50; ++kill) {
        int done[2];
        ASSERT_EQ(pipe(done), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(done[0]);
            for (int round = 0;; ++round) {
                WriteMark(path, "Kill " + std::to_string(kill) + " round " + std::to_string(round));
                if (write(done[1], "w", 1) != 1) _exit(1);
            }
        }
        close(done[1]);
        // Let 0, 1 or 2 writes complete, then kill somewhere in the next one.
        char byte;
        for (int completed = kill % 3; completed > 0; --completed) {
            ASSERT_EQ(read(done[0], &byte, 1), 1);
        }
        usleep(static_cast<useconds_t>(delay(random)));
        ::kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(done[0]);

        SCOPED_TRACE("kill " + std::to_string(kill));
        const test::FileMetadata back = ReadBack(path);  // throws on a damaged file
        const std::string mark = MarkOf(back);
        EXPECT_TRUE(mark == "Timing" || mark.rfind("Kill ", 0) == 0) << mark;
        EXPECT_EQ(back.width, 4000);
        const std::vector<unsigned char> now = ReadBytes(path);
        ASSERT_GT(now.size(), tail);
        EXPECT_TRUE(std::equal(original.end() - tail, original.end(), now.end() - tail));
        states.insert(mark);
    }
    // Two thirds of the kills came after a completed write of their own.
    EXPECT_GE(states.size(), 30u);
}

TEST(CrashSafety, AWriteThatRunsOutOfSpaceChangesNothing) {
    TempDir dir;
    const std::string path = dir.File("large.jpg");
    test::WriteBytes(path, test::SampleFixture().BytesOn(test::LargeJpeg(2 << 20, 4)));
    const std::vector<unsigned char> before = ReadBytes(path);
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
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(CountEntries(dir.path()), 1u);  // no temporary file left behind
}

TEST(CrashSafety, PermissionsSymbolicLinksAndHardLinksSurviveAWrite) {
    TempDir dir;
    const std::string real = test::SampleFixture().WriteTo(dir.File("real.jpg"));
    const std::string alias = dir.File("alias.jpg");
    const std::string link = dir.File("link.jpg");
    ASSERT_EQ(chmod(real.c_str(), 0604), 0);
    ASSERT_EQ(::link(real.c_str(), alias.c_str()), 0);
    ASSERT_EQ(symlink("real.jpg", link.c_str()), 0);
    struct stat before {};
    ASSERT_EQ(stat(real.c_str(), &before), 0);

    EXPECT_EQ(WriteMark(link, "Through everything"), 1);

    struct stat after {}, linkInfo {};
    ASSERT_EQ(stat(real.c_str(), &after), 0);
    ASSERT_EQ(lstat(link.c_str(), &linkInfo), 0);
    EXPECT_TRUE(S_ISLNK(linkInfo.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(after.st_mode & 07777, 0604u);
    EXPECT_EQ(MarkOf(ReadBack(alias)), "Through everything");
    EXPECT_EQ(CountEntries(dir.path()), 3u);
}

}  // namespace
}  // namespace lumenmeta
