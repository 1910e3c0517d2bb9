// Batches that must not lose a file: the two images of a RAW+JPEG pair
// writing one sidecar from two workers, sidecar paths that hold something
// else, a file that takes too long, output files that are links or FIFOs,
// and names that must be shown or given back exactly.
#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/jpeg_bytes.h"
#include "support/json_reader.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace lumenmeta {
namespace {

using test::RunTool;
using Words = std::vector<std::string>;
using test::npos;

std::string TitleOf(const std::string& sidecar) {
    const Exiv2::XmpData xmp = test::ReadBack(sidecar).xmp;
    const auto found = xmp.findKey(Exiv2::XmpKey("Xmp.dc.title"));
    return found == xmp.end() ? "" : found->toString();
}

// Both images of a pair (IMG_N.jpg and IMG_N.jpeg) have IMG_N.xmp for their
// sidecar; in four workers they reach it at the same time, round after round.
TEST(BatchSafety, BothImagesOfAPairWriteTheirSharedSidecarInTurn) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        test::TempDir dir;
        for (int i = 0; i < 12; ++i) {
            test::SampleFixture().WriteTo(dir.File("IMG_" + std::to_string(i) + ".jpg"));
            test::SampleFixture().WriteTo(dir.File("IMG_" + std::to_string(i) + ".jpeg"));
        }
        const test::ToolRun set =
            RunTool({"set", "--sidecar", "-j", "4", dir.path(), "Xmp.dc.title=pair " + std::to_string(round)});
        EXPECT_EQ(set.exitCode, 0) << set.err;
        EXPECT_EQ(set.err, "lumenmeta: 24 done, 0 failed (0 in place, 24 into sidecars)\n");
        // Every "->" names a sidecar that is there, holding the title; no
        // lock or landing file is left beside them.
        size_t arrows = 0;
        for (size_t at = set.out.find(" -> "); at != npos; at = set.out.find(" -> ", at + 1)) {
            const std::string sidecar = set.out.substr(at + 4, set.out.find('\n', at) - at - 4);
            EXPECT_EQ(TitleOf(sidecar), "lang=\"x-default\" pair " + std::to_string(round)) << sidecar;
            ++arrows;
        }
        EXPECT_EQ(arrows, 24u);
        Words names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            names.push_back(entry.path().filename());
        }
        EXPECT_EQ(names.size(), 36u) << ::testing::PrintToString(names);
    }
}

// A file at the sidecar's path that is no XMP packet, or a link there, is
// refused for every sidecar write, and stays as it was.
TEST(BatchSafety, ASidecarPathHoldingNoXmpOrALinkIsNotWrittenInto) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string image = test::SampleFixture().WriteTo(dir.File("a.jpg"));
    const std::string other = test::SampleFixture().WriteTo(dir.File("other.jpg"));
    const std::string sidecar = dir.File("a.xmp");
    const std::vector<unsigned char> otherBytes = test::ReadBytes(other);
    struct Case { const char* name; std::function<void()> make; const char* why; };
    const Case cases[] = {
        {"a JPEG", [&] { test::WriteBytes(sidecar, otherBytes); }, "holds no XMP packet"},
        {"text", [&] { test::WriteBytes(sidecar, {'n', 'o', 't', 'e', 's'}); }, "holds no XMP packet"},
        {"a link to a JPEG", [&] { ASSERT_EQ(symlink("other.jpg", sidecar.c_str()), 0); },
         "is a symbolic link"},
    };
    for (const Case& c : cases) {
        for (const Words& command : {Words{"set", "--sidecar", image, "Xmp.dc.title=x"},
                                     Words{"set", "--sidecar", "--sidecar-name=short", image, "Xmp.dc.title=x"},
                                     Words{"copy", "--sidecar", other, image},
                                     Words{"sidecar", "--overwrite", image}}) {
            SCOPED_TRACE(std::string(c.name) + ": " + command[0]);
            std::filesystem::remove(sidecar);
            c.make();
            const std::vector<unsigned char> before = test::ReadBytes(sidecar);
            const test::ToolRun run = RunTool(command);
            EXPECT_EQ(run.exitCode, 1);
            EXPECT_NE(run.err.find(c.why), npos) << run.err;
            EXPECT_EQ(test::ReadBytes(sidecar), before);
            EXPECT_EQ(test::ReadBytes(other), otherBytes);
        }
    }
}

