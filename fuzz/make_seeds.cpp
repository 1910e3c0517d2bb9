// Writes the seed corpora of the fuzz targets, one folder per target, from
// the test fixture library: `lumenmeta_fuzz_seeds DIR` fills
// DIR/open_mem_image_fuzzer, DIR/raw_exif_fuzzer and DIR/setters_fuzzer.
// Only our own code is instrumented, so the seeds must already reach each
// image format, metadata family and value shape that Exiv2 parses blind.
#include "setter_operations.h"

#include "lumenmeta.h"
#include "support/fixture_image.h"
#include "support/jpeg_bytes.h"

#include <exiv2/exiv2.hpp>
#include <exiv2/webpimage.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace lumenmeta;
using Bytes = std::vector<unsigned char>;

class SeedFolder {
public:
    explicit SeedFolder(std::filesystem::path path) : path_(std::move(path)) {
        std::filesystem::create_directories(path_);
    }
    void Add(const std::string& bytes) { Add(Bytes(bytes.begin(), bytes.end())); }
    void Add(const Bytes& bytes) {
        if (bytes.empty()) return;
        char name[32];
        std::snprintf(name, sizeof name, "seed-%03d", count_++);
        std::ofstream out(path_ / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    int count() const { return count_; }

private:
    std::filesystem::path path_;
    int count_ = 0;
};

// Fixtures of every family and value shape.
std::vector<test::FixtureImage> Fixtures() {
    std::vector<test::FixtureImage> fixtures;
    fixtures.push_back(test::SampleFixture());
    fixtures.push_back(test::ReadingFixture());
    fixtures.push_back(test::Utf8IptcFixture());
    fixtures.push_back(test::SeparatedKeywordsFixture());
    fixtures.push_back(test::UserCommentBytesFixture(
        {'U', 'N', 'I', 'C', 'O', 'D', 'E', 0, 'H', 0, 'i', 0}));
    fixtures.push_back(test::UserCommentTextFixture("charset=Ascii Hello"));

    // Maker notes that Exiv2 writes from scratch when the make matches.
    test::FixtureImage canon;
    canon.exif["Exif.Image.Make"] = "Canon";
    canon.exif["Exif.Canon.OwnerName"] = "Ann";
    canon.exif["Exif.CanonCs.Macro"] = uint16_t(1);
    fixtures.push_back(canon);
    test::FixtureImage nikon;
    nikon.exif["Exif.Image.Make"] = "NIKON CORPORATION";
    nikon.exif["Exif.Nikon3.Quality"] = "FINE";
    fixtures.push_back(nikon);
    test::FixtureImage sony;
    sony.exif["Exif.Image.Make"] = "SONY";
    sony.exif["Exif.Sony1.Quality"] = uint32_t(2);
    fixtures.push_back(sony);

    // GPS, dates, a JPEG thumbnail and the private XMP namespace.
    test::FixtureImage more;
    more.exif["Exif.GPSInfo.GPSVersionID"] = "2 2 0 0";
    more.exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    more.exif["Exif.GPSInfo.GPSLatitude"] = "52/1 30/1 1234/100";
    more.exif["Exif.Image.DateTime"] = "2024:05:01 12:00:00";
    more.exif["Exif.Photo.DateTimeOriginal"] = "2024:13:45 99:00:00";
    Exiv2::ExifThumb(more.exif).setJpegThumbnail(test::MinimalJpeg().data(),
                                                 static_cast<long>(test::MinimalJpeg().size()));
    more.iptc["Iptc.Application2.DateCreated"] = "2024-05-01";
    more.iptc["Iptc.Application2.TimeCreated"] = "12:00:00+01:00";
    more.iptc["Iptc.Envelope.CharacterSet"] = "\x1b%G";
    more.xmp["Xmp.Lumenframe.Guid"] = "0123";
    more.xmp["Xmp.Lumenframe.VarUnresolved.Client"] = "x";
    more.xmp["Xmp.Lumenframe._Internal"] = "y";
    more.xmp["Xmp.dc.description"] = "lang=x-default A harbour";
    more.xmp["Xmp.xmp.CreateDate"] = "2024-05-01T12:00:00";
    fixtures.push_back(more);
    return fixtures;
}

Bytes IoBytes(Exiv2::BasicIo& io) {
    Bytes bytes(static_cast<size_t>(io.size()));
    io.seek(0, Exiv2::BasicIo::beg);
    if (!bytes.empty()) io.read(bytes.data(), static_cast<long>(bytes.size()));
    return bytes;
}

// The fixture's metadata in a new image of `type` made in memory by Exiv2;
// empty when Exiv2 cannot make or write that format.
Bytes InFormat(int type, const test::FixtureImage& fixture) {
    try {
        std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::create(type).release());
        image->setExifData(fixture.exif);
        image->setIptcData(fixture.iptc);
        image->setXmpData(fixture.xmp);
        image->writeMetadata();
        return IoBytes(image->io());
    } catch (...) {
        return {};
    }
}

// An APP1 Exif segment around the TIFF structure Exiv2 encodes.
Bytes RawExifBlock(const Exiv2::ExifData& exif, Exiv2::ByteOrder order) {
    Exiv2::Blob tiff;
    Exiv2::ExifParser::encode(tiff, order, exif);
    const size_t length = tiff.size() + 8;
    Bytes block = {0xFF, 0xE1, static_cast<unsigned char>(length >> 8),
                   static_cast<unsigned char>(length & 0xFF), 'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

void WriteImageSeeds(SeedFolder& folder, const std::vector<test::FixtureImage>& fixtures) {
    folder.Add(test::MinimalJpeg());
    for (const test::FixtureImage& fixture : fixtures) folder.Add(fixture.Bytes());
    // A TIFF file holding only its Exif tags, in each byte order: the TIFF
    // structure of a raw Exif block is one.
    for (const Exiv2::ByteOrder order : {Exiv2::littleEndian, Exiv2::bigEndian}) {
        const Bytes block = RawExifBlock(fixtures[1].exif, order);
        folder.Add(Bytes(block.begin() + 10, block.end()));
    }
    // The other formats Exiv2 can make from nothing: two fixtures each.
    for (const int type : {Exiv2::ImageType::png, Exiv2::ImageType::xmp, Exiv2::ImageType::tiff,
                           Exiv2::ImageType::exv, Exiv2::ImageType::webp,
                           Exiv2::ImageType::jp2, Exiv2::ImageType::psd}) {
        folder.Add(InFormat(type, fixtures[0]));
        folder.Add(InFormat(type, fixtures[1]));
    }
}

void WriteRawExifSeeds(SeedFolder& folder, const std::vector<test::FixtureImage>& fixtures) {
    for (const test::FixtureImage& fixture : fixtures) {
        if (fixture.exif.empty()) continue;
        folder.Add(test::ExifApp1Segment(fixture.Bytes()));
        folder.Add(RawExifBlock(fixture.exif, Exiv2::bigEndian));
    }
}

void WriteSetterSeeds(SeedFolder& folder) {
    using fuzz::Operation;
    using fuzz::OperationWriter;
    // Every known key through every operation, with a value that suits it.
    for (uint8_t key = 0; key < fuzz::kKnownKeyCount; ++key) {
        OperationWriter writer(key % 2 == 1);
        writer.Op(Operation::kAddMetaDataW).KnownKey(key).Wide("72/1");
        writer.Op(Operation::kAddMetaDataWContainer).KnownKey(key).Wide("a;b;;c;").Wide(";");
        writer.Op(Operation::kAddMeta).KnownKey(key).Text("\"1 2 3\"").Type(0);
        writer.Op(Operation::kModifyValueAsString).KnownKey(key).Text("2024:05:01").Type(2);
        writer.Op(Operation::kModifyExifIptcMeta)
            .KnownKey(key)
            .Text(std::string("\x01\x00\x04\x00\x00\x00", 6))
            .Type(5)
            .Size(0);
        writer.Op(Operation::kAddMetaDataWide).KnownKey(key).Wide("Caf\xE9");
        writer.Op(Operation::kCopyExifValue).KnownKey(key);
        writer.Op(Operation::kClearMetaData).KnownKey(key);
        folder.Add(writer.bytes());
    }
    // Each type number with a text and a binary value.
    for (uint8_t type = 0; type < 20; ++type) {
        OperationWriter writer(false);
        writer.Op(Operation::kAddMeta).KnownKey(0).Text("12").Type(type);
        writer.Op(Operation::kModifyExifIptcMeta)
            .KnownKey(2)
            .Text(std::string("\x05\x00\x00\x00\x02\x00\x00\x00", 8))
            .Type(type)
            .Size(8);
        writer.Op(Operation::kModifyValueAsString).KnownKey(14).Text("kw").Type(type);
        folder.Add(writer.bytes());
    }
    // Typed keys spelled out, NULL values, a thumbnail and wide pairs.
    OperationWriter spelled(true);
    spelled.Op(Operation::kAddMetaDataW).Key("Exif.Photo.FNumber").Wide("28/10");
    spelled.Op(Operation::kAddMetaDataW).Key("Xmp.dc.format").NullWide();
    spelled.Op(Operation::kAddMetaDataWContainer).Key("Xmp.dc.subject").Wide("x|y").NullWide();
    spelled.Op(Operation::kSetThumbnail).KnownKey(0).Text("\xFF\xD8\xFF\xD9");
    spelled.Op(Operation::kAddMetaDataWide).Key("Xmp.Lumenframe.Var").NullWide();
    spelled.Op(Operation::kModifyExifIptcMeta).Key("Iptc.Application2.Urgency").Text("5").Type(0).Size(255);
    folder.Add(spelled.bytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    SetExiv2LogLevel(4);
    // Opening a handle once registers the private XMP namespace.
    CloseMetaHandle(OpenMetaHandle(nullptr, 1));
    const std::filesystem::path root = argv[1];
    const std::vector<test::FixtureImage> fixtures = Fixtures();
    SeedFolder images(root / "open_mem_image_fuzzer");
    WriteImageSeeds(images, fixtures);
    SeedFolder raw(root / "raw_exif_fuzzer");
    WriteRawExifSeeds(raw, fixtures);
    SeedFolder setters(root / "setters_fuzzer");
    WriteSetterSeeds(setters);
    std::printf("seeds: %d images, %d raw Exif blocks, %d edit sequences\n", images.count(),
                raw.count(), setters.count());
    return 0;
}
