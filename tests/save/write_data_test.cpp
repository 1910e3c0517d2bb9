// Writing a handle into files and into memory, and what a failed write leaves
// behind: no changed file, the reason traced, a usable handle.
#include "lumenmeta.h"

#include "handle/process_setup.h"

#include "support/child_process.h"
#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace lumenmeta {
namespace {

using test::HandlePtr;
using Bytes = std::vector<unsigned char>;
using Texts = std::vector<std::string>;

// Checks each "key=text|text" (no text: no datum) against the file, read with Exiv2.
void ExpectOnDisk(const std::string& path, const Texts& expected) {
    const test::FileMetadata file = test::ReadBack(path);
    for (const std::string& row : expected) {
        const std::string key = row.substr(0, row.find('='));
        const Texts texts = key[0] == 'X'   ? test::ValuesOf(file.xmp, key)
                            : key[0] == 'I' ? test::ValuesOf(file.iptc, key)
                                            : test::ValuesOf(file.exif, key);
        std::string joined = key + "=";
        for (size_t i = 0; i < texts.size(); ++i) joined += (i ? "|" : "") + texts[i];
        EXPECT_EQ(joined, row) << path;
    }
}

// A write's result and trace pieces joined by '|', Exiv2's reason for a failure as "<reason>"
// unless `keepReason`.
std::string Attempt(MetaHandle* handle, const char* path, int xmpMode = 0,
                    bool keepReason = false) {
    test::TraceCapture trace;
    const int result = WriteData(handle, path, xmpMode, 0);
    const Texts pieces = trace.pieces();
    std::string text = std::to_string(result);
    for (size_t i = 0; i < pieces.size(); ++i) {
        const bool reason =
            !keepReason && result == 0 && i + 2 == pieces.size() && !pieces[i].empty();
        text += "|" + (reason ? std::string("<reason>") : pieces[i]);
    }
    return text;
}

std::string Failed(const std::string& path) {
    return "0|Writing into file: |" + path + "|\n|Unable to write into file: |" + path +
           "| Reason: |<reason>|\n";
}

class WriteDataTest : public testing::Test {
protected:
    void SetUp() override { EnsureProcessSetup(); }
    test::TempDir dir;
};

TEST_F(WriteDataTest, TheSourceIsCarriedThenTheEditsMirroredInPlaceOrIntoATarget) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->exifData["Exif.Image.Artist"] = "Edited Artist";
    handle->xmpData["Xmp.dc.rights"] = "\xC2\xA9 Ann";
    handle->xmpData["Xmp.dc.description"] = "Caf\xC3\xA9";
    handle->xmpData["Xmp.Lumenframe.Exif.Image.ImageDescription"] = "Own \xC3\xA9";
    test::EraseAll(handle->exifData, "Exif.Image.Model");  // cleared in each family
    handle->deletedKeys = {"Exif.Image.Model", "Xmp.tiff.Model", "Iptc.Application2.City"};
    // Changed after the open: read again at each write, in place too (keepTargetUnread=1).
    test::FixtureImage changed = test::CameraSource();
    changed.exif["Exif.Image.YResolution"] = Exiv2::URational(150, 1);
    changed.WriteTo(source);
    const test::HandleSnapshot before = test::Snapshot(*handle);
    struct Case { const char* name; int xmpMode, keepTargetUnread; const char* yResolution; };
    // XMP mode 1 keeps a source's XMP, 2 removes it, 3 rewrites it compactly.
    for (const Case& c : {Case{"std", 0, 0, "300/1"}, Case{"unread", 0, 1, "150/1"},
                          Case{"one", 1, 0, "300/1"}, Case{"two", 2, 0, "300/1"},
                          Case{"three", 3, 0, "300/1"}, Case{"seven", 7, 0, "300/1"},
                          Case{nullptr, 0, 1, "150/1"}}) {
        const std::string path = c.name ? test::ExistingTarget().WriteTo(dir.File(c.name)) : source;
        ASSERT_EQ(c.name && c.xmpMode + c.keepTargetUnread == 0
                      ? WriteDataStd(handle.get(), path.c_str())
                      : WriteData(handle.get(), c.name ? path.c_str() : nullptr, c.xmpMode,
                                  c.keepTargetUnread),
                  1);
        // The source's standard and maker-note tags, IPTC and XMP, then the edits
        // (Exif in the ANSI code page). A read target keeps what is not carried.
        const bool read = c.name && c.keepTargetUnread == 0;
        const std::string title = c.xmpMode == 2 ? "" : "lang=\"x-default\" Source title";
        ExpectOnDisk(path, {"Exif.Image.Make=NIKON CORPORATION", "Exif.Nikon3.Quality=FINE",
                            "Iptc.Application2.Keywords=harbour|boats", "Xmp.dc.title=" + title,
                            "Exif.Image.Artist=Edited Artist", "Exif.Image.Copyright=\xC2\xA9 Ann",
                            "Iptc.Application2.Copyright=\xC2\xA9 Ann",
                            "Exif.Image.ImageDescription=Own \xC3\xA9",
                            "Iptc.Application2.Caption=Caf\xC3\xA9",
                            "Iptc.Envelope.CharacterSet=\x1b%G", "Iptc.Application2.City=",
                            "Exif.Image.Model=", "Xmp.tiff.Model=",
                            std::string("Exif.Image.YResolution=") + c.yResolution,
                            read ? "Exif.Image.XResolution=300/1" : "Exif.Image.XResolution=72/1",
                            read ? "Exif.Image.Software=Target Software" : "Exif.Image.Software="});
    }
    EXPECT_TRUE(test::Snapshot(*handle) == before);
}

