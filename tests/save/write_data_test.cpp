#include "lumenmeta.h"

#include "handle/process_setup.h"

#include "support/fixture_image.h"
#include "support/handle_state.h"
#include "support/minimal_jpeg.h"
#include "support/run_unprivileged.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"
#include "support/write_fixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FileMetadata;
using test::HandlePtr;
using test::ReadBack;
using test::TempDir;
using test::TraceCapture;
using test::ValuesOf;
using Texts = std::vector<std::string>;

Texts Head(const Texts& pieces, size_t count) {
    return Texts(pieces.begin(), pieces.begin() + static_cast<long>(std::min(count, pieces.size())));
}

// Clears a key as the host does: every datum of it leaves the working set
// and the key is remembered for the writes.
void ClearKey(MetaHandle& handle, const std::string& key) {
    if (key.rfind("Xmp.", 0) == 0) {
        test::EraseAll(handle.xmpData, key);
    } else if (key.rfind("Iptc.", 0) == 0) {
        test::EraseAll(handle.iptcData, key);
    } else {
        test::EraseAll(handle.exifData, key);
    }
    handle.deletedKeys.insert(key);
}

Texts WritingInto(const std::string& path) { return {"Writing into file: ", path, "\n"}; }

// The five pieces of a failed write, with Exiv2's reason checked only for
// being there.
void ExpectWriteFailure(const Texts& pieces, size_t at, const std::string& path) {
    ASSERT_EQ(pieces.size(), at + 5);
    EXPECT_EQ(pieces[at], "Unable to write into file: ");
    EXPECT_EQ(pieces[at + 1], path);
    EXPECT_EQ(pieces[at + 2], " Reason: ");
    EXPECT_FALSE(pieces[at + 3].empty());
    EXPECT_EQ(pieces[at + 4], "\n");
}

class WriteTest : public testing::Test {
protected:
    void SetUp() override { EnsureProcessSetup(); }
    TempDir dir;
};

using WriteDataInPlace = WriteTest;
using WriteDataToTarget = WriteTest;
using WriteDataXmpModes = WriteTest;
using WriteDataFailures = WriteTest;

TEST_F(WriteDataInPlace, AnEditIsWrittenIntoTheOwnFileAndReadsBack) {
    const std::string path = test::SampleFixture().WriteTo(dir.File("own.jpg"));
    HandlePtr handle(OpenMetaHandle(path.c_str(), 0));
    handle->exifData["Exif.Image.Artist"] = "Bea Edited";
    handle->iptcData["Iptc.Application2.Caption"] = "Edited caption";
    handle->xmpData["Xmp.Lumenframe.VarU_Client"] = "New client";
    // A host clears a property in every family that converts it.
    for (const char* key : {"Exif.Image.Model", "Xmp.tiff.Model", "Iptc.Application2.Keywords",
                            "Xmp.dc.subject"}) {
        ClearKey(*handle, key);
    }
    {
        // Changed on disk after the handle was opened: the file is read again
        // at the write, and keepTargetUnread applies only to a named target.
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
        image->readMetadata();
        image->exifData()["Exif.Image.Software"] = "Added later";
        image->writeMetadata();
    }
    const test::HandleSnapshot before = test::Snapshot(*handle);

    TraceCapture trace;
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 1), 1);

    EXPECT_EQ(Head(trace.pieces(), 3), WritingInto(path));
    const FileMetadata onDisk = ReadBack(path);
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Bea Edited"});
    EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.creator"), Texts{"Bea Edited"});
    EXPECT_TRUE(ValuesOf(onDisk.exif, "Exif.Image.Model").empty());
    EXPECT_TRUE(ValuesOf(onDisk.xmp, "Xmp.tiff.Model").empty());
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Make"), Texts{"Lumen Camera Works"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.XResolution"), Texts{"72/1"});
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Software"), Texts{"Added later"});
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Caption"), Texts{"Edited caption"});
    EXPECT_TRUE(ValuesOf(onDisk.iptc, "Iptc.Application2.Keywords").empty());
    EXPECT_TRUE(ValuesOf(onDisk.xmp, "Xmp.dc.subject").empty());
    EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.title"), Texts{"lang=\"x-default\" Harbour at dawn"});
    EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.Lumenframe.VarU_Client"), Texts{"New client"});
    EXPECT_EQ(onDisk.width, test::kMinimalJpegWidth);
    EXPECT_TRUE(test::Snapshot(*handle) == before);
}

