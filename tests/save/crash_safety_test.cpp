// A write killed midway or out of space leaves no damaged file and nothing
// beside it; modes, links, extended attributes and ACLs survive; the writer
// makes the new content durable before it puts it in place, and never
// replaces anything but the file it read.
#include "lumenmeta.h"

#include "save/file_calls.h"

#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"
#include "support/write_in_place.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <regex>
#include <set>
#include <utility>

namespace lumenmeta {
namespace {

using test::MarkOf;
using test::WriteMark;

long EntriesIn(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

std::string FolderListing(const std::string& folder) {
    std::string names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names += entry.path().filename().string() + " ";
    }
    return names;
}

// Sends the writer's durable steps through the real calls and logs them:
// "anonymous" or "named NAME" for the temporary file, "fsync temporary",
// "fsync file" (in place), "fsync folder", "link", "rename". With `named`,
// the file system is made to look as if it had no anonymous files.
class CallLog {
public:
    explicit CallLog(bool named = false) : named_(named) {
        active = this;
        fileCalls = {OpenAt, Fsync, LinkAt, RenameAt};
    }
    ~CallLog() {
        fileCalls = SystemFileCalls();
        active = nullptr;
    }
    std::vector<std::string> calls;
    std::function<void()> onTemporarySynced;  // runs after the temporary file's fsync

private:
    static int OpenAt(int folder, const char* name, int flags, mode_t mode) {
        const bool anonymous = (flags & O_TMPFILE) == O_TMPFILE;
        if (anonymous && active->named_) {
            errno = EOPNOTSUPP;
            return -1;
        }
        const int fd = SystemFileCalls().openat(folder, name, flags, mode);
        active->temporary_ = fd;
        active->calls.push_back(anonymous ? "anonymous" : "named " + std::string(name));
        return fd;
    }
    static int Fsync(int fd) {
        struct stat info {};
        fstat(fd, &info);
        const int result = SystemFileCalls().fsync(fd);
        const bool temporary = fd == active->temporary_;
        active->calls.push_back(temporary ? "fsync temporary"
                                : S_ISDIR(info.st_mode) ? "fsync folder" : "fsync file");
        if (temporary && active->onTemporarySynced) active->onTemporarySynced();
        return result;
    }
    static int LinkAt(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        active->calls.push_back("link");
        return SystemFileCalls().linkat(fromFolder, from, toFolder, to, flags);
    }
    static int RenameAt(int fromFolder, const char* from, int toFolder, const char* to) {
        active->calls.push_back("rename");
        return SystemFileCalls().renameat(fromFolder, from, toFolder, to);
    }
    static inline CallLog* active = nullptr;
    bool named_;
    int temporary_ = -1;
};

TEST(CrashSafety, AWriteKilledAtAnyMomentLeavesTheOldOrTheNewImage) {
    test::TempDir dir;
    const std::string path = dir.File("large.jpg");
    test::WriteBytes(path, test::SampleFixture().BytesOn(test::LargeJpeg(2 << 20, 3)));
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
        // Nothing beside it, except when the kill fell between linking the
        // complete new file in and renaming it over the old one: then that
        // one file, under its fixed name, which the next write removes.
        const std::string listing = FolderListing(dir.path());
        const std::string landing = R"(\.large\.jpg\.[0-9a-f]{16}\.lumenmeta-landing )";
        EXPECT_TRUE(std::regex_match(listing, std::regex("large\\.jpg (" + landing + ")?")) ||
                    std::regex_match(listing, std::regex(landing + "large\\.jpg ")))
            << listing;
    }
    // Two thirds of the kills came after a completed write of their own.
    EXPECT_GE(states.size(), 30u);
    ASSERT_EQ(WriteMark(path, "After"), 1);
    EXPECT_EQ(FolderListing(dir.path()), "large.jpg ");
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

