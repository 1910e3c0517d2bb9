#include "support/fixture_image.h"

#include "support/handles.h"
#include "support/jpeg_bytes.h"
#include "support/temp_dir.h"

#include <memory>

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

// Sets each "key=text" entry through operator[], which adds to a key's
// array items or language alternatives rather than adding a datum.
void Set(Exiv2::XmpData& xmp, const Texts& entries) {
    for (const std::string& entry : entries) {
        xmp[entry.substr(0, entry.find('='))] = entry.substr(entry.find('=') + 1);
    }
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
    image->io().seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf bytes = image->io().read(static_cast<long>(image->io().size()));
    return {bytes.pData_, bytes.pData_ + bytes.size_};
}

std::string FixtureImage::WriteTo(const std::string& path) const {
    WriteBytes(path, Bytes());
    return path;
}

std::string FixtureImage::WriteTiffTo(const std::string& path) const {
    Exiv2::ExifData ifd0 = exif;
    ifd0["Exif.Image.ImageWidth"] = uint32_t(1);
    ifd0["Exif.Image.ImageLength"] = uint32_t(1);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, ifd0);
    WriteBytes(path, std::vector<unsigned char>(blob.begin(), blob.end()));
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    image->setIptcData(iptc);
    image->setXmpData(xmp);
    image->writeMetadata();
    return path;
}

FileMetadata ReadBack(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return {image->exifData(), image->iptcData(), image->xmpData(), image->pixelWidth()};
}

// Each "key=text" entry below is a datum of its key's own type.
FixtureImage SampleFixture() {
    RegisterPrivateNamespace();
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Image.Make=Lumen Camera Works", "Exif.Image.Model=LX-1",
                        "Exif.Image.Artist=Ann Example", "Exif.Image.Orientation=1",
                        "Exif.Image.XResolution=72/1"});
    Fill(fixture.iptc, {"Iptc.Application2.Caption=A quiet harbour",
                        "Iptc.Application2.Keywords=harbour", "Iptc.Application2.Keywords=boats"});
    Set(fixture.xmp, {"Xmp.dc.title=lang=x-default Harbour at dawn", "Xmp.dc.subject=harbour",
                      "Xmp.dc.subject=dawn", "Xmp.Lumenframe.VarU_Client=Harbour Board"});
    return fixture;
}

FixtureImage ReadingFixture() {
    FixtureImage fixture;
    Exiv2::ExifData& exif = fixture.exif;
    Fill(exif, {"Exif.Image.Artist=Ann Example", "Exif.Image.Copyright=Caf\xE9 Lumen",
                "Exif.Image.ImageDescription=Caf\xC3\xA9", "Exif.Image.Orientation=1",
                "Exif.Photo.ISOSpeedRatings=100 200 300", "Exif.Image.TimeZoneOffset=-5",
                "Exif.Photo.PixelXDimension=4000", "Exif.Image.ImageWidth=3000000000",
                "Exif.Image.XResolution=72/1", "Exif.Photo.ExposureTime=1/250",
                "Exif.Photo.FocalLength=50/1", "Exif.Photo.ExposureBiasValue=-1/3"});
    // UTF-16LE "Hafen ☀" and a zero unit; an odd size; a leading zero unit.
    AddBytes(exif, "Exif.Image.XPTitle",
             {'H', 0, 'a', 0, 'f', 0, 'e', 0, 'n', 0, ' ', 0, 0x00, 0x26, 0, 0});
    AddBytes(exif, "Exif.Image.XPKeywords", {'A', 0, 'b', 0, 'c'});
    AddBytes(exif, "Exif.Image.XPSubject", {0, 0, 'A', 0});
    Exiv2::AsciiValue empty("");
    exif.add(Exiv2::ExifKey("Exif.Image.Software"), &empty);
    const char comment[] = "ASCII\0\0\0Hello there";
    AddBytes(exif, "Exif.Photo.UserComment", {comment, comment + sizeof(comment) - 1},
             Exiv2::undefined);

    Fill(fixture.iptc, {"Iptc.Envelope.ModelVersion=4", "Iptc.Application2.Keywords=harbour",
                        "Iptc.Application2.Keywords=boats", "Iptc.Application2.Keywords=gulls",
                        "Iptc.Application2.Caption=Caf\xE9 by the sea",
                        "Iptc.Application2.DateCreated=2024-05-01", "Iptc.Application2.Byline=",
                        std::string("Iptc.Application2.Headline=ab\0cd", 32)});

    Set(fixture.xmp, {"Xmp.dc.title=lang=x-default Harbour at dawn",
                      "Xmp.dc.title=lang=de-DE Hafen im Morgengrauen",
                      "Xmp.dc.rights=lang=de-DE Alle Rechte", "Xmp.dc.subject=red",
                      "Xmp.dc.subject=green", "Xmp.dc.subject=blue", "Xmp.dc.creator=Ann",
                      "Xmp.dc.creator=Bob", "Xmp.xmp.Label=Caf\xC3\xA9 \xE2\x98\x80",
                      "Xmp.xmp.Nickname=see lang=\"x-default\" Hi, lang=\"fr\" Salut",
                      "Xmp.dc.source=", "Xmp.exif.FNumber=28/10", "Xmp.exif.ExposureTime=1/250",
                      "Xmp.exif.FocalLength=1234567/10000", "Xmp.tiff.XResolution=12345679/100",
                      "Xmp.exif.GPSAltitude=0.3333333333"});
    return fixture;
}

