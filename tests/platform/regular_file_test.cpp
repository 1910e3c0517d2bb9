// Folders, devices and FIFOs under an image's name: every export refuses them
// at once, with a trace line, and none of them is read or replaced.
#include "lumenmeta.h"

#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace lumenmeta {
namespace {

using test::HandlePtr;

// Each call's result and the trace lines it sent, as "result|line|line;".
template <typename Call>
std::string Traced(Call call) {
    test::TraceCapture trace;
    std::string report = std::to_string(call());
    std::string line;
    for (const std::string& piece : trace.pieces()) {
        line += piece;
        if (piece == "\n") report += "|" + std::exchange(line, "");
    }
    return report + (line.empty() ? "" : "|" + line) + ";";
}

std::string Refusals(const std::string& path, const std::string& image) {
    HandlePtr handle(OpenMetaHandle(image.c_str(), 0));
    return Traced([&] {
               HandlePtr refused(OpenMetaHandle(path.c_str(), 0));
               return refused->isValid;
           }) +
           Traced([&] { return WriteData(handle.get(), path.c_str(), 0, 0); }) +
           Traced([&] { return CopyImageMetaData(path.c_str(), image.c_str(), 1); }) +
           Traced([&] { return CopyImageMetaData(image.c_str(), path.c_str(), 1); }) +
           Traced([&] { return CreateXmpSidecar(path.c_str(), true); });
}

std::string Expected(const std::string& path) {
    const std::string refused = "Not a regular file: " + path + "\n";
    return "0|" + refused + ";0|Writing into file: " + path + "\n|Unable to write into file: " +
           path + " Reason: " + path + ": not a regular file\n;0|" + refused + ";0|" + refused +
           ";0|CreateXmpSidecar: Could not create file: ;";
}

long PeakKilobytes() {
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(RegularFiles, FoldersDevicesAndFifosAreRefusedAtOnceAndLeftAsTheyAre) {
    test::TempDir dir;
    const std::string image = test::SampleFixture().WriteTo(dir.File("image.jpg"));
    const std::string fifo = dir.File("x.jpg"), folder = dir.File("folder.jpg");
    const std::string node = dir.File("null"), sidecar = dir.File("link.xmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666) + mkdir(folder.c_str(), 0755), 0);
    // A device of our own where we may make one: a writer that replaced it
    // would not harm the system's /dev/null.
    const bool ownDevice = mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    ASSERT_EQ(symlink(ownDevice ? node.c_str() : "/dev/null", sidecar.c_str()), 0);

    // A handle keeps its image, but not the file's descriptor.
    const auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
    };
    const long before = descriptors();
    HandlePtr kept(OpenMetaHandle(image.c_str(), 0));
    EXPECT_TRUE(kept->isValid);
    EXPECT_EQ(descriptors(), before);

    // In a child, so that a blocking open ends in the alarm rather than a hang.
    const std::string report = test::RunInChild([&] {
        alarm(60);
        std::string text;
        for (const std::string& path : {fifo, folder, sidecar}) text += Refusals(path, image) + "\n";
        // A handle whose file became a FIFO: no source for a write to memory or in place.
        HandlePtr handle(OpenMetaHandle(image.c_str(), 0));
        const std::string copy = test::SampleFixture().WriteTo(dir.File("copy.jpg"));
        if (std::rename(fifo.c_str(), image.c_str()) != 0) return std::string("cannot rename");
        const std::vector<unsigned char> bytes = test::SampleFixture().Bytes();
        int32_t size = static_cast<int32_t>(bytes.size());
        text += Traced([&] { return WriteDataToMem(handle.get(), bytes.data(), &size, 0) != nullptr; });
        text += Traced([&] { return WriteData(handle.get(), nullptr, 0, 0); }) + "\n";
        const std::string toCopy = Traced([&] { return WriteData(handle.get(), copy.c_str(), 0, 1); });
        const bool sourceTraced =
            toCopy.find("|Unable to read from srcfile: " + image + "\n|") != std::string::npos;
        text += toCopy.substr(0, 2) + (sourceTraced ? "source skipped" : toCopy);
        // An endless device is not read, let alone into memory.
        const long peak = PeakKilobytes();
        text += "\n" + Traced([&] { return CopyImageMetaData("/dev/zero", copy.c_str(), 1); });
        text += PeakKilobytes() - peak < 100000 ? " bounded" : " unbounded";
        if (ownDevice || geteuid() != 0) {  // the real /dev/null too, once ours was safe
            text += Traced([] { return CreateXmpSidecar("/dev/null", true); });
        }
        return text;
    });
    const std::string onImage = "Not a regular file: " + image + "\n";
    EXPECT_EQ(report, Expected(fifo) + "\n" + Expected(folder) + "\n" + Expected(sidecar) + "\n" +
                          "0|" + onImage + ";0|Writing into file: " + image +
                          "\n|Unable to write into file: " + image + " Reason: " + image +
                          ": not a regular file\n;\n" +
                          "1|source skipped\n0|Not a regular file: /dev/zero\n; bounded" +
                          (ownDevice || geteuid() != 0
                               ? "0|CreateXmpSidecar: Could not create file: ;"
                               : ""));
    struct stat info {};
    EXPECT_TRUE(stat(image.c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_TRUE(stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    EXPECT_TRUE(stat(sidecar.c_str(), &info) == 0 && S_ISCHR(info.st_mode));
    EXPECT_TRUE(lstat(sidecar.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    EXPECT_TRUE(stat("/dev/null", &info) == 0 && S_ISCHR(info.st_mode));
}

}  // namespace
}  // namespace lumenmeta