    // Where no temporary file can be made, the file is overwritten in place;
    // when that copy fails, the old content is put back.
    ASSERT_EQ(chmod(path.c_str(), 0666) + chmod(dir.path().c_str(), 0555), 0);
    const std::string report = test::RunUnprivileged([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlim_t room = before.size() + 1000;  // less than the write adds
        const rlimit limit{room, room};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return std::string("no limit");
        return std::to_string(WriteMark(path, std::string(20000, 'x')));
    });
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    EXPECT_EQ(report, "0");
    EXPECT_EQ(test::ReadBytes(path), before);
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

// A POSIX ACL as the kernel keeps it in system.posix_acl_access: version 2,
// then entries of tag, permissions and id (little-endian): the owner rw-,
// user 4242 r--, the group r--, the mask r--, others ---.
std::string AclBytes() {
    std::string bytes = {2, 0, 0, 0};
    const unsigned entries[][3] = {{0x01, 6, ~0u}, {0x02, 4, 4242}, {0x04, 4, ~0u},
                                   {0x10, 4, ~0u}, {0x20, 0, ~0u}};
    for (const auto& [tag, permissions, id] : entries) {
        for (const unsigned byte : {tag, 0u, permissions, 0u, id & 0xFF, (id >> 8) & 0xFF,
                                    (id >> 16) & 0xFF, id >> 24}) {
            bytes.push_back(static_cast<char>(byte));
        }
    }
    return bytes;
}

// The value of an extended attribute, or "-" when there is none.
std::string Attribute(const std::string& path, const char* name) {
    char value[4096];
    const ssize_t size = getxattr(path.c_str(), name, value, sizeof(value));
    return size < 0 ? "-" : std::string(value, static_cast<size_t>(size));
}

TEST(CrashSafety, ExtendedAttributesAndAclsSurviveAWriteAndAFoldersDefaultAclIsNotAdded) {
    const std::string tags = "harbour,dawn", acl = AclBytes();
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "named temporary file" : "anonymous temporary file");
        test::TempDir dir;
        const std::string real = test::SampleFixture().WriteTo(dir.File("real.jpg"));
        const std::string plain = test::SampleFixture().WriteTo(dir.File("plain.jpg"));
        if (setxattr(real.c_str(), "user.xdg.tags", tags.data(), tags.size(), 0) != 0) {
            GTEST_SKIP() << "the file system of " << dir.path()
                         << " keeps no user extended attributes";
        }
        if (setxattr(real.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
            setxattr(dir.path().c_str(), "system.posix_acl_default", acl.data(), acl.size(),
                     0) != 0) {
            GTEST_SKIP() << "the file system of " << dir.path() << " keeps no POSIX ACLs";
        }
        struct stat before {}, after {};
        ASSERT_EQ(stat(real.c_str(), &before), 0);
        const CallLog log(named);
        EXPECT_EQ(WriteMark(real, "tagged") + WriteMark(plain, "plain"), 2);
        ASSERT_EQ(stat(real.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino);  // replaced, not overwritten
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(Attribute(real, "user.xdg.tags"), tags);
        EXPECT_EQ(Attribute(real, "system.posix_acl_access"), acl);
        // The replacement of a file without an ACL gets none from the folder.
        EXPECT_EQ(Attribute(plain, "system.posix_acl_access"), "-");
        EXPECT_EQ(MarkOf(real) + MarkOf(plain), "taggedplain");
    }
}

TEST(CrashSafety, TheNewContentIsOnDiskBeforeItIsPutInPlaceUnderAnUnpredictableName) {
    test::TempDir dir;
    const std::string real = test::SampleFixture().WriteTo(dir.File("real.jpg"));
    const std::string alias = dir.File("alias.jpg");
    {
        const CallLog log;
        ASSERT_EQ(WriteMark(real, "anonymous"), 1);
        EXPECT_EQ(log.calls, (std::vector<std::string>{"anonymous", "fsync temporary", "link",
                                                       "rename", "fsync folder"}));
    }
    std::vector<std::string> names;
    for (int write = 0; write < 2; ++write) {
        const CallLog log(true);
        ASSERT_EQ(WriteMark(real, "named"), 1);
        ASSERT_EQ(log.calls.size(), 4u);
        names.push_back(log.calls[0]);
        EXPECT_EQ(std::vector<std::string>(log.calls.begin() + 1, log.calls.end()),
                  (std::vector<std::string>{"fsync temporary", "rename", "fsync folder"}));
    }
    // A random part no other process can guess.
    const std::regex named(R"(named \.real\.jpg\.lumenmeta-[0-9a-f]{24})");
    EXPECT_TRUE(std::regex_match(names[0], named) && std::regex_match(names[1], named)) << names[0];
    EXPECT_NE(names[0], names[1]);
    // Hard links: the temporary file is on disk before the copy in place, which is flushed too.
    ASSERT_EQ(link(real.c_str(), alias.c_str()), 0);
    const CallLog log;
    ASSERT_EQ(WriteMark(alias, "linked"), 1);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"anonymous", "fsync temporary", "fsync file"}));
    EXPECT_EQ(MarkOf(real), "linked");
    EXPECT_EQ(EntriesIn(dir.path()), 2);
}

// Swaps the name for a symbolic link to another file as the write merges,
// after the target was read; the trace of the merge is the moment.
void SwapAtFirstMerge(const char* piece, void* swap) {
    if (std::string(piece) == "XMP-Key: ") {
        (*static_cast<std::function<void()>*>(swap))();
        *static_cast<std::function<void()>*>(swap) = [] {};
    }
}

TEST(CrashSafety, ANameTakenByAnotherFileBetweenReadAndReplaceIsNotWritten) {
    struct Case { const char* name; bool atMerge, hardLink; };
    for (const Case& c : {Case{"at merge", true, false}, Case{"at merge, hard link", true, true},
                          Case{"temporary file complete", false, false}}) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string photo = test::SampleFixture().WriteTo(dir.File("photo.jpg"));
        const std::string victim = test::SampleFixture().WriteTo(dir.File("victim.jpg"));
        ASSERT_TRUE(!c.hardLink || link(photo.c_str(), dir.File("alias.jpg").c_str()) == 0);
        const std::vector<unsigned char> victimBytes = test::ReadBytes(victim);
        std::function<void()> swap = [&] {
            if (unlink(photo.c_str()) != 0 || symlink("victim.jpg", photo.c_str()) != 0) {
                ADD_FAILURE() << "cannot swap";
            }
        };
        CallLog log;
        if (c.atMerge) {
            SetDebugTraceSink(SwapAtFirstMerge, &swap);
        } else {
            log.onTemporarySynced = [&] { std::exchange(swap, [] {})(); };
        }
        EXPECT_EQ(WriteMark(photo, "swapped"), 0);
        SetDebugTraceSink(nullptr, nullptr);
        EXPECT_EQ(test::ReadBytes(victim), victimBytes);
        char target[64] = {};
        EXPECT_EQ(readlink(photo.c_str(), target, sizeof(target) - 1), 10);
        EXPECT_STREQ(target, "victim.jpg");
        EXPECT_EQ(EntriesIn(dir.path()), 2 + c.hardLink) << FolderListing(dir.path());
    }
}

}  // namespace
}  // namespace lumenmeta