FixtureImage Utf8IptcFixture() {
    FixtureImage fixture;
    Fill(fixture.iptc, {"Iptc.Application2.Caption=Caf\xC3\xA9",
                        "Iptc.Application2.Keywords=Gr\xC3\xBC\xC3\x9F" "e",
                        "Iptc.Application2.Keywords=Stra\xC3\x9F" "e"});
    return fixture;
}

FixtureImage SeparatedKeywordsFixture() {
    FixtureImage fixture;
    Fill(fixture.iptc, {"Iptc.Application2.Keywords=first", "Iptc.Application2.Caption=between",
                        "Iptc.Application2.Keywords=second"});
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
    Fill(fixture.exif, {"Exif.Image.Make=NIKON CORPORATION", "Exif.Image.Model=NIKON D1",
                        "Exif.Image.Artist=Source Artist", "Exif.Image.XResolution=72/1",
                        "Exif.Photo.DateTimeOriginal=2024:05:01 10:00:00",
                        "Exif.Nikon3.Quality=FINE"});
    Fill(fixture.iptc, {"Iptc.Application2.Caption=Source caption",
                        "Iptc.Application2.Keywords=harbour", "Iptc.Application2.Keywords=boats"});
    Fill(fixture.xmp, {"Xmp.dc.title=lang=x-default Source title",
                       "Xmp.Lumenframe.VarU_Client=Harbour Board"});
    return fixture;
}

FixtureImage ExistingTarget() {
    FixtureImage fixture;
    Fill(fixture.exif, {"Exif.Image.Artist=Target Artist", "Exif.Image.Software=Target Software",
                        "Exif.Image.XResolution=300/1", "Exif.Image.YResolution=300/1"});
    Fill(fixture.iptc, {"Iptc.Application2.Caption=Target caption",
                        "Iptc.Application2.Keywords=target keyword",
                        "Iptc.Application2.City=Bergen"});
    Fill(fixture.xmp, {"Xmp.dc.title=lang=x-default Target title", "Xmp.dc.format=image/jpeg",
                       "Xmp.xmp.Rating=2"});
    return fixture;
}

void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp) {
    ImagePtr sidecar(Exiv2::ImageFactory::create(Exiv2::ImageType::xmp, path).release());
    sidecar->setXmpData(xmp);
    sidecar->writeMetadata();
}

std::string CommentOf(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return image->comment();
}

std::vector<unsigned char> BmffBytes(const std::string& brands) {
    // A box: its size (big-endian, 32 bits), its type, its payload.
    const auto box = [](const char* type, const std::string& payload) {
        const size_t size = 8 + payload.size();
        return std::string{0, 0, static_cast<char>(size >> 8), static_cast<char>(size)} + type +
               payload;
    };
    const std::string zeros(32, '\0');
    // ftyp: major brand, minor version 0, compatible brands. meta (a full
    // box: version and flags) holding hdlr: version and flags, pre-defined,
    // "pict", three reserved words, an empty name.
    const std::string file =
        box("ftyp", brands.substr(0, 4) + zeros.substr(0, 4) + brands) +
        box("meta", zeros.substr(0, 4) +
                        box("hdlr", zeros.substr(0, 8) + "pict" + zeros.substr(0, 13))) +
        box("free", zeros);  // Exiv2 does not recognise the format in a much shorter file
    return {file.begin(), file.end()};
}

}  // namespace lumenmeta::test
