#include "save/safe_file_io.h"

#include "support/fixture_image.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <set>

namespace lumenmeta {
namespace {

using test::ReadBack;
using test::ReadBytes;
using test::SampleFixture;
using test::TempDir;

std::set<std::string> Entries(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void SetArtist(const std::string& path, const std::string& artist) {
    std::unique_ptr<Exiv2::Image> image = OpenImageForWriting(path);
    image->readMetadata();
    image->exifData()["Exif.Image.Artist"] = artist;
    image->writeMetadata();
}

// Runs `body` in a child process and returns its exit code.
int InChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(SafeFileIo, ReplacesTheFileKeepingItsPermissionsAndLeavingNothingBehind) {
    TempDir dir;
    const std::string path = SampleFixture().WriteTo(dir.File("photo.jpg"));
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    SetArtist(path, "Bea Example");

    const test::FileMetadata onDisk = ReadBack(path);
    EXPECT_EQ(onDisk.exif.findKey(Exiv2::ExifKey("Exif.Image.Artist"))->toString(), "Bea Example");
    EXPECT_EQ(onDisk.exif.findKey(Exiv2::ExifKey("Exif.Image.Model"))->toString(), "LX-1");
    EXPECT_EQ(onDisk.width, 16);
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"photo.jpg"});
}

TEST(SafeFileIo, RefusesATargetItMayNotWriteBeforeWritingAnything) {
    TempDir dir;
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    const std::string path = SampleFixture().WriteTo(dir.File("locked.jpg"));
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const std::vector<unsigned char> before = ReadBytes(path);
    const int code = InChild([&] {
        // As root, permission bits stop nothing: become an ordinary user.
        if (getuid() == 0 && setuid(65534) != 0) return 3;
        try {
            SetArtist(path, "Not allowed");
        } catch (const Exiv2::AnyError& error) {
            return error.code() == Exiv2::kerFileOpenFailed ? 0 : 4;
        }
        return 5;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"locked.jpg"});
}

// The error code Exiv2's own open raises for `path`, or -1 when it opens.
int Exiv2OpenError(const std::string& path) {
    try {
        Exiv2::ImageFactory::open(path);
    } catch (const Exiv2::AnyError& error) {
        return error.code();
    }
    return -1;
}

TEST(SafeFileIo, OpeningFailsAsExiv2sOwnOpenDoes) {
    TempDir dir;
    test::WriteBytes(dir.File("text.jpg"), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    test::WriteBytes(dir.File("unknown.bin"), std::vector<unsigned char>(64, 0x42));
    for (const std::string& path :
         {dir.File("missing.jpg"), dir.File("text.jpg"), dir.File("unknown.bin")}) {
        const int expected = Exiv2OpenError(path);
        ASSERT_NE(expected, -1) << path;
        try {
            OpenImageForWriting(path);
            ADD_FAILURE() << path << " opened";
        } catch (const Exiv2::AnyError& error) {
            EXPECT_EQ(error.code(), expected) << path;
        }
    }
}

TEST(SafeFileIo, CreatingAnImageWritesItsBlankFormOrRefusesAsExiv2Does) {
    TempDir dir;
    const std::string sidecar = dir.File("photo.xmp");
    test::WriteBytes(sidecar, std::vector<unsigned char>(100, 'x'));  // emptied by the create
    std::unique_ptr<Exiv2::Image> image = CreateImageForWriting(Exiv2::ImageType::xmp, sidecar);
    EXPECT_EQ(Exiv2::ImageFactory::getType(sidecar), Exiv2::ImageType::xmp);
    image->readMetadata();
    image->xmpData()["Xmp.dc.format"] = "image/jpeg";
    image->writeMetadata();
    EXPECT_EQ(ReadBack(sidecar).xmp.findKey(Exiv2::XmpKey("Xmp.dc.format"))->toString(),
              "image/jpeg");

    const std::string jpeg = dir.File("new.jpg");
    CreateImageForWriting(Exiv2::ImageType::jpeg, jpeg);
    EXPECT_EQ(Exiv2::ImageFactory::getType(jpeg), Exiv2::ImageType::jpeg);

    for (const std::string& bad : {dir.File("no-folder/new.jpg"), dir.path()}) {
        try {
            CreateImageForWriting(Exiv2::ImageType::jpeg, bad);
            ADD_FAILURE() << bad << " was created";
        } catch (const Exiv2::AnyError& error) {
            EXPECT_EQ(error.code(), Exiv2::kerFileOpenFailed) << bad;
        }
    }
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"photo.xmp", "new.jpg"}));
}

}  // namespace
}  // namespace lumenmeta