TEST_F(WriteDataToTarget, CarriesTheSourceThenMergesTheEdits) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const std::string target = test::ExistingTarget().WriteTo(dir.File("target.jpg"));
    const std::string unread = test::ExistingTarget().WriteTo(dir.File("unread.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    ASSERT_TRUE(handle->isValid);
    handle->exifData["Exif.Image.Artist"] = "Edited Artist";
    handle->iptcData["Iptc.Application2.Caption"] = "Edited caption";
    handle->xmpData["Xmp.Lumenframe.VarU_Client"] = "Edited client";
    const test::HandleSnapshot before = test::Snapshot(*handle);

    ASSERT_EQ(WriteData(handle.get(), target.c_str(), 0, 0), 1);
    ASSERT_EQ(WriteData(handle.get(), unread.c_str(), 0, 1), 1);
    EXPECT_TRUE(test::Snapshot(*handle) == before);

    for (const std::string& path : {target, unread}) {
        SCOPED_TRACE(path);
        const FileMetadata onDisk = ReadBack(path);
        // Standard and maker-note tags of the source.
        EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Make"), Texts{"NIKON CORPORATION"});
        EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Photo.DateTimeOriginal"),
                  Texts{"2024:05:01 10:00:00"});
        EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Nikon3.Quality"), Texts{"FINE"});
        // All IPTC and XMP of the source, replacing the target's values.
        EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Keywords"),
                  (Texts{"harbour", "boats"}));
        EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.title"), Texts{"lang=\"x-default\" Source title"});
        // Then the edits.
        EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Edited Artist"});
        EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Caption"), Texts{"Edited caption"});
        EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.Lumenframe.VarU_Client"), Texts{"Edited client"});
    }

    const FileMetadata read = ReadBack(target);
    // The target's own tags that are neither standard nor maker-note tags
    // stay, and so do its keys the source does not hold.
    EXPECT_EQ(ValuesOf(read.exif, "Exif.Image.XResolution"), Texts{"300/1"});
    EXPECT_EQ(ValuesOf(read.exif, "Exif.Image.YResolution"), Texts{"300/1"});
    EXPECT_EQ(ValuesOf(read.exif, "Exif.Image.Software"), Texts{"Target Software"});
    EXPECT_EQ(ValuesOf(read.iptc, "Iptc.Application2.City"), Texts{"Bergen"});
    EXPECT_EQ(ValuesOf(read.xmp, "Xmp.dc.format"), Texts{"image/jpeg"});
    EXPECT_EQ(ValuesOf(read.xmp, "Xmp.xmp.Rating"), Texts{"2"});

    // Unread, the target's previous metadata is gone. The source's
    // resolution is not carried as an Exif tag, but it reaches the target
    // through the source's XMP, which is first brought in step with its Exif.
    const FileMetadata fresh = ReadBack(unread);
    EXPECT_EQ(ValuesOf(fresh.exif, "Exif.Image.XResolution"), Texts{"72/1"});
    EXPECT_TRUE(ValuesOf(fresh.exif, "Exif.Image.YResolution").empty());
    EXPECT_TRUE(ValuesOf(fresh.exif, "Exif.Image.Software").empty());
    EXPECT_TRUE(ValuesOf(fresh.iptc, "Iptc.Application2.City").empty());
    EXPECT_TRUE(ValuesOf(fresh.xmp, "Xmp.dc.format").empty());
    EXPECT_TRUE(ValuesOf(fresh.xmp, "Xmp.xmp.Rating").empty());
}