// A worker on one file for longer than --timeout is stopped: that file
// fails with the reason, a new worker does the rest.
TEST(BatchSafety, AFileThatTakesTooLongFailsAloneAfterTheTimeLimit) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    Words paths;
    for (int i = 0; i < 6; ++i) paths.push_back(test::SampleFixture().WriteTo(dir.File(std::to_string(i) + ".jpg")));
    setenv("LUMENMETA_TEST_HANG_WORKER_ON", paths[1].c_str(), 1);
    const test::ToolRun get = RunTool({"get", "-j", "2", "--timeout", "1", dir.path(), "Exif.Image.Model"});
    unsetenv("LUMENMETA_TEST_HANG_WORKER_ON");
    EXPECT_EQ(get.exitCode, 1);
    std::string out;
    for (int i : {0, 2, 3, 4, 5}) out += paths[i] + ": LX-1\n";
    EXPECT_EQ(get.out, out);
    EXPECT_EQ(get.err, "lumenmeta: " + paths[1] +
                           ": not done after 1 s (--timeout); its worker was stopped\n"
                           "lumenmeta: 5 done, 1 failed\n");
    EXPECT_EQ(RunTool({"get", "--timeout", "0", paths[0], "Exif.Image.Model"}).exitCode, 2);
}

// A file that holds its worker holds up no other: while the first file of a
// folder keeps one worker, the other worker does every other file, long
// before the time limit stops the held one.
TEST(BatchSafety, AFileThatHoldsItsWorkerHoldsUpNoOtherFile) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string tree = dir.File("tree");
    std::filesystem::create_directory(tree);
    Words others;
    test::SampleFixture().WriteTo(tree + "/a-hold.jpg");
    for (int i = 0; i < 12; ++i) {
        others.push_back(test::SampleFixture().WriteTo(tree + "/b" + std::to_string(10 + i) + ".jpg"));
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("LUMENMETA_TEST_HANG_WORKER_ON", "hold", 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(test::ToolPath(), "lumenmeta", "set", "-r", "-j", "2", "--timeout", "4", tree.c_str(),
              "Xmp.dc.title=done", static_cast<char*>(nullptr));
        _exit(127);
    }
    sleep(2);  // the held file has 2 s left
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "the tool ended before the time limit";
    for (const std::string& other : others) {
        EXPECT_EQ(TitleOf(other), "lang=\"x-default\" done") << other;
    }
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

// A file the -r walk found that is a link by the time a worker takes it is
// refused, not written through: two workers are held on the first two files
// while the third is swapped for a link to a file outside the tree.
TEST(BatchSafety, AFileSwappedForALinkAfterTheWalkIsNotWrittenThrough) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string tree = dir.File("tree");
    std::filesystem::create_directory(tree);
    for (const char* name : {"hold1.jpg", "hold2.jpg", "z.jpg"}) test::SampleFixture().WriteTo(tree + "/" + name);
    const std::string victim = test::SampleFixture().WriteTo(dir.File("victim.jpg"));
    const std::vector<unsigned char> victimBytes = test::ReadBytes(victim);
    const std::string errors = dir.File("errors");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("LUMENMETA_TEST_HANG_WORKER_ON", "hold", 1);
        const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 2);
        execl(test::ToolPath(), "lumenmeta", "set", "-r", "-j", "2", "--timeout", "3", tree.c_str(),
              "Xmp.dc.source=through", static_cast<char*>(nullptr));
        _exit(127);
    }
    sleep(1);  // the walk is long done; both workers hold their files
    ASSERT_EQ(unlink((tree + "/z.jpg").c_str()), 0);
    ASSERT_EQ(symlink("../victim.jpg", (tree + "/z.jpg").c_str()), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    const std::vector<unsigned char> err = test::ReadBytes(errors);
    const std::string text(err.begin(), err.end());
    EXPECT_NE(text.find(tree + "/z.jpg: is a symbolic link now, not the file the folder held; not followed"),
              npos) << text;
    EXPECT_NE(text.find("0 done, 3 failed"), npos) << text;
    EXPECT_EQ(test::ReadBytes(victim), victimBytes);
}

