#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/minimal_jpeg.h"
#include "support/run_unprivileged.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::FixtureImage;
using test::ReadBack;
using test::ReadBytes;
using test::SampleFixture;
using test::TempDir;
using test::TraceCapture;
using test::WriteBytes;

using ImagePtr = std::unique_ptr<Exiv2::Image>;

// Every datum of the three families as "key=type:value", sorted, so that two
// files can be compared family by family.
template <typename Container>
void AddListing(const Container& data, std::vector<std::string>& listing) {
    for (const auto& datum : data) {
        listing.push_back(datum.key() + "=" + std::to_string(datum.typeId()) + ":" +
                          datum.toString());
    }
}

std::vector<std::string> Listing(const std::string& path) {
    const test::FileMetadata metadata = ReadBack(path);
    std::vector<std::string> listing;
    AddListing(metadata.exif, listing);
    AddListing(metadata.iptc, listing);
    AddListing(metadata.xmp, listing);
    std::sort(listing.begin(), listing.end());
    return listing;
}

void SetComment(const std::string& path, const std::string& comment) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    image->setComment(comment);
    image->writeMetadata();
}

std::string CommentOf(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return image->comment();
}

// The sample fixture with a comment, the source of most cases here.
std::string WriteSource(const std::string& path) {
    SampleFixture().WriteTo(path);
    SetComment(path, "Source comment");
    return path;
}

// A JPEG with metadata of its own that a copy must replace.
std::string WriteOtherTarget(const std::string& path) {
    FixtureImage fixture;
    fixture.exif["Exif.Image.Software"] = "Other Editor";
    fixture.exif["Exif.Image.Artist"] = "Someone Else";
    fixture.iptc["Iptc.Application2.City"] = "Elsewhere";
    fixture.xmp["Xmp.dc.creator"] = "Someone Else";
    fixture.WriteTo(path);
    SetComment(path, "Target comment");
    return path;
}

TEST(CopyImageMetaData, CreatesAMissingTargetAsAJpegCarryingEverything) {
    TempDir dir;
    const std::string source = WriteSource(dir.File("source.jpg"));
    const std::vector<unsigned char> sourceBytes = ReadBytes(source);
    const std::string target = dir.File("new.jpg");
    TraceCapture trace;

    EXPECT_EQ(CopyImageMetaData(source.c_str(), target.c_str(), 1), 1);

    EXPECT_EQ(Exiv2::ImageFactory::getType(target), Exiv2::ImageType::jpeg);
    const std::vector<std::string> copied = Listing(target);
    EXPECT_EQ(copied, Listing(source));
    EXPECT_NE(std::find(copied.begin(), copied.end(),
                        "Xmp.Lumenframe.VarU_Client=" + std::to_string(Exiv2::xmpText) +
                            ":Harbour Board"),
              copied.end());
    EXPECT_EQ(ReadBack(target).iptc.count(), 3u);  // both keywords
    EXPECT_EQ(CommentOf(target), "Source comment");
    EXPECT_EQ(ReadBytes(source), sourceBytes);
    EXPECT_TRUE(trace.pieces().empty());
}

TEST(CopyImageMetaData, ReplacesEachOfTheTargetsContainersWhole) {
    TempDir dir;
    const std::string source = WriteSource(dir.File("source.jpg"));
    const std::string bare = FixtureImage().WriteTo(dir.File("bare.jpg"));
    for (int readTarget : {0, 1}) {
        SCOPED_TRACE(readTarget);
        const std::string target = WriteOtherTarget(dir.File("target.jpg"));
        EXPECT_EQ(CopyImageMetaData(source.c_str(), target.c_str(), readTarget), 1);
        // The target's own Software, City and creator are gone, not merged.
        EXPECT_EQ(Listing(target), Listing(source));
        EXPECT_EQ(CommentOf(target), "Source comment");
        const test::FileMetadata image = ReadBack(target);
        EXPECT_EQ(image.width, test::kMinimalJpegWidth);

        // A source without metadata empties the target.
        WriteOtherTarget(target);
        EXPECT_EQ(CopyImageMetaData(bare.c_str(), target.c_str(), readTarget), 1);
        EXPECT_TRUE(Listing(target).empty());
        EXPECT_EQ(CommentOf(target), "");
    }
}