TEST_F(WriteDataToTarget, ClearedKeysStayClearedAcrossWritesAndTargets) {
    const std::string source = test::SampleFixture().WriteTo(dir.File("source.jpg"));
    const std::string first = test::ExistingTarget().WriteTo(dir.File("first.jpg"));
    const std::string second = test::SampleFixture().WriteTo(dir.File("second.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    for (const char* key : {"Exif.Image.Artist", "Xmp.dc.creator", "Iptc.Application2.Keywords",
                            "Xmp.dc.subject"}) {
        ClearKey(*handle, key);
    }
    const test::HandleSnapshot before = test::Snapshot(*handle);

    auto expectCleared = [](const std::string& path) {
        SCOPED_TRACE(path);
        const FileMetadata onDisk = ReadBack(path);
        EXPECT_TRUE(ValuesOf(onDisk.exif, "Exif.Image.Artist").empty());
        EXPECT_TRUE(ValuesOf(onDisk.xmp, "Xmp.dc.creator").empty());
        EXPECT_TRUE(ValuesOf(onDisk.iptc, "Iptc.Application2.Keywords").empty());
        EXPECT_TRUE(ValuesOf(onDisk.xmp, "Xmp.dc.subject").empty());
        EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Caption"), Texts{"A quiet harbour"});
    };
    ASSERT_EQ(WriteData(handle.get(), first.c_str(), 0, 0), 1);
    expectCleared(first);
    ASSERT_EQ(WriteDataStd(handle.get(), second.c_str()), 1);
    expectCleared(second);
    {
        // The keys come back into the first target from elsewhere.
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(first).release());
        image->readMetadata();
        image->exifData()["Exif.Image.Artist"] = "Back again";
        image->iptcData()["Iptc.Application2.Keywords"] = "back";
        image->writeMetadata();
    }
    ASSERT_EQ(WriteData(handle.get(), first.c_str(), 0, 0), 1);
    expectCleared(first);
    ASSERT_EQ(WriteData(handle.get(), nullptr, 0, 0), 1);
    expectCleared(source);
    EXPECT_TRUE(test::Snapshot(*handle) == before);
}