// The files the -r walk found are reached through the folder it held: a
// folder below it swapped for a link to another tree while two workers are
// held on the first files is refused, and the named folder moved away and
// replaced by a link still has its own files written, not the link's.
TEST(BatchSafety, AFolderSwappedForALinkAfterTheWalkIsNotWrittenThrough) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    // Runs `set -r` on `tree` with workers held on hold1 and hold2, calls
    // `swap` once the walk is done, and gives the exit code and the errors.
    const auto run = [](const std::string& tree, const std::string& errors,
                        const std::function<void()>& swap) {
        const pid_t child = fork();
        if (child == 0) {
            setenv("LUMENMETA_TEST_HANG_WORKER_ON", "hold", 1);
            const int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(fd, 2);
            execl(test::ToolPath(), "lumenmeta", "set", "-r", "-j", "2", "--timeout", "3",
                  tree.c_str(), "Xmp.dc.source=through", static_cast<char*>(nullptr));
            _exit(127);
        }
        sleep(1);  // the walk is long done; both workers hold their files
        swap();
        int status = 0;
        waitpid(child, &status, 0);
        const std::vector<unsigned char> err = test::ReadBytes(errors);
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                              std::string(err.begin(), err.end()));
    };
    test::TempDir dir;
    const std::string outside = dir.File("outside");
    std::filesystem::create_directories(outside + "/sub");
    const std::string victim = test::SampleFixture().WriteTo(outside + "/sub/z.jpg");
    const std::vector<unsigned char> victimBytes = test::ReadBytes(victim);

    const std::string tree = dir.File("tree");
    std::filesystem::create_directories(tree + "/sub");
    for (const char* name : {"hold1.jpg", "hold2.jpg", "sub/z.jpg"}) {
        test::SampleFixture().WriteTo(tree + "/" + name);
    }
    auto [code, errors] = run(tree, dir.File("errors1"), [&] {
        std::filesystem::rename(tree + "/sub", tree + "/sub.old");
        std::filesystem::create_directory_symlink("../outside/sub", tree + "/sub");
    });
    EXPECT_EQ(code, 1);
    EXPECT_NE(errors.find(tree + "/sub/z.jpg: its folder sub is a symbolic link now, not the "
                                 "folder the walk found; not followed"),
              npos) << errors;
    EXPECT_EQ(test::ReadBytes(victim), victimBytes);

    // The named folder itself swapped: its files are still the ones written.
    const std::string named = dir.File("named");
    std::filesystem::create_directories(named + "/sub");
    for (const char* name : {"hold1.jpg", "hold2.jpg", "sub/z.jpg"}) {
        test::SampleFixture().WriteTo(named + "/" + name);
    }
    std::tie(code, errors) = run(named, dir.File("errors2"), [&] {
        std::filesystem::rename(named, dir.File("named.old"));
        std::filesystem::create_directory_symlink("outside", named);
    });
    EXPECT_EQ(code, 1) << errors;  // the two held files fail after the time limit
    EXPECT_NE(errors.find("1 done, 2 failed"), npos) << errors;
    EXPECT_EQ(test::ReadBytes(victim), victimBytes);
    const Exiv2::XmpData written = test::ReadBack(dir.File("named.old/sub/z.jpg")).xmp;
    const auto source = written.findKey(Exiv2::XmpKey("Xmp.dc.source"));
    ASSERT_NE(source, written.end());
    EXPECT_EQ(source->toString(), "through");
}

