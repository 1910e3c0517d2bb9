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

}  // namespace
}  // namespace lumenmeta
