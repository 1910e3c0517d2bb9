#include "lumenmeta.h"

#include "support/fixture_image.h"
#include "support/handles.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

namespace lumenmeta {
namespace {

using Texts = std::vector<std::string>;

// The image's comment, width and every datum as "key=type:value", sorted.
Texts KeysAndValues(const std::string& path) {
    const test::FileMetadata file = test::ReadBack(path);
    Texts listing;
    for (const Texts& entries : {test::TypedEntries(file.exif), test::TypedEntries(file.iptc),
                                 test::TypedEntries(file.xmp)}) {
        listing.insert(listing.end(), entries.begin(), entries.end());
    }
    std::sort(listing.begin(), listing.end());
    listing.insert(listing.begin(), {test::CommentOf(path), std::to_string(file.width)});
    return listing;
}

std::string WithComment(const std::string& path, const char* comment) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    image->setComment(comment);
    image->writeMetadata();
    return path;
}

TEST(CopyImageMetaData, TheTargetGetsExactlyTheSourcesMetadataAndCommentOrStaysAsItWas) {
    test::TempDir dir;
    const std::string source = WithComment(test::SampleFixture().WriteTo(dir.File("a.jpg")), "A");
    const std::string bare = test::FixtureImage().WriteTo(dir.File("bare.jpg"));
    const std::string target = dir.File("target.jpg"), fresh = dir.File("new.jpg");
    struct Case { const std::string& from; const std::string& to; int readTarget; };
    test::TraceCapture trace;
    for (const Case& c : {Case{source, target, 0}, Case{source, target, 1}, Case{bare, target, 0},
                          Case{bare, target, 1}, Case{source, fresh, 1}, Case{source, source, 1},
                          Case{source, source, 0}}) {
        // The target's own metadata and comment are replaced, not merged.
        if (&c.to == &target) WithComment(test::ExistingTarget().WriteTo(target), "Target");
        Texts expected = KeysAndValues(c.from);
        if (&c.to == &fresh) expected[1] = "1";  // a new, blank JPEG
        EXPECT_EQ(CopyImageMetaData(c.from.c_str(), c.to.c_str(), c.readTarget), 1);
        EXPECT_EQ(KeysAndValues(c.to), expected) << c.from << " to " << c.to << " " << c.readTarget;
    }
    EXPECT_EQ(Exiv2::ImageFactory::getType(fresh), Exiv2::ImageType::jpeg);

    // Bad sources and targets give 0 and touch nothing; only a folder is
    // traced, as no regular file (other such cases: tests/platform).
    const std::string text = dir.File("notes.txt"), never = dir.File("never.jpg");
    test::WriteBytes(text, {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    WithComment(test::ExistingTarget().WriteTo(target), "Target");
    const std::vector<unsigned char> targetBytes = test::ReadBytes(target);
    test::TraceCapture failures;
    for (const std::string& bad : {dir.File("missing.jpg"), text, dir.path()}) {
        EXPECT_EQ(CopyImageMetaData(bad.c_str(), target.c_str(), 1), 0) << bad;
        EXPECT_EQ(CopyImageMetaData(bad.c_str(), never.c_str(), 0), 0) << bad;
    }
    for (const std::string& bad : {text, dir.path(), dir.File("no-folder/new.jpg")}) {
        EXPECT_EQ(CopyImageMetaData(source.c_str(), bad.c_str(), 1), 0) << bad;
    }
    EXPECT_EQ(CopyImageMetaData(nullptr, target.c_str(), 1), 0);
    EXPECT_EQ(CopyImageMetaData(source.c_str(), nullptr, 1), 0);
    EXPECT_EQ(test::ReadBytes(target), targetBytes);
    EXPECT_EQ(test::ReadBytes(text).size(), 12u);
    EXPECT_NE(access(never.c_str(), F_OK), 0);
    EXPECT_TRUE(trace.pieces().empty());
    const std::vector<std::string> folder = {"Not a regular file: ", dir.path(), "\n"};
    std::vector<std::string> expected;
    for (int time = 0; time < 3; ++time) expected.insert(expected.end(), folder.begin(), folder.end());
    EXPECT_EQ(failures.pieces(), expected);
}

}  // namespace
}  // namespace lumenmeta
