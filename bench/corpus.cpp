#include "corpus.h"

#include "support/jpeg_bytes.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace lumenmeta::bench {

namespace {

using ImagePtr = std::unique_ptr<Exiv2::Image>;

constexpr const char* kCustomNamespaceUri = "http://ns.lumenframe.com/Lumenframe/1.0/";
constexpr const char* kCustomNamespacePrefix = "Lumenframe";

std::string Numbered(const char* text, int number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s%05d", text, number);
    return buffer;
}

std::string Variant(const char* text, int variant) { return text + std::string(" ") +
                                                             std::to_string(variant); }

void AddExif(Exiv2::ExifData& exif, int variant) {
    exif["Exif.Image.Make"] = Variant("Lumen Camera Works", variant);
    exif["Exif.Image.Model"] = "LX-1 Mark II";
    exif["Exif.Image.ImageDescription"] = Variant("Harbour at dawn", variant);
    exif["Exif.Image.Orientation"] = uint16_t(1);
    exif["Exif.Image.XResolution"] = Exiv2::URational(300, 1);
    exif["Exif.Image.YResolution"] = Exiv2::URational(300, 1);
    exif["Exif.Image.ResolutionUnit"] = uint16_t(2);
    exif["Exif.Image.Software"] = "Lumen Firmware 2.1";
    exif["Exif.Image.DateTime"] = "2024:05:17 06:12:45";
    exif["Exif.Image.Artist"] = Variant("Ann Example", variant);
    exif["Exif.Image.Copyright"] = Variant("(c) 2024 Ann Example", variant);
    exif["Exif.Image.YCbCrPositioning"] = uint16_t(2);
    exif["Exif.Photo.ExposureTime"] = Exiv2::URational(1, 250);
    exif["Exif.Photo.FNumber"] = Exiv2::URational(56, 10);
    exif["Exif.Photo.ExposureProgram"] = uint16_t(3);
    exif["Exif.Photo.ISOSpeedRatings"] = uint16_t(200);
    exif["Exif.Photo.SensitivityType"] = uint16_t(2);
    exif["Exif.Photo.DateTimeOriginal"] = "2024:05:17 06:12:45";
    exif["Exif.Photo.DateTimeDigitized"] = "2024:05:17 06:12:45";
    exif["Exif.Photo.OffsetTime"] = "+02:00";
    exif["Exif.Photo.OffsetTimeOriginal"] = "+02:00";
    exif["Exif.Photo.ComponentsConfiguration"] = "1 2 3 0";
    exif["Exif.Photo.ShutterSpeedValue"] = Exiv2::Rational(7965784, 1000000);
    exif["Exif.Photo.ApertureValue"] = Exiv2::URational(4970854, 1000000);
    exif["Exif.Photo.BrightnessValue"] = Exiv2::Rational(5, 2);
    exif["Exif.Photo.ExposureBiasValue"] = Exiv2::Rational(-1, 3);
    exif["Exif.Photo.MaxApertureValue"] = Exiv2::URational(3, 1);
    exif["Exif.Photo.SubjectDistance"] = Exiv2::URational(1250, 100);
    exif["Exif.Photo.MeteringMode"] = uint16_t(5);
    exif["Exif.Photo.LightSource"] = uint16_t(0);
    exif["Exif.Photo.Flash"] = uint16_t(16);
    exif["Exif.Photo.FocalLength"] = Exiv2::URational(50, 1);
    exif["Exif.Photo.SubSecTime"] = "25";
    exif["Exif.Photo.SubSecTimeOriginal"] = "25";
    exif["Exif.Photo.SubSecTimeDigitized"] = "25";
    exif["Exif.Photo.ColorSpace"] = uint16_t(1);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(4000);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(3000);
    exif["Exif.Photo.FocalPlaneXResolution"] = Exiv2::URational(4000000, 23600);
    exif["Exif.Photo.FocalPlaneYResolution"] = Exiv2::URational(3000000, 15700);
    exif["Exif.Photo.FocalPlaneResolutionUnit"] = uint16_t(3);
    exif["Exif.Photo.SensingMethod"] = uint16_t(2);
    exif["Exif.Photo.CustomRendered"] = uint16_t(0);
    exif["Exif.Photo.ExposureMode"] = uint16_t(0);
    exif["Exif.Photo.WhiteBalance"] = uint16_t(0);
    exif["Exif.Photo.DigitalZoomRatio"] = Exiv2::URational(1, 1);
    exif["Exif.Photo.FocalLengthIn35mmFilm"] = uint16_t(75);
    exif["Exif.Photo.SceneCaptureType"] = uint16_t(0);
    exif["Exif.Photo.Contrast"] = uint16_t(0);
    exif["Exif.Photo.Saturation"] = uint16_t(0);
    exif["Exif.Photo.Sharpness"] = uint16_t(0);
    exif["Exif.Photo.BodySerialNumber"] = Numbered("LX", 4711 + variant);
    exif["Exif.Photo.LensModel"] = "Lumen 50mm f/1.8";
    exif["Exif.Photo.LensSerialNumber"] = Numbered("LN", 815 + variant);
    exif["Exif.GPSInfo.GPSVersionID"] = "2 3 0 0";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "53/1 32/1 1234/100";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    exif["Exif.GPSInfo.GPSLongitude"] = "9/1 58/1 4321/100";
    exif["Exif.GPSInfo.GPSAltitudeRef"] = uint8_t(0);
    exif["Exif.GPSInfo.GPSAltitude"] = Exiv2::URational(1200, 100);
    exif["Exif.GPSInfo.GPSTimeStamp"] = "4/1 12/1 45/1";
    exif["Exif.GPSInfo.GPSDateStamp"] = "2024:05:17";
    exif["Exif.GPSInfo.GPSMapDatum"] = "WGS-84";
    // A thumbnail of about 6 KB, as cameras store.
    const std::vector<unsigned char> thumbnail = test::LargeJpeg(6000, 77 + variant);
    Exiv2::ExifThumb(exif).setJpegThumbnail(thumbnail.data(), static_cast<long>(thumbnail.size()));
}

void AddIptc(Exiv2::IptcData& iptc, int variant) {
    iptc["Iptc.Envelope.CharacterSet"] = "\x1b%G";
    iptc["Iptc.Application2.Caption"] = Variant("Fishing boats leave the harbour at dawn", variant);
    iptc["Iptc.Application2.Byline"] = Variant("Ann Example", variant);
    iptc["Iptc.Application2.City"] = "Hamburg";
    const char* keywords[] = {"harbour", "dawn", "boats", "fishing", "sea"};
    Exiv2::StringValue keyword;
    for (const char* text : keywords) {
        keyword.read(Variant(text, variant));
        iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    }
}

void AddXmp(Exiv2::XmpData& xmp, int variant) {
    Exiv2::XmpProperties::registerNs(kCustomNamespaceUri, kCustomNamespacePrefix);
    xmp["Xmp.dc.title"] = "lang=x-default " + Variant("Harbour at dawn", variant);
    Exiv2::XmpArrayValue subjects(Exiv2::xmpBag);
    for (const char* text : {"harbour", "dawn", "boats"}) subjects.read(Variant(text, variant));
    xmp.add(Exiv2::XmpKey("Xmp.dc.subject"), &subjects);
    Exiv2::XmpArrayValue creators(Exiv2::xmpSeq);
    creators.read(Variant("Ann Example", variant));
    creators.read("Ben Example");
    xmp.add(Exiv2::XmpKey("Xmp.dc.creator"), &creators);
    xmp["Xmp.xmp.Rating"] = "4";
    xmp["Xmp.Lumenframe.VarU_Client"] = Variant("Harbour Board", variant);
    xmp["Xmp.Lumenframe.VarU_Job"] = Numbered("Job", 2024 + variant);
    xmp["Xmp.Lumenframe.VarN_Frames"] = "36";
}

std::vector<unsigned char> BytesOf(Exiv2::Image& image) {
    Exiv2::BasicIo& io = image.io();
    std::vector<unsigned char> bytes(static_cast<size_t>(io.size()));
    io.seek(0, Exiv2::BasicIo::beg);
    if (io.read(bytes.data(), static_cast<long>(bytes.size())) != static_cast<long>(bytes.size())) {
        throw std::runtime_error("cannot read the written corpus image");
    }
    return bytes;
}

std::vector<unsigned char> WithMetadata(const std::vector<unsigned char>& jpeg,
                                        const Exiv2::ExifData& exif, const Exiv2::IptcData& iptc,
                                        const Exiv2::XmpData& xmp) {
    ImagePtr image(Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size())).release());
    image->readMetadata();
    image->setExifData(exif);
    image->setIptcData(iptc);
    image->setXmpData(xmp);
    image->writeMetadata();
    return BytesOf(*image);
}

