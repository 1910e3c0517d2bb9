#include "support/value_forms_fixture.h"

#include <exiv2/exiv2.hpp>

namespace lumenmeta::test {

namespace {

// `text` as the UTF-16LE bytes the XP tags hold, with a zero unit.
std::string Ucs2Bytes(const std::u16string& text) {
    std::string numbers;
    for (char16_t unit : text + u'\0') {
        numbers += " " + std::to_string(unit & 0xFF) + " " + std::to_string(unit >> 8);
    }
    return numbers.substr(1);  // Exiv2 refuses a trailing blank
}

void Put(Exiv2::ExifData& exif, const std::string& key, Exiv2::TypeId type,
         const std::string& text) {
    Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
    value->read(text);
    exif.add(Exiv2::ExifKey(key), value.get());
}

}  // namespace

FixtureImage ValueFormsFixture() {
    FixtureImage image;
    Exiv2::ExifData& exif = image.exif;
    Put(exif, "Exif.Image.Model", Exiv2::asciiString, "PENTAX *ist DL     ");
    Put(exif, "Exif.Image.Orientation", Exiv2::unsignedShort, "1");
    Put(exif, "Exif.Image.BitsPerSample", Exiv2::unsignedShort, "8 8 8");
    Put(exif, "Exif.Image.XPTitle", Exiv2::unsignedByte, Ucs2Bytes(u"Hafen \u6771\u4eac"));
    Put(exif, "Exif.Photo.ExposureTime", Exiv2::unsignedRational, "1/125");
    Put(exif, "Exif.Photo.FNumber", Exiv2::unsignedRational, "8/1");
    Put(exif, "Exif.Photo.ExifVersion", Exiv2::undefined, "48 50 50 48");
    Put(exif, "Exif.Photo.ExposureBiasValue", Exiv2::signedRational, "-1/3");
    Put(exif, "Exif.Photo.PixelXDimension", Exiv2::unsignedLong, "4000");
    exif["Exif.Photo.UserComment"] = "charset=Ascii Harbour at dawn";
    Put(exif, "Exif.GPSInfo.GPSVersionID", Exiv2::unsignedByte, "2 2 0 0");
    Put(exif, "Exif.GPSInfo.GPSLatitudeRef", Exiv2::asciiString, "N");
    Put(exif, "Exif.GPSInfo.GPSLatitude", Exiv2::unsignedRational, "50/1 57/1 252/10");
    Put(exif, "Exif.GPSInfo.GPSLongitudeRef", Exiv2::asciiString, "W");
    Put(exif, "Exif.GPSInfo.GPSLongitude", Exiv2::unsignedRational, "6/1 3/1 4512/100");
    Put(exif, "Exif.GPSInfo.GPSAltitudeRef", Exiv2::unsignedByte, "1");
    Put(exif, "Exif.GPSInfo.GPSAltitude", Exiv2::unsignedRational, "255/10");
    Exiv2::StringValue keyword("harbour");
    image.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    keyword.read("boats");
    image.iptc.add(Exiv2::IptcKey("Iptc.Application2.Keywords"), &keyword);
    image.xmp["Xmp.dc.subject"] = "harbour";
    image.xmp["Xmp.dc.subject"] = "boats";  // a second item of the bag
    image.xmp["Xmp.dc.title"] = "lang=x-default Harbour";
    image.xmp["Xmp.dc.title"] = "lang=de-DE Hafen";
    image.xmp["Xmp.tiff.Orientation"] = "6";
    return image;
}

const std::vector<FormsRow>& ValueFormsAnswers() {
    static const std::vector<FormsRow> answers = {
        {"Exif.Image.BitsPerSample", 3, "8 8 8", "8 8 8"},
        {"Exif.Image.Model", 2, "PENTAX *ist DL     ", "PENTAX *ist DL"},
        {"Exif.Image.Orientation", 3, "1", "top, left"},
        {"Exif.Photo.ExposureTime", 5, "1/125", "1/125 s"},
        {"Exif.Photo.FNumber", 5, "8/1", "F8"},
        {"Exif.Photo.ExifVersion", 7, "48 50 50 48", "2.20"},
        {"Exif.Photo.ExposureBiasValue", 10, "-1/3", "-1/3 EV"},
        {"Exif.Photo.UserComment", 7, "Harbour at dawn", "Harbour at dawn"},
        {"Exif.Photo.PixelXDimension", 4, "4000", "4000"},
        {"Exif.GPSInfo.GPSVersionID", 1, "2 2 0 0", "2.2.0.0"},
        {"Exif.GPSInfo.GPSLatitudeRef", 2, "N", "North"},
        {"Exif.GPSInfo.GPSLatitude", 5, "50/1 57/1 252/10", "50deg 57' 25\""},
        {"Exif.GPSInfo.GPSLongitudeRef", 2, "W", "West"},
        {"Exif.GPSInfo.GPSLongitude", 5, "6/1 3/1 4512/100", "6deg 3' 45\""},
        {"Exif.GPSInfo.GPSAltitudeRef", 1, "1", "Below sea level"},
        {"Exif.GPSInfo.GPSAltitude", 5, "255/10", "25.5 m"},
        {"Exif.Image.XPTitle", 1, "Hafen \xE6\x9D\xB1\xE4\xBA\xAC", "Hafen \xE6\x9D\xB1\xE4\xBA\xAC"},
    };
    return answers;
}

}  // namespace lumenmeta::test
