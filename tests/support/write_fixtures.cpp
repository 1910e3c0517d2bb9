#include "support/write_fixtures.h"

#include "support/temp_dir.h"

#include <sys/wait.h>
#include <unistd.h>

#include <memory>

namespace lumenmeta::test {

namespace {

void AddIptcText(Exiv2::IptcData& iptc, const char* key, const char* text) {
    Exiv2::StringValue value(text);
    iptc.add(Exiv2::IptcKey(key), &value);
}

}  // namespace

FixtureImage CameraSource() {
    Exiv2::XmpProperties::registerNs("http://ns.lumenframe.com/Lumenframe/1.0/", "Lumenframe");
    FixtureImage fixture;
    fixture.exif["Exif.Image.Make"] = "NIKON CORPORATION";
    fixture.exif["Exif.Image.Model"] = "NIKON D1";
    fixture.exif["Exif.Image.Artist"] = "Source Artist";
    fixture.exif["Exif.Image.XResolution"] = Exiv2::URational(72, 1);
    fixture.exif["Exif.Photo.DateTimeOriginal"] = "2024:05:01 10:00:00";
    fixture.exif["Exif.Nikon3.Quality"] = "FINE";
    AddIptcText(fixture.iptc, "Iptc.Application2.Caption", "Source caption");
    AddIptcText(fixture.iptc, "Iptc.Application2.Keywords", "harbour");
    AddIptcText(fixture.iptc, "Iptc.Application2.Keywords", "boats");
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
    AddIptcText(fixture.iptc, "Iptc.Application2.Caption", "Target caption");
    AddIptcText(fixture.iptc, "Iptc.Application2.Keywords", "target keyword");
    AddIptcText(fixture.iptc, "Iptc.Application2.City", "Bergen");
    fixture.xmp["Xmp.dc.title"] = "lang=x-default Target title";
    fixture.xmp["Xmp.dc.format"] = "image/jpeg";
    fixture.xmp["Xmp.xmp.Rating"] = "2";
    return fixture;
}

void WriteSidecar(const std::string& path, const Exiv2::XmpData& xmp) {
    std::unique_ptr<Exiv2::Image> sidecar(
        Exiv2::ImageFactory::create(Exiv2::ImageType::xmp, path).release());
    sidecar->setXmpData(xmp);
    sidecar->writeMetadata();
}

std::vector<unsigned char> TinyJpegWithComment() {
    return {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x06, 'h', 'e', 'l', 'o', 0xFF, 0xD9};
}

std::string CommentOf(const std::string& path) {
    std::unique_ptr<Exiv2::Image> image(Exiv2::ImageFactory::open(path).release());
    image->readMetadata();
    return image->comment();
}

}  // namespace lumenmeta::test