// The worker processes of `parent` now.
std::vector<pid_t> ChildrenOf(pid_t parent) {
    std::vector<pid_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        FILE* stat = std::fopen((entry.path() / "stat").c_str(), "r");
        if (!stat) continue;
        int pid = 0, ppid = 0;
        char state = 0;
        // pid (name) state ppid: the name holds no blank here.
        if (std::fscanf(stat, "%d %*s %c %d", &pid, &state, &ppid) == 3 && ppid == parent) {
            children.push_back(pid);
        }
        std::fclose(stat);
    }
    return children;
}

// -j takes at most one worker per file and four per core, however many are
// asked for, unless --no-job-limit says so: counted while every worker is
// held on its file.
TEST(BatchSafety, JobsAreCappedAtTheFilesAndFourPerCore) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    const int cap = 4 * static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    test::TempDir dir;
    for (int i = 0; i < cap + 2; ++i) test::SampleFixture().WriteTo(dir.File("hold" + std::to_string(i) + ".jpg"));
    const std::string few = dir.File("few");
    std::filesystem::create_directory(few);
    for (int i = 0; i < 3; ++i) test::SampleFixture().WriteTo(few + "/hold" + std::to_string(i) + ".jpg");
    const auto workersFor = [&](Words words) {
        const pid_t child = fork();
        if (child == 0) {
            setpgid(0, 0);  // a group of its own, ended as one below
            setenv("LUMENMETA_TEST_HANG_WORKER_ON", "hold", 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            std::vector<char*> argv = {const_cast<char*>("lumenmeta")};
            for (std::string& word : words) argv.push_back(word.data());
            argv.push_back(nullptr);
            execv(test::ToolPath(), argv.data());
            _exit(127);
        }
        sleep(1);  // every worker holds a file by now
        const size_t workers = ChildrenOf(child).size();
        kill(-child, SIGKILL);  // held workers never end by themselves
        int status = 0;
        waitpid(child, &status, 0);
        return static_cast<int>(workers);
    };
    EXPECT_EQ(workersFor({"get", "-j", "1000", dir.path(), "Exif.Image.Model"}), cap);
    EXPECT_EQ(workersFor({"get", "-j", "1000", few, "Exif.Image.Model"}), 3);
    EXPECT_EQ(workersFor({"get", "-j", "1000", "--no-job-limit", dir.path(), "Exif.Image.Model"}),
              cap + 2);
    EXPECT_EQ(workersFor({"get", "-j", "2", dir.path(), "Exif.Image.Model"}), 2);
}

// thumbnail --extract replaces only a regular file: a FIFO there does not
// hold it, a link is not written through.
TEST(BatchSafety, AThumbnailIsExtractedLikeTheWriterWritesFiles) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    test::FixtureImage sample = test::SampleFixture();
    const std::vector<unsigned char>& jpeg = test::MinimalJpeg();
    Exiv2::ExifThumb(sample.exif).setJpegThumbnail(jpeg.data(), static_cast<long>(jpeg.size()));
    const std::string image = sample.WriteTo(dir.File("a.jpg"));
    const std::string victim = test::SampleFixture().WriteTo(dir.File("victim.jpg"));
    const std::vector<unsigned char> victimBytes = test::ReadBytes(victim);
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink("victim.jpg", dir.File("link.jpg").c_str()), 0);

    const test::ToolRun fifo = RunTool({"thumbnail", "--extract", dir.File("fifo"), image});
    EXPECT_EQ(fifo.exitCode, 1);
    EXPECT_NE(fifo.err.find("is not a regular file"), npos) << fifo.err;
    const test::ToolRun link = RunTool({"thumbnail", "--extract", dir.File("link.jpg"), image});
    EXPECT_EQ(link.exitCode, 1);
    EXPECT_NE(link.err.find("is a symbolic link; not followed"), npos) << link.err;
    EXPECT_EQ(test::ReadBytes(victim), victimBytes);
    test::WriteBytes(dir.File("old.jpg"), {'o', 'l', 'd'});
    ASSERT_EQ(chmod(dir.File("old.jpg").c_str(), 0640), 0);
    for (const char* out : {"new.jpg", "old.jpg"}) {
        EXPECT_EQ(RunTool({"thumbnail", "--extract", dir.File(out), image}).exitCode, 0);
        EXPECT_EQ(test::ReadBytes(dir.File(out)), jpeg);
    }
    struct stat info {};
    ASSERT_EQ(stat(dir.File("old.jpg").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 6);
}

