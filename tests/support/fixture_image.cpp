#include "support/fixture_image.h"

#include "support/minimal_jpeg.h"
#include "support/temp_dir.h"

namespace lumenmeta::test {

namespace {

using ImagePtr = std::unique_ptr<Exiv2::Image>;

ImagePtr OpenBytes(const std::vector<unsigned char>& bytes) {
    return ImagePtr(Exiv2::ImageFactory::open(bytes.data(), static_cast<long>(bytes.size()))
                        .release());
}

}  // namespace

std::vector<unsigned char> FixtureImage::Bytes() const { return BytesOn(MinimalJpeg()); }

std::vector<unsigned char> FixtureImage::BytesOn(const std::vector<unsigned char>& base) const {
    ImagePtr image = OpenBytes(base);
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

FixtureImage SampleFixture() {
    // The fixture writes a private-namespace property, which Exiv2 can only
    // do once the namespace is known, as after the library's first open.
    Exiv2::XmpProperties::registerNs("http://ns.lumenframe.com/Lumenframe/1.0/", "Lumenframe");
    FixtureImage fixture;
    fixture.exif["Exif.Image.Make"] = "Lumen Camera Works";
    fixture.exif["Exif.Image.Model"] = "LX-1";
    fixture.exif["Exif.Image.Artist"] = "Ann Example";
    fixture.exif["Exif.Image.Orientation"] = uint16_t(1);
    fixture.exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    fixture.iptc["Iptc.Application2.Caption"] = "A quiet harbour";
    Exiv2::StringValue keyword;
    keyword.read("harbour");
    fixture.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    keyword.read("boats");
    fixture.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    fixture.xmp["Xmp.dc.title"] = "lang=x-default Harbour at dawn";
    Exiv2::XmpArrayValue subjects(Exiv2::xmpBag);
    subjects.read("harbour");
    subjects.read("dawn");
    fixture.xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &subjects);
    fixture.xmp["Xmp.Lumenframe.VarU_Client"] = "Harbour Board";
    return fixture;
}

FileMetadata ReadBack(const std::string& path) {
    ImagePtr image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    FileMetadata metadata;
    metadata.exif = image->exifData();
    metadata.iptc = image->iptcData();
    metadata.xmp = image->xmpData();
    metadata.width = image->pixelWidth();
    metadata.height = image->pixelHeight();
    return metadata;
}

}  // namespace lumenmeta::test
