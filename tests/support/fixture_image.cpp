#include "support/fixture_image.h"

#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"

#include <memory>
#include <string_view>

namespace lumenmeta::test {

namespace {

using ImagePtr = std::unique_ptr<Exiv2::Image>;

// Fixtures with a private-namespace property need the namespace known to
// Exiv2, as it is after the library's first open.
void RegisterPrivateNamespace() {
    Exiv2::XmpProperties::registerNs("http://ns.lumenframe.com/Lumenframe/1.0/", "Lumenframe");
}

void AddBytes(Exiv2::ExifData& exif, const char* key, const std::vector<unsigned char>& bytes,
              Exiv2::TypeId type = Exiv2::unsignedByte) {
    Exiv2::DataValue value(type);
    value.read(bytes.data(), static_cast<long>(bytes.size()));
    exif.add(Exiv2::ExifKey(key), &value);
}

// Adds datasets with add(), which keeps repeats and their order.
void AddIptc(Exiv2::IptcData& iptc, const char* key, std::initializer_list<std::string> texts) {
    for (const std::string& text : texts) {
        Exiv2::StringValue value(text);
        iptc.add(Exiv2::IptcKey(key), &value);
    }
}

void AddXmpArray(Exiv2::XmpData& xmp, const char* key, Exiv2::TypeId type,
                 std::initializer_list<const char*> items) {
    Exiv2::XmpArrayValue value(type);
    for (const char* item : items) value.read(item);
    xmp.add(Exiv2::XmpKey(key), &value);
}

// `text` as UTF-16LE bytes and a zero unit.
std::vector<unsigned char> Utf16LeBytes(std::u16string_view text) {
    std::vector<unsigned char> bytes;
    for (const char16_t unit : text) {
        bytes.insert(bytes.end(), {uint8_t(unit & 0xFF), uint8_t(unit >> 8)});
    }
    bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

}  // namespace

std::vector<unsigned char> FixtureImage::Bytes() const { return BytesOn(MinimalJpeg()); }

std::vector<unsigned char> FixtureImage::BytesOn(const std::vector<unsigned char>& base) const {
    ImagePtr image(
        Exiv2::ImageFactory::open(base.data(), static_cast<long>(base.size())).release());
    image->readMetadata();
    image->setExifData(exif);
    image->setIptcData(iptc);
    image->setXmpData(xmp);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    std::vector<unsigned char> bytes(static_cast<size_t>(io.size()));
    io.read(bytes.data(), static_cast<long>(bytes.size()));
    return bytes;
}

std::string FixtureImage::WriteTo(const std::string& path) const {
    WriteBytes(path, Bytes());
    return path;
}

FileMetadata ReadBack(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return {image->exifData(), image->iptcData(), image->xmpData(), image->pixelWidth()};
}

FixtureImage SampleFixture() {
    RegisterPrivateNamespace();
    FixtureImage fixture;
    fixture.exif["Exif.Image.Make"] = "Lumen Camera Works";
    fixture.exif["Exif.Image.Model"] = "LX-1";
    fixture.exif["Exif.Image.Artist"] = "Ann Example";
    fixture.exif["Exif.Image.Orientation"] = uint16_t(1);
    fixture.exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    AddIptc(fixture.iptc, "Iptc.Application2.Caption", {"A quiet harbour"});
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords", {"harbour", "boats"});
    fixture.xmp["Xmp.dc.title"] = "lang=x-default Harbour at dawn";
    AddXmpArray(fixture.xmp, "Xmp.dc.subject", Exiv2::xmpBag, {"harbour", "dawn"});
    fixture.xmp["Xmp.Lumenframe.VarU_Client"] = "Harbour Board";
    return fixture;
}

FixtureImage ReadingFixture() {
    FixtureImage fixture;
    Exiv2::ExifData& exif = fixture.exif;
    exif["Exif.Image.Artist"] = "Ann Example";
    exif["Exif.Image.Copyright"] = "Caf\xE9 Lumen";
    exif["Exif.Image.ImageDescription"] = "Caf\xC3\xA9";
    exif["Exif.Image.Orientation"] = uint16_t(1);
    exif["Exif.Photo.ISOSpeedRatings"] = "100 200 300";  // three shorts
    exif["Exif.Image.TimeZoneOffset"] = int16_t(-5);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(4000);
    exif["Exif.Image.ImageWidth"] = uint32_t(3000000000u);
    exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.FocalLength"] = Exiv2::URational(50, 1);
    exif["Exif.Photo.ExposureBiasValue"] = Exiv2::Rational(-1, 3);
    AddBytes(exif, "Exif.Image.XPTitle", Utf16LeBytes(u"Hafen \u2600"));
    AddBytes(exif, "Exif.Image.XPKeywords", {'A', 0, 'b', 0, 'c'});
    AddBytes(exif, "Exif.Image.XPSubject", {0, 0, 'A', 0});
    Exiv2::AsciiValue empty("");
    exif.add(Exiv2::ExifKey("Exif.Image.Software"), &empty);
    const char comment[] = "ASCII\0\0\0Hello there";
    AddBytes(exif, "Exif.Photo.UserComment", {comment, comment + sizeof(comment) - 1},
             Exiv2::undefined);

    Exiv2::IptcData& iptc = fixture.iptc;
    iptc["Iptc.Envelope.ModelVersion"] = uint16_t(4);
    AddIptc(iptc, "Iptc.Application2.Keywords", {"harbour", "boats", "gulls"});
    AddIptc(iptc, "Iptc.Application2.Caption", {"Caf\xE9 by the sea"});
    iptc["Iptc.Application2.DateCreated"] = "2024-05-01";
    AddIptc(iptc, "Iptc.Application2.Byline", {""});
    AddIptc(iptc, "Iptc.Application2.Headline", {std::string("ab\0cd", 5)});

    Exiv2::XmpData& xmp = fixture.xmp;
    xmp["Xmp.dc.title"] = "lang=x-default Harbour at dawn";
    xmp["Xmp.dc.title"] = "lang=de-DE Hafen im Morgengrauen";
    xmp["Xmp.dc.rights"] = "lang=de-DE Alle Rechte";
    AddXmpArray(xmp, "Xmp.dc.subject", Exiv2::xmpBag, {"red", "green", "blue"});
    AddXmpArray(xmp, "Xmp.dc.creator", Exiv2::xmpSeq, {"Ann", "Bob"});
    xmp["Xmp.xmp.Label"] = "Caf\xC3\xA9 \xE2\x98\x80";
    xmp["Xmp.xmp.Nickname"] = "see lang=\"x-default\" Hi, lang=\"fr\" Salut";
    xmp["Xmp.dc.source"] = "";
    xmp["Xmp.exif.FNumber"] = "28/10";
    xmp["Xmp.exif.ExposureTime"] = "1/250";
    xmp["Xmp.exif.FocalLength"] = "1234567/10000";
    xmp["Xmp.tiff.XResolution"] = "12345679/100";
    xmp["Xmp.exif.GPSAltitude"] = "0.3333333333";
    return fixture;
}

FixtureImage Utf8IptcFixture() {
    FixtureImage fixture;
    AddIptc(fixture.iptc, "Iptc.Application2.Caption", {"Caf\xC3\xA9"});
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords",
            {"Gr\xC3\xBC\xC3\x9F" "e", "Stra\xC3\x9F" "e"});
    return fixture;
}

FixtureImage SeparatedKeywordsFixture() {
    FixtureImage fixture;
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords", {"first"});
    AddIptc(fixture.iptc, "Iptc.Application2.Caption", {"between"});
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords", {"second"});
    return fixture;
}

FixtureImage UserCommentBytesFixture(const std::vector<unsigned char>& bytes) {
    FixtureImage fixture;
    AddBytes(fixture.exif, "Exif.Photo.UserComment", bytes, Exiv2::undefined);
    return fixture;
}

FixtureImage UserCommentTextFixture(const std::string& text) {
    FixtureImage fixture;
    Exiv2::AsciiValue value(text);
    fixture.exif.add(Exiv2::ExifKey("Exif.Photo.UserComment"), &value);
    return fixture;
}

FixtureImage CameraSource() {
    RegisterPrivateNamespace();
    FixtureImage fixture;
    fixture.exif["Exif.Image.Make"] = "NIKON CORPORATION";
    fixture.exif["Exif.Image.Model"] = "NIKON D1";
    fixture.exif["Exif.Image.Artist"] = "Source Artist";
    fixture.exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    fixture.exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:00:00";
    fixture.exif["Exif.Nikon3.Quality"] = "FINE";
    AddIptc(fixture.iptc, "Iptc.Application2.Caption", {"Source caption"});
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords", {"harbour", "boats"});
    fixture.xmp["Xmp.dc.title"] = "lang=x-default Source title";
    fixture.xmp["Xmp.Lumenframe.VarU_Client"] = "Harbour Board";
    return fixture;
}

FixtureImage ExistingTarget() {
    FixtureImage fixture;
    fixture.exif["Exif.Image.Artist"] = "Target Artist";
    fixture.exif["Exif.Image.Software"] = "Target Software";
    fixture.exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    fixture.exif["Exif.Image.YResolution"] = Exiv2::URational(300, 1);
    AddIptc(fixture.iptc, "Iptc.Application2.Caption", {"Target caption"});
    AddIptc(fixture.iptc, "Iptc.Application2.Keywords", {"target keyword"});
    AddIptc(fixture.iptc, "Iptc.Application2.City", {"Bergen"});
    fixture.xmp["Xmp.dc.title"] = "lang=x-default Target title";
    fixture.xmp["Xmp.dc.format"] = "image/jpeg";
    fixture.xmp["Xmp.xmp.Rating"] = "2";
    return fixture;
}

void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp) {
    ImagePtr sidecar(Exiv2::ImageFactory::create(Exiv2::ImageType::xmp, path).release());
    sidecar->setXmpData(xmp);
    sidecar->writeMetadata();
}

std::vector<unsigned char> TinyJpegWithComment() {
    return {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x06, 'h', 'e', 'l', 'o', 0xFF, 0xD9};
}

std::string CommentOf(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return image->comment();
}

}  // namespace lumenmeta::test