TEST_F(WriteDataToTarget, WriteDataStdIsWriteDataWithModeZero) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const std::string viaStd = test::ExistingTarget().WriteTo(dir.File("std.jpg"));
    const std::string viaFull = test::ExistingTarget().WriteTo(dir.File("full.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->xmpData["Xmp.dc.source"] = "roll 7";
    TraceCapture trace;
    ASSERT_EQ(WriteDataStd(handle.get(), viaStd.c_str()), 1);
    Texts stdPieces = trace.pieces();
    trace.Clear();
    ASSERT_EQ(WriteData(handle.get(), viaFull.c_str(), 0, 0), 1);
    Texts fullPieces = trace.pieces();
    ASSERT_GT(stdPieces.size(), 3u);
    stdPieces[1] = fullPieces[1] = "<path>";
    EXPECT_EQ(stdPieces, fullPieces);
    const FileMetadata a = ReadBack(viaStd);
    const FileMetadata b = ReadBack(viaFull);
    EXPECT_EQ(test::Images(a.exif), test::Images(b.exif));
    EXPECT_EQ(test::Images(a.iptc), test::Images(b.iptc));
    EXPECT_EQ(test::Images(a.xmp), test::Images(b.xmp));
}

TEST_F(WriteDataToTarget, AHandleWithoutSourceFileAddsOnlyItsWorkingSet) {
    const std::vector<unsigned char> bytes = test::CameraSource().Bytes();
    const std::string target = test::ExistingTarget().WriteTo(dir.File("target.jpg"));
    HandlePtr handle(OpenMemImage(bytes.data(), static_cast<int32_t>(bytes.size())));
    ASSERT_NE(handle, nullptr);
    handle->exifData.clear();
    handle->iptcData.clear();
    handle->xmpData.clear();
    handle->exifData["Exif.Image.Artist"] = "Ann";

    TraceCapture trace;
    ASSERT_EQ(WriteData(handle.get(), target.c_str(), 1, 0), 1);

    EXPECT_EQ(trace.pieces(), (Texts{"Writing into file: ", target, "\n", "Exif-Key: ",
                                     "Exif.Image.Artist", " Value: ", "Ann", "\n"}));
    const FileMetadata onDisk = ReadBack(target);
    EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Ann"});
    EXPECT_TRUE(ValuesOf(onDisk.exif, "Exif.Image.Make").empty());
    EXPECT_EQ(ValuesOf(onDisk.iptc, "Iptc.Application2.Keywords"), Texts{"target keyword"});
    // No source file, so no source XMP: mode 1 removes all XMP.
    EXPECT_TRUE(onDisk.xmp.empty());
}

TEST_F(WriteDataXmpModes, EachModeTreatsTheMergedXmpAsDefined) {
    const std::string withXmp = test::CameraSource().WriteTo(dir.File("with-xmp.jpg"));
    test::FixtureImage plain;
    plain.exif["Exif.Image.Make"] = "Plain";
    const std::string withoutXmp = plain.WriteTo(dir.File("without-xmp.jpg"));
    HandlePtr richHandle(OpenMetaHandle(withXmp.c_str(), 0));
    HandlePtr plainHandle(OpenMetaHandle(withoutXmp.c_str(), 0));

    struct Case {
        MetaHandle* handle;
        int mode;
        bool xmpExpected;
    };
    const Case cases[] = {
        {richHandle.get(), 0, true},   {richHandle.get(), 7, true},
        {richHandle.get(), 1, true},   {plainHandle.get(), 1, false},
        {richHandle.get(), 2, false},  {plainHandle.get(), 2, false},
        {richHandle.get(), 3, true},   {plainHandle.get(), 3, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string target =
            test::ExistingTarget().WriteTo(dir.File("mode-" + std::to_string(n++) + ".jpg"));
        SCOPED_TRACE(target + " mode " + std::to_string(c.mode));
        ASSERT_EQ(WriteData(c.handle, target.c_str(), c.mode, 0), 1);
        const FileMetadata onDisk = ReadBack(target);
        EXPECT_EQ(!onDisk.xmp.empty(), c.xmpExpected);
        if (c.xmpExpected) {
            EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.title"),
                      Texts{c.handle == richHandle.get() ? "lang=\"x-default\" Source title"
                                                          : "lang=\"x-default\" Target title"});
            EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.format"), Texts{"image/jpeg"});
        }
        // Exif and IPTC are written whatever the mode.
        EXPECT_FALSE(ValuesOf(onDisk.iptc, "Iptc.Application2.City").empty());
    }
}

TEST_F(WriteDataXmpModes, SidecarsAreReadFromFortyBytes) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->xmpData["Xmp.dc.source"] = "roll 7";

    // An empty sidecar as Exiv2 writes it, and one with a property.
    const std::string empty = dir.File("empty.xmp");
    test::WriteSidecar(empty, Exiv2::XmpData());
    Exiv2::XmpData own;
    own["Xmp.dc.format"] = "image/x-raw";
    own["Xmp.dc.title"] = "lang=x-default Sidecar title";
    const std::string filled = dir.File("filled.xmp");
    test::WriteSidecar(filled, own);
    for (const std::string& path : {empty, filled}) {
        SCOPED_TRACE(path);
        ASSERT_GE(test::ReadBytes(path).size(), 40u);
        ASSERT_EQ(WriteData(handle.get(), path.c_str(), 3, 0), 1);
        const FileMetadata onDisk = ReadBack(path);
        EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.title"), Texts{"lang=\"x-default\" Source title"});
        EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.dc.source"), Texts{"roll 7"});
        EXPECT_EQ(ValuesOf(onDisk.xmp, "Xmp.Lumenframe.VarU_Client"), Texts{"Harbour Board"});
    }
    EXPECT_EQ(ValuesOf(ReadBack(filled).xmp, "Xmp.dc.format"), Texts{"image/x-raw"});

    // Under 40 bytes Exiv2 does not recognise a sidecar: nothing is written.
    const std::string small = dir.File("small.xmp");
    const std::vector<unsigned char> smallBytes = {'<', 'x', ':', 'x', 'm', 'p', 'm', 'e',
                                                   't', 'a', '/', '>', '\n'};
    test::WriteBytes(small, smallBytes);
    TraceCapture trace;
    EXPECT_EQ(WriteData(handle.get(), small.c_str(), 3, 0), 0);
    const Texts pieces = trace.pieces();
    EXPECT_EQ(Head(pieces, 3), WritingInto(small));
    ExpectWriteFailure(pieces, 3, small);
    EXPECT_EQ(test::ReadBytes(small), smallBytes);
}

