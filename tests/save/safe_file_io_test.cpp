// A write in place keeps the set-user-ID, set-group-ID and sticky bits with
// the permission bits, whichever way the new content reaches the file: an
// anonymous temporary file, a named one, or a copy over a file with two hard
// links. Giving the replacement its owner clears the set-ID bits, so they
// must be set after it.
#include "lumenmeta.h"

#include "save/file_calls.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace lumenmeta {
namespace {

using namespace test;

// Makes the file system look as if it had no anonymous files while alive.
class NoAnonymousFiles {
public:
    NoAnonymousFiles() { fileCalls.openat = OpenAt; }
    ~NoAnonymousFiles() { fileCalls = SystemFileCalls(); }
    NoAnonymousFiles(const NoAnonymousFiles&) = delete;
    NoAnonymousFiles& operator=(const NoAnonymousFiles&) = delete;

private:
    static int OpenAt(int folder, const char* name, int flags, mode_t mode) {
        if ((flags & O_TMPFILE) == O_TMPFILE) {
            errno = EOPNOTSUPP;
            return -1;
        }
        return SystemFileCalls().openat(folder, name, flags, mode);
    }
};

TEST(SafeFileIo, SetIdAndStickyBitsSurviveAWriteInPlace) {
    enum class Way { anonymous, named, hardLink };
    for (const Way way : {Way::anonymous, Way::named, Way::hardLink}) {
        for (const mode_t mode : {mode_t{06755}, mode_t{01644}, mode_t{04700}, mode_t{02750}}) {
            SCOPED_TRACE(testing::Message() << "way " << static_cast<int>(way) << ", mode 0" << std::oct << mode);
            TempDir dir;
            const std::string path = SampleFixture().WriteTo(dir.File("photo.jpg"));
            if (way == Way::hardLink) {
                ASSERT_EQ(link(path.c_str(), dir.File("alias.jpg").c_str()), 0);
            }
            ASSERT_EQ(chmod(path.c_str(), mode), 0);
            struct stat before {}, after {};
            ASSERT_EQ(stat(path.c_str(), &before), 0);
            ASSERT_EQ(before.st_mode & 07777, mode);
            {
                HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
                EXPECT_EQ(AddMetaDataW(handle.get(), "Exif.Image.Artist", MakeBstr(u"Mode").get()), 1);
                std::optional<NoAnonymousFiles> named;
                if (way == Way::named) named.emplace();
                EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
            }
            ASSERT_EQ(stat(path.c_str(), &after), 0);
            EXPECT_EQ(after.st_mode & 07777, mode);
            EXPECT_EQ(after.st_mode & S_IFMT, S_IFREG);
            EXPECT_EQ(way == Way::hardLink, after.st_ino == before.st_ino);  // the copy in place
            EXPECT_EQ(ValuesOf(ReadBack(path).exif, "Exif.Image.Artist"), Texts{"Mode"});
        }
    }
}

// Makes every fsync fail with EIO while alive.
class FailingFsync {
public:
    FailingFsync() { fileCalls.fsync = [](int) { errno = EIO; return -1; }; }
    ~FailingFsync() { fileCalls = SystemFileCalls(); }
    FailingFsync(const FailingFsync&) = delete;
    FailingFsync& operator=(const FailingFsync&) = delete;
};

// Exiv2 writes a value of the same size into a TIFF in place, in a writable
// mapping of the file, and stores nothing else: that edit too is made
// durable in a new file before it is put in place, and a failure leaves the
// file as it was.
TEST(SafeFileIo, AnEditExiv2MakesInATiffsMappingIsStoredLikeAnyNewContent) {
    TempDir dir;
    FixtureImage fixture;
    fixture.exif["Exif.Image.Orientation"] = uint16_t(1);
    fixture.exif["Exif.Image.Make"] = "Maker";
    const std::string path = fixture.WriteTiffTo(dir.File("photo.tif"));
    const auto setOrientation = [&](const char16_t* value) {
        HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
        EXPECT_EQ(AddMetaDataW(handle.get(), "Exif.Image.Orientation", MakeBstr(value).get()), 1);
        return WriteData(handle.get(), nullptr, 0, 0);
    };
    // The first writes add what the library adds to any file (the XMP twin,
    // then its packet's padding); the next only changes the value.
    ASSERT_EQ(setOrientation(u"6"), 1);
    ASSERT_EQ(setOrientation(u"1"), 1);
    const std::vector<unsigned char> before = ReadBytes(path);
    {
        FailingFsync failing;
        EXPECT_EQ(setOrientation(u"3"), 0);
    }
    EXPECT_EQ(ReadBytes(path), before);

    struct stat held {}, after {};
    ASSERT_EQ(stat(path.c_str(), &held), 0);
    EXPECT_EQ(setOrientation(u"3"), 1);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, held.st_ino);  // a new file, put in place
    EXPECT_EQ(ReadBytes(path).size(), before.size());  // the edit was made in place
    EXPECT_EQ(ValuesOf(ReadBack(path).exif, "Exif.Image.Orientation"), Texts{"3"});
}

}  // namespace
}  // namespace lumenmeta