struct Realistic {
    Exiv2::ExifData exif;
    Exiv2::IptcData iptc;
    Exiv2::XmpData xmp;
    explicit Realistic(int variant) {
        AddExif(exif, variant);
        AddIptc(iptc, variant);
        AddXmp(xmp, variant);
    }
};

// The metadata takes about 14 KB of a realistic file; the scan the rest.
constexpr size_t kMetadataBytes = 14 * 1024;

}  // namespace

std::vector<unsigned char> RealisticJpeg(size_t fileBytes, int variant) {
    const size_t scanBytes = fileBytes > 2 * kMetadataBytes ? fileBytes - kMetadataBytes
                                                             : kMetadataBytes;
    // About one byte in 256 of the scan is a stuffed 0xFF.
    const size_t drawn = scanBytes - scanBytes / 256;
    const Realistic metadata(variant);
    return WithMetadata(test::LargeJpeg(drawn, 1000 + static_cast<uint32_t>(variant)),
                        metadata.exif, metadata.iptc, metadata.xmp);
}

std::vector<unsigned char> ManyXmpPropertiesPng(int count, int variant) {
    Exiv2::XmpData xmp;
    AddXmp(xmp, variant);
    // Appended in key order, so no lookup is needed while building.
    for (int i = 0; i < count; ++i) {
        Exiv2::XmpTextValue value(Numbered(Variant("value", variant).c_str(), i));
        xmp.add(Exiv2::XmpKey(Numbered("Xmp.Lumenframe.BenchProperty", i)), &value);
    }
    // Exiv2 starts a new PNG as a blank 1 x 1 image.
    ImagePtr png(Exiv2::ImageFactory::create(Exiv2::ImageType::png).release());
    png->setXmpData(xmp);
    png->writeMetadata();
    return BytesOf(*png);
}