// Text output escapes the backslash and the direction controls, so what is
// shown cannot pass for something else; JSON gives a file name's bytes back
// even where they are not UTF-8.
TEST(BatchSafety, NamesAndValuesAreShownSoTheyCannotBeMistaken) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    test::FixtureImage fixture;
    fixture.xmp["Xmp.dc.source"] = "a\\x1b b\xE2\x80\xAEgpj.exe";
    const std::string image = fixture.WriteTo(dir.File("a.jpg"));
    const test::ToolRun get = RunTool({"get", image, "Xmp.dc.source"});
    EXPECT_EQ(get.out, "a\\\\x1b b\\u202egpj.exe\n");
    const std::string odd = dir.File("odd\xFF\xC3.jpg");
    test::SampleFixture().WriteTo(odd);
    const test::ToolRun json = RunTool({"show", "--json", "--family", "Exif", odd});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_NE(json.out.find("odd\\udcff\\udcc3.jpg\""), npos) << json.out;
}

// The build tree's binaries look for libraries only in absolute folders: an
// empty or relative RUNPATH entry would load a library planted in whatever
// folder the tool is run from.
TEST(BatchSafety, NoBinaryLoadsLibrariesFromTheCurrentFolder) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    const std::string tool = test::ToolPath();
    const std::string library = LUMENMETA_LIBRARY_PATH;
    for (const std::string& binary : {tool, library}) {
        FILE* pipe = popen(("readelf -d '" + binary + "' 2>/dev/null").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string dynamic;
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) dynamic.append(buffer, got);
        ASSERT_EQ(pclose(pipe), 0) << "readelf " << binary;
        ASSERT_NE(dynamic.find("(NEEDED)"), npos) << binary;
        for (size_t at = dynamic.find("path: ["); at != npos; at = dynamic.find("path: [", at + 1)) {
            const size_t start = at + 7;
            const std::string list = dynamic.substr(start, dynamic.find(']', start) - start) + ":";
            for (size_t from = 0, colon; (colon = list.find(':', from)) != npos; from = colon + 1) {
                const std::string entry = list.substr(from, colon - from);
                EXPECT_TRUE(!entry.empty() && (entry[0] == '/' || entry.rfind("$ORIGIN", 0) == 0))
                    << binary << ": \"" << entry << "\" in " << list;
            }
        }
    }
}

// A dry run makes its write in memory: a file too large for that is refused
// from its size, before its bytes are read, and is left as it was.
TEST(BatchSafety, ADryRunRefusesAFileTooLargeForMemoryBeforeReadingIt) {
    if (*test::ToolPath() == '\0') GTEST_SKIP() << "tool not built";
    test::TempDir dir;
    const std::string path = test::SampleFixture().WriteTo(dir.File("huge.jpg"));
    // Sparse: 2 GiB and more on record, almost nothing on disk.
    ASSERT_EQ(truncate(path.c_str(), (off_t{1} << 31) + 4096), 0);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    // Reading the 2 GiB would fail on 1 GiB of address space, with another
    // reason. (AddressSanitizer reserves more than that for itself.)
#if defined(LUMENMETA_TESTS_UNDER_ADDRESS_SANITIZER)
    GTEST_SKIP() << "address space limits do not apply under AddressSanitizer";
#endif
    rlimit limit {};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
    const rlimit saved = limit;
    limit.rlim_cur = rlim_t{1} << 30;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
    const test::ToolRun run = RunTool({"set", "--dry-run", path, "Xmp.dc.title=x"});
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(path + ": too large for a write in memory"), std::string::npos) << run.err;
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
}

}  // namespace
}  // namespace lumenmeta