TEST_F(WriteDataTest, AFailedWriteChangesNoFileAndLeavesTheHandleUsable) {
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);  // the unprivileged child must get in
    // No metadata in the source: no merge traces between the lines of a failure.
    const std::string source = test::FixtureImage().WriteTo(dir.File("source.jpg"));
    const std::string missing = dir.File("missing.jpg");
    const std::string locked = test::ExistingTarget().WriteTo(dir.File("locked.jpg"));
    const std::string open = test::ExistingTarget().WriteTo(dir.File("open.jpg"));
    ASSERT_EQ(chmod(locked.c_str(), 0444) + chmod(open.c_str(), 0666), 0);
    const Bytes lockedBytes = test::ReadBytes(locked);
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    const test::HandleSnapshot before = test::Snapshot(*handle);

    // As a user whom permission bits stop; a file in a locked folder is overwritten in place.
    const std::string report = test::RunUnprivileged([&] {
        return Attempt(handle.get(), missing.c_str()) + Attempt(handle.get(), locked.c_str()) +
               (test::Snapshot(*handle) == before ? "same " : "changed ") +
               Attempt(handle.get(), open.c_str());
    });
    EXPECT_EQ(report,
              Failed(missing) + Failed(locked) + "same 1|Writing into file: |" + open + "|\n");
    EXPECT_NE(access(missing.c_str(), F_OK), 0);
    EXPECT_EQ(test::ReadBytes(locked), lockedBytes);

    // A lost source is traced, the write goes on (mode 1: no XMP); in place it cannot.
    ASSERT_EQ(std::remove(source.c_str()), 0);
    EXPECT_EQ(Attempt(handle.get(), open.c_str(), 1),
              "1|Writing into file: |" + open + "|\n|Unable to read from srcfile: |" + source +
                  "|\n");
    ExpectOnDisk(open, {"Xmp.dc.title=", "Iptc.Application2.City=Bergen"});
    EXPECT_EQ(Attempt(handle.get(), nullptr), Failed(source));

    // Refused handles: none, one that did not open, one without an own file.
    HandlePtr invalid(OpenMetaHandle(missing.c_str(), 0)), pathless(OpenMetaHandle(nullptr, 0));
    EXPECT_EQ(Attempt(nullptr, open.c_str()) + Attempt(invalid.get(), open.c_str()) +
                  Attempt(invalid.get(), nullptr) + Attempt(pathless.get(), nullptr),
              "0000|Writing into file: ||\n");
    EXPECT_EQ(WriteDataStd(nullptr, nullptr), 0);
}