std::vector<unsigned char> ManyIptcKeywordsJpeg(int count, int variant) {
    Realistic metadata(variant);
    Exiv2::StringValue keyword;
    for (int i = 0; i < count; ++i) {
        keyword.read(Numbered(Variant("keyword", variant).c_str(), i));
        metadata.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    }
    return WithMetadata(test::MinimalJpeg(), metadata.exif, metadata.iptc, metadata.xmp);
}

const std::vector<std::string>& ReadKeys() {
    static const std::vector<std::string> keys = {
        "Exif.Image.Make",         "Exif.Image.Model",           "Exif.Photo.DateTimeOriginal",
        "Exif.Photo.FNumber",      "Exif.GPSInfo.GPSLatitude",   "Iptc.Application2.Caption",
        "Iptc.Application2.City",  "Iptc.Application2.Keywords", "Xmp.dc.title",
        "Xmp.Lumenframe.VarU_Client",
    };
    return keys;
}

const std::vector<SetValue>& WriteValues() {
    static const std::vector<SetValue> values = {
        {"Exif.Image.Artist", "Carla Example"},
        {"Iptc.Application2.Headline", "Boats at dawn"},
        {"Xmp.Lumenframe.VarU_Client", "Port Authority"},
    };
    return values;
}

}  // namespace lumenmeta::bench
