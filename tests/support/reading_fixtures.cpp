#include "support/reading_fixtures.h"

namespace lumenmeta::test {

namespace {

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

}  // namespace

std::vector<unsigned char> Utf16LeBytes(std::u16string_view text, int zeroUnits) {
    std::vector<unsigned char> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
        bytes.push_back(static_cast<unsigned char>(unit >> 8));
    }
    bytes.insert(bytes.end(), static_cast<size_t>(zeroUnits) * 2, 0);
    return bytes;
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
            {"Gr\xC3\xBC\xC3\x9F"
             "e",
             "Stra\xC3\x9F"
             "e"});
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

}  // namespace lumenmeta::test