TEST_F(WriteDataXmpModes, ModeThreeSkipsReadingASmallFileNamedLikeASidecar) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    struct Case {
        const char* name;
        int mode;
        bool read;
    };
    // The name test is case-sensitive and applies to mode 3 only.
    for (const Case& c : {Case{"tiny.xmp.jpg", 3, false}, Case{"tiny.XMP.jpg", 3, true},
                          Case{"tiny.xmp.jpg", 0, true}, Case{"tiny-xmp.jpg", 3, true}}) {
        const std::string path = dir.File(std::string("m") + std::to_string(c.mode) + c.name);
        test::WriteBytes(path, test::TinyJpegWithComment());
        SCOPED_TRACE(path);
        ASSERT_EQ(WriteData(handle.get(), path.c_str(), c.mode, 0), 1);
        EXPECT_EQ(test::CommentOf(path), c.read ? "helo" : "");
        EXPECT_EQ(ValuesOf(ReadBack(path).exif, "Exif.Image.Make"), Texts{"NIKON CORPORATION"});
    }
}

TEST_F(WriteDataFailures, RefusedHandlesAndMissingPathsWriteNothing) {
    const std::string target = test::ExistingTarget().WriteTo(dir.File("target.jpg"));
    const std::vector<unsigned char> before = test::ReadBytes(target);
    TraceCapture trace;
    EXPECT_EQ(WriteData(nullptr, target.c_str(), 0, 0), 0);
    EXPECT_EQ(WriteDataStd(nullptr, nullptr), 0);
    HandlePtr invalid(OpenMetaHandle(dir.File("missing.jpg").c_str(), 0));
    ASSERT_FALSE(invalid->isValid);
    trace.Clear();
    EXPECT_EQ(WriteData(invalid.get(), target.c_str(), 0, 0), 0);
    EXPECT_EQ(WriteData(invalid.get(), nullptr, 0, 0), 0);
    EXPECT_TRUE(trace.pieces().empty());
    EXPECT_EQ(test::ReadBytes(target), before);

    // Opened from memory or without a path: there is no own file.
    const std::vector<unsigned char> bytes = test::SampleFixture().Bytes();
    HandlePtr memory(OpenMemImage(bytes.data(), static_cast<int32_t>(bytes.size())));
    HandlePtr pathless(OpenMetaHandle(nullptr, 0));
    for (MetaHandle* handle : {memory.get(), pathless.get()}) {
        trace.Clear();
        EXPECT_EQ(WriteData(handle, nullptr, 0, 0), 0);
        EXPECT_EQ(trace.pieces(), WritingInto(""));
    }
}

TEST_F(WriteDataFailures, ALostSourceIsTracedAndTheWriteGoesOn) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const std::string target = test::ExistingTarget().WriteTo(dir.File("target.jpg"));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    handle->iptcData.clear();
    handle->xmpData.clear();
    handle->exifData.clear();
    handle->exifData["Exif.Image.Artist"] = "Ann";
    const std::vector<unsigned char> garbage(100, 0x5A);

    for (const bool deleted : {true, false}) {
        SCOPED_TRACE(deleted ? "deleted" : "not an image");
        if (deleted) {
            ASSERT_EQ(std::remove(source.c_str()), 0);
        } else {
            test::WriteBytes(source, garbage);
        }
        TraceCapture trace;
        EXPECT_EQ(WriteData(handle.get(), target.c_str(), 1, 0), 1);
        EXPECT_EQ(trace.pieces(),
                  (Texts{"Writing into file: ", target, "\n", "Unable to read from srcfile: ",
                         source, "\n", "Exif-Key: ", "Exif.Image.Artist", " Value: ", "Ann",
                         "\n"}));
        const FileMetadata onDisk = ReadBack(target);
        EXPECT_EQ(ValuesOf(onDisk.exif, "Exif.Image.Artist"), Texts{"Ann"});
        EXPECT_TRUE(ValuesOf(onDisk.exif, "Exif.Image.Make").empty());
        EXPECT_TRUE(onDisk.xmp.empty());  // mode 1 without a source's XMP
    }
    // Written in place, the lost file is the target: nothing can be written.
    TraceCapture trace;
    EXPECT_EQ(WriteData(handle.get(), nullptr, 0, 0), 0);
    const Texts pieces = trace.pieces();
    EXPECT_EQ(Head(pieces, 3), WritingInto(source));
    ExpectWriteFailure(pieces, 3, source);
    EXPECT_EQ(test::ReadBytes(source), garbage);
}