// Formats Exiv2 reads but cannot write are refused before anything is read
// or written, with the format named: into a file, in place, in memory and
// by a copy.
TEST_F(WriteDataTest, AFormatThatCannotBeWrittenIsRefusedWithItsName) {
    const std::string source = test::SampleFixture().WriteTo(dir.File("source.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    struct Case { const char* name; const char* brands; const char* format; };
    for (const Case& c : {Case{"a.heic", "heicmif1", "HEIF"}, Case{"b.avif", "avif", "AVIF"},
                          Case{"c.heic", "mif1avif", "AVIF"}, Case{"d.cr3", "crx crx isom", "CR3"},
                          Case{"e.mp4", "isom", "MP4"}}) {
        // In memory an unknown brand has no extension to go by.
        const std::string inMemory = c.format == std::string("MP4") ? "BMFF" : c.format;
        const std::string path = dir.File(c.name);
        SCOPED_TRACE(path);
        test::WriteBytes(path, test::BmffBytes(c.brands));
        const Bytes bytes = test::ReadBytes(path);
        const std::string reason = std::string(c.format) + " files cannot be written in place";
        const std::string failed = "0|Writing into file: |" + path +
                                   "|\n|Unable to write into file: |" + path + "| Reason: |" +
                                   reason + "|\n";
        EXPECT_EQ(Attempt(handle.get(), path.c_str(), 0, true), failed);
        HandlePtr own(OpenMetaHandle(path.c_str(), 0));
        ASSERT_TRUE(own->isValid);
        own->xmpData["Xmp.dc.title"] = "T";
        EXPECT_EQ(Attempt(own.get(), nullptr, 0, true), failed);
        test::TraceCapture trace;
        int32_t size = static_cast<int32_t>(bytes.size());
        EXPECT_EQ(WriteDataToMem(handle.get(), bytes.data(), &size, 0), nullptr);
        EXPECT_EQ(CopyImageMetaData(source.c_str(), path.c_str(), 0), 0);
        std::string traced;
        for (const std::string& piece : trace.pieces()) traced += "|" + piece;
        // The copy traces nothing: it is refused earlier, as the format keeps no comment.
        EXPECT_EQ(traced, "|Unable to write into file: || Reason: |" + inMemory +
                              " files cannot be written in place|\n");
        EXPECT_EQ(test::ReadBytes(path), bytes);
    }
}

TEST_F(WriteDataTest, ModeThreeLeavesASmallFileNamedLikeASidecarUnread) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    // {name, mode, whether the target's own comment survives}: the name test
    // is case-sensitive and applies to mode 3 only.
    struct Case { const char* name; int mode; bool read; };
    for (const Case& c : {Case{"tiny.xmp.jpg", 3, false}, Case{"tiny.XMP.jpg", 3, true},
                          Case{"tiny.xmp.jpg", 0, true}, Case{"tiny-xmp.jpg", 3, true}}) {
        const std::string path = dir.File(std::to_string(c.mode) + c.name);
        test::WriteBytes(path, test::kTinyJpegWithComment);
        SCOPED_TRACE(path);
        ASSERT_EQ(WriteData(handle.get(), path.c_str(), c.mode, 0), 1);
        EXPECT_EQ(test::CommentOf(path), c.read ? "helo" : "");
        ExpectOnDisk(path, {"Exif.Image.Make=NIKON CORPORATION"});
    }
}

TEST_F(WriteDataTest, ToMemoryTheResultIsABufferTheHandleOwnsAndAFailureKeepsIt) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const Bytes input = test::ExistingTarget().Bytes();
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->iptcData["Iptc.Application2.Caption"] = "Edited caption";
    // The size goes in as the input's and comes out as the result's.
    const auto sizeIn = [&input] { return static_cast<int32_t>(input.size()); };
    int32_t size = sizeIn();
    unsigned char* first = WriteDataToMem(handle.get(), input.data(), &size, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, handle->memBuffer);
    test::WriteBytes(dir.File("memory.jpg"), Bytes(first, first + size));
    ExpectOnDisk(dir.File("memory.jpg"),
                 {"Exif.Image.Make=NIKON CORPORATION", "Iptc.Application2.Caption=Edited caption"});

    // The next result replaces the buffer; a failure gives null and keeps the last result.
    int32_t secondSize = sizeIn();
    unsigned char* second = WriteDataToMem(handle.get(), input.data(), &secondSize, 0);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second, handle->memBuffer);
    const Bytes secondBytes(second, second + secondSize), noise(300, 0x42);
    int32_t noiseSize = 300, zero = 0;
    test::TraceCapture trace;
    EXPECT_EQ(WriteDataToMem(handle.get(), noise.data(), &noiseSize, 0), nullptr);
    EXPECT_EQ(WriteDataToMem(handle.get(), input.data(), &zero, 0), nullptr);
    EXPECT_EQ(WriteDataToMem(handle.get(), nullptr, &(size = sizeIn()), 0), nullptr);
    EXPECT_EQ(WriteDataToMem(handle.get(), input.data(), nullptr, 0), nullptr);
    EXPECT_EQ(WriteDataToMem(nullptr, input.data(), &(size = sizeIn()), 0), nullptr);
    ASSERT_EQ(std::remove(source.c_str()), 0);  // unlike the file writer, the call fails
    EXPECT_EQ(WriteDataToMem(handle.get(), input.data(), &(size = sizeIn()), 0), nullptr);
    EXPECT_TRUE(noiseSize == 300 && zero == 0 && size == sizeIn() && trace.pieces().empty());
    EXPECT_EQ(handle->memBuffer, second);
    EXPECT_EQ(Bytes(second, second + secondSize), secondBytes);
}

