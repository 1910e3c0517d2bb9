// Folders, devices and FIFOs under an image's name: every export refuses them
// at once, with a trace line, and none of them is read or replaced.
#include "lumenmeta.h"

#include "platform/regular_file.h"

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
#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>

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

std::string Refusal(const std::string& path) {
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
    EXPECT_EQ(report, Refusal(fifo) + "\n" + Refusal(folder) + "\n" + Refusal(sidecar) + "\n" +
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

// The same steps on Exiv2's own file I/O and on ours, each step's outcome
// written down: they must read alike, at the edges of the read-ahead and the
// file as well.
std::string Steps(Exiv2::BasicIo& io, unsigned seed, long fileSize) {
    std::mt19937 random(seed);
    std::string log = std::to_string(io.open()) + " ";
    const long sizes[] = {0, 1, 2, 7, 4096, 16383, 16384, 32768, 40000, 200000};
    std::vector<Exiv2::byte> buffer(200000);
    for (int step = 0; step < 400; ++step) {
        switch (random() % 5) {
            case 0: {
                const long size = sizes[random() % std::size(sizes)];
                const long got = io.read(buffer.data(), size);
                log += "r" + std::to_string(got) + ":" +
                       std::to_string(std::accumulate(buffer.begin(), buffer.begin() + got, 0L));
                break;
            }
            case 1: {
                const long offset = static_cast<long>(random() % (fileSize + 100)) - 50;
                const auto from = static_cast<Exiv2::BasicIo::Position>(random() % 3);
                log += "s" + std::to_string(io.seek(offset, from) != 0);
                break;
            }
            case 2: log += "g" + std::to_string(io.getb()); break;
            case 3: log += "D" + std::to_string(io.read(sizes[random() % 6]).size_); break;
            default: log += "t" + std::to_string(io.tell()); break;
        }
        log += io.eof() ? "e" : "";
        log += io.error() ? "!" : "";
        log += " ";
    }
    return log + std::to_string(io.size()) + " " + std::to_string(io.close());
}

TEST(RegularFiles, ReadsGoToTheOpenedFileAndMatchExiv2sOwnFileIo) {
    test::TempDir dir;
    std::vector<unsigned char> bytes(150000);
    std::mt19937 random(7);
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(random());
    const std::string path = dir.File("bytes.bin");
    test::WriteBytes(path, bytes);
    for (unsigned seed = 1; seed <= 20; ++seed) {
        Exiv2::FileIo theirs(path);
        const std::unique_ptr<RegularFileIo> ours = RegularFileIo::Open(path);
        EXPECT_EQ(Steps(*ours, seed, 150000), Steps(theirs, seed, 150000)) << "seed " << seed;
    }
    // Another file put under the name after the open is not what is read.
    const std::string image = test::SampleFixture().WriteTo(dir.File("image.jpg"));
    test::FixtureImage other = test::SampleFixture();
    other.exif["Exif.Image.Artist"] = "Someone else";
    const std::string replacement = other.WriteTo(dir.File("other.jpg"));
    Exiv2::BasicIo::AutoPtr opened(RegularFileIo::Open(image).release());
    ASSERT_EQ(std::rename(replacement.c_str(), image.c_str()), 0);
    std::unique_ptr<Exiv2::Image> read(Exiv2::ImageFactory::open(opened).release());
    ASSERT_TRUE(read);
    read->readMetadata();
    EXPECT_EQ(read->exifData()["Exif.Image.Artist"].toString(),
              test::SampleFixture().exif["Exif.Image.Artist"].toString());
    EXPECT_EQ(read->io().path(), image);  // messages name the path as given

    // A mapping shows the file; a writable one is a copy of it.
    const std::unique_ptr<RegularFileIo> io = RegularFileIo::Open(path);
    ASSERT_EQ(io->open(), 0);
    Exiv2::byte* mapped = io->mmap(true);
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(std::memcmp(mapped, bytes.data(), bytes.size()), 0);
    mapped[0] ^= 0xff;
    EXPECT_EQ(io->close(), 0);
    EXPECT_EQ(test::ReadBytes(path), bytes);
    ASSERT_EQ(io->open(), 0);
    EXPECT_THROW(io->read(static_cast<long>(bytes.size()) + 1), Exiv2::AnyError);
    EXPECT_THROW(io->transfer(*io), Exiv2::AnyError);  // it only reads
}

}  // namespace
}  // namespace lumenmeta