TEST(CopyImageMetaData, CopiesAFileOntoItself) {
    TempDir dir;
    const std::string path = WriteSource(dir.File("self.jpg"));
    const std::vector<std::string> before = Listing(path);
    for (int readTarget : {1, 0}) {
        SCOPED_TRACE(readTarget);
        EXPECT_EQ(CopyImageMetaData(path.c_str(), path.c_str(), readTarget), 1);
        EXPECT_EQ(Listing(path), before);
        EXPECT_EQ(CommentOf(path), "Source comment");
        EXPECT_EQ(ReadBack(path).height, test::kMinimalJpegHeight);
    }
}

TEST(CopyImageMetaData, AReadOnlyTargetIsRefusedTracedAndLeftAsItWas) {
    TempDir dir;
    test::OpenToEveryone(dir.path());
    const std::string source = WriteSource(dir.File("source.jpg"));
    const std::string target = WriteOtherTarget(dir.File("readonly.jpg"));
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    const std::vector<unsigned char> before = ReadBytes(target);

    const std::string report = test::RunUnprivileged([&] {
        TraceCapture trace;
        std::string text =
            std::to_string(CopyImageMetaData(source.c_str(), target.c_str(), 1));
        for (const std::string& piece : trace.pieces()) text += "|" + piece;
        return text;
    });

    EXPECT_EQ(report, "0|Could not write metadata to: |" + target);
    EXPECT_EQ(ReadBytes(target), before);
}

TEST(CopyImageMetaData, BadSourcesAndTargetsGiveZeroAndTouchNothing) {
    TempDir dir;
    const std::string source = WriteSource(dir.File("source.jpg"));
    const std::string target = WriteOtherTarget(dir.File("target.jpg"));
    const std::vector<unsigned char> targetBytes = ReadBytes(target);
    const std::string text = dir.File("notes.txt");
    WriteBytes(text, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', '\n'});
    WriteBytes(dir.File("empty.jpg"), {});
    std::vector<unsigned char> cut = ReadBytes(source);
    cut.resize(40);
    WriteBytes(dir.File("cut.jpg"), cut);
    const std::string missingTarget = dir.File("never.jpg");
    TraceCapture trace;

    for (const std::string& badSource : {dir.File("missing.jpg"), text, dir.File("empty.jpg"),
                                         dir.File("cut.jpg"), dir.path()}) {
        SCOPED_TRACE(badSource);
        EXPECT_EQ(CopyImageMetaData(badSource.c_str(), target.c_str(), 1), 0);
        EXPECT_EQ(CopyImageMetaData(badSource.c_str(), missingTarget.c_str(), 0), 0);
    }
    EXPECT_EQ(ReadBytes(target), targetBytes);
    EXPECT_FALSE(std::filesystem::exists(missingTarget));

    // Targets that cannot be opened as an image, or created.
    for (const std::string& badTarget :
         {text, dir.path(), dir.File("no-such-folder/new.jpg")}) {
        SCOPED_TRACE(badTarget);
        for (int readTarget : {0, 1}) {
            EXPECT_EQ(CopyImageMetaData(source.c_str(), badTarget.c_str(), readTarget), 0);
        }
    }
    EXPECT_EQ(ReadBytes(text).size(), 13u);

    EXPECT_EQ(CopyImageMetaData(nullptr, target.c_str(), 1), 0);
    EXPECT_EQ(CopyImageMetaData(source.c_str(), nullptr, 1), 0);
    EXPECT_EQ(ReadBytes(target), targetBytes);
    EXPECT_TRUE(trace.pieces().empty());  // only a failed write is traced
}

TEST(CopyImageMetaData, ASidecarTargetKeepsNoCommentAndIsLeftAlone) {
    TempDir dir;
    const std::string source = WriteSource(dir.File("source.jpg"));
    const std::string sidecar = dir.File("target.xmp");
    ASSERT_EQ(CreateXmpSidecar(sidecar.c_str(), false), 1);
    const std::vector<unsigned char> before = ReadBytes(sidecar);
    EXPECT_EQ(CopyImageMetaData(source.c_str(), sidecar.c_str(), 1), 0);
    EXPECT_EQ(ReadBytes(sidecar), before);
}

}  // namespace
}  // namespace lumenmeta