TEST_F(WriteDataFailures, ABadTargetFailsAndTheHandleStaysUsable) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const std::string missing = dir.File("missing.jpg");
    const std::string notImage = dir.File("not-image.jpg");
    test::WriteBytes(notImage, std::vector<unsigned char>(64, 0x11));
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));
    const test::HandleSnapshot before = test::Snapshot(*handle);

    for (const std::string& path : {missing, notImage}) {
        SCOPED_TRACE(path);
        TraceCapture trace;
        EXPECT_EQ(WriteData(handle.get(), path.c_str(), 0, 0), 0);
        const Texts pieces = trace.pieces();
        EXPECT_EQ(Head(pieces, 3), WritingInto(path));
        ExpectWriteFailure(pieces, 3, path);
        EXPECT_TRUE(test::Snapshot(*handle) == before);
    }
    EXPECT_NE(access(missing.c_str(), F_OK), 0);
    EXPECT_EQ(test::ReadBytes(notImage), std::vector<unsigned char>(64, 0x11));

    const std::string good = test::ExistingTarget().WriteTo(dir.File("good.jpg"));
    EXPECT_EQ(WriteData(handle.get(), good.c_str(), 0, 0), 1);
    EXPECT_EQ(ValuesOf(ReadBack(good).exif, "Exif.Image.Make"), Texts{"NIKON CORPORATION"});
}

TEST_F(WriteDataFailures, AReadOnlyTargetIsNotWritten) {
    const std::string source = test::CameraSource().WriteTo(dir.File("camera.jpg"));
    const std::string target = test::ExistingTarget().WriteTo(dir.File("locked.jpg"));
    const std::string open = test::ExistingTarget().WriteTo(dir.File("open.jpg"));
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod(source.c_str(), 0644), 0);
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(chmod(open.c_str(), 0666), 0);
    const std::vector<unsigned char> before = test::ReadBytes(target);
    HandlePtr handle(OpenMetaHandle(source.c_str(), 0));

    // The results of the refused write and of a write to a writable file
    // afterwards, then the trace pieces, separated by a unit separator.
    auto attempt = [&]() -> std::string {
        TraceCapture trace;
        const int refused = WriteData(handle.get(), target.c_str(), 0, 0);
        const Texts pieces = trace.pieces();
        const int accepted = WriteData(handle.get(), open.c_str(), 0, 0);
        std::string report = std::to_string(refused) + std::to_string(accepted);
        for (const std::string& piece : pieces) report += "\x1f" + piece;
        return report;
    };
    const std::string report = geteuid() == 0 ? test::RunUnprivileged(attempt) : attempt();
    ASSERT_FALSE(report.empty()) << "could not run as an unprivileged user";
    Texts pieces;
    for (size_t at = report.find('\x1f'); at != std::string::npos;) {
        const size_t next = report.find('\x1f', at + 1);
        pieces.push_back(report.substr(at + 1, next == std::string::npos ? next : next - at - 1));
        at = next;
    }
    EXPECT_EQ(report.substr(0, 2), "01");
    EXPECT_EQ(Head(pieces, 3), WritingInto(target));
    ASSERT_GE(pieces.size(), 8u);
    ExpectWriteFailure(pieces, pieces.size() - 5, target);
    EXPECT_EQ(test::ReadBytes(target), before);
}

}  // namespace
}  // namespace lumenmeta