// Exiv2 writes a value of the same size into a TIFF in place, in a writable
// mapping: in memory that mapping is a copy, the caller's bytes stay as they
// were, and the edited copy is the result.
TEST_F(WriteDataTest, ToMemoryATiffEditedInPlaceLeavesTheCallersBytesAsTheyWere) {
    test::FixtureImage fixture;
    fixture.exif["Exif.Image.Orientation"] = uint16_t(1);
    const std::string path = fixture.WriteTiffTo(dir.File("photo.tif"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    // Written twice first, the file holds all a write adds (the XMP twin, its
    // packet's padding); the write to memory then only changes the value.
    for (const char16_t* settle : {u"6", u"1"}) {
        ASSERT_EQ(AddMetaDataW(handle.get(), "Exif.Image.Orientation", test::MakeBstr(settle).get()), 1);
        ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    }
    const Bytes input = test::ReadBytes(path);
    ASSERT_EQ(AddMetaDataW(handle.get(), "Exif.Image.Orientation", test::MakeBstr(u"3").get()), 1);
    int32_t size = static_cast<int32_t>(input.size());
    const Bytes lent = input;
    unsigned char* written = WriteDataToMem(handle.get(), lent.data(), &size, 0);
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(lent, input);
    EXPECT_EQ(size, static_cast<int32_t>(input.size()));  // edited in place
    test::WriteBytes(dir.File("memory.tif"), Bytes(written, written + size));
    ExpectOnDisk(dir.File("memory.tif"), {"Exif.Image.Orientation=3"});
}

}  // namespace
}  // namespace lumenmeta
