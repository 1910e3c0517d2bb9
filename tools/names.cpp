#include "names.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lumenmeta_tool {

namespace {

// The names people know, for the groups the library converts between the
// families. Each group's keys are the keys the library's conversions tie
// together; the first is shown first, and a value for the name is set on it
// (but see LeadKey).
std::vector<Name> KnownNames() {
    using K = NameKind;
    return {
        {"Artist", {"Xmp.dc.creator", "Exif.Image.Artist", "Iptc.Application2.Byline"}, {},
         {"Creator", "By-line"}, K::List},
        {"Copyright", {"Xmp.dc.rights", "Exif.Image.Copyright", "Iptc.Application2.Copyright"}, {},
         {"Rights", "CopyrightNotice"}, K::Text},
        {"Description",
         {"Xmp.dc.description", "Exif.Image.ImageDescription", "Iptc.Application2.Caption"}, {},
         {"ImageDescription", "Caption", "Caption-Abstract"}, K::Text},
        {"Title", {"Xmp.dc.title", "Iptc.Application2.ObjectName"}, {}, {"ObjectName"}, K::Text},
        {"Keywords", {"Xmp.dc.subject", "Iptc.Application2.Keywords"}, {}, {"Subject"}, K::List},
        {"Rating", {"Xmp.xmp.Rating", "Exif.Image.Rating"}, {}, {}, K::Number},
        {"DateTimeOriginal",
         {"Exif.Photo.DateTimeOriginal", "Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated",
          "Iptc.Application2.DateCreated"},
         {"Exif.Photo.SubSecTimeOriginal", "Exif.Photo.OffsetTimeOriginal",
          "Iptc.Application2.TimeCreated"},
         {"DateCreated"}, K::Date},
        {"CreateDate",
         {"Exif.Photo.DateTimeDigitized", "Xmp.exif.DateTimeDigitized", "Xmp.xmp.CreateDate",
          "Iptc.Application2.DigitizationDate"},
         {"Exif.Photo.SubSecTimeDigitized", "Exif.Photo.OffsetTimeDigitized",
          "Iptc.Application2.DigitizationTime"},
         {"DateTimeDigitized", "DigitalCreationDate"}, K::Date},
        {"ModifyDate", {"Exif.Image.DateTime", "Xmp.tiff.DateTime", "Xmp.xmp.ModifyDate"},
         {"Exif.Photo.SubSecTime", "Exif.Photo.OffsetTime"}, {"DateTime"}, K::Date},
        {"City", {"Xmp.photoshop.City", "Iptc.Application2.City"}, {}, {}, K::Text},
        {"Country", {"Xmp.photoshop.Country", "Iptc.Application2.CountryName"}, {},
         {"CountryName", "Country-PrimaryLocationName"}, K::Text},
        {"CountryCode", {"Xmp.iptc.CountryCode", "Iptc.Application2.CountryCode"}, {},
         {"Country-PrimaryLocationCode"}, K::Text},
        {"State", {"Xmp.photoshop.State", "Iptc.Application2.ProvinceState"}, {},
         {"Province-State", "ProvinceState"}, K::Text},
        {"Location", {"Xmp.iptc.Location", "Iptc.Application2.SubLocation"}, {},
         {"Sub-location", "SubLocation"}, K::Text},
        {"Headline", {"Xmp.photoshop.Headline", "Iptc.Application2.Headline"}, {}, {}, K::Text},
        {"Credit", {"Xmp.photoshop.Credit", "Iptc.Application2.Credit"}, {}, {}, K::Text},
        {"Source", {"Xmp.photoshop.Source", "Iptc.Application2.Source"}, {}, {}, K::Text},
        {"CaptionWriter", {"Xmp.photoshop.CaptionWriter", "Iptc.Application2.Writer"}, {},
         {"Writer-Editor"}, K::Text},
        {"Instructions",
         {"Xmp.photoshop.Instructions", "Iptc.Application2.SpecialInstructions"}, {},
         {"SpecialInstructions"}, K::Text},
        {"TransmissionReference",
         {"Xmp.photoshop.TransmissionReference", "Iptc.Application2.TransmissionReference"}, {},
         {"OriginalTransmissionReference"}, K::Text},
        {"AuthorsPosition", {"Xmp.photoshop.AuthorsPosition", "Iptc.Application2.BylineTitle"},
         {}, {"By-lineTitle"}, K::Text},
        {"Category", {"Xmp.photoshop.Category", "Iptc.Application2.Category"}, {}, {}, K::Text},
        {"SupplementalCategories",
         {"Xmp.photoshop.SupplementalCategories", "Iptc.Application2.SuppCategory"}, {}, {},
         K::List},
        {"Urgency", {"Xmp.photoshop.Urgency", "Iptc.Application2.Urgency"}, {}, {}, K::Number},
        {"UserComment", {"Xmp.exif.UserComment", "Exif.Photo.UserComment"}, {}, {}, K::Text},
        {"GPSLatitude", {"Exif.GPSInfo.GPSLatitude", "Xmp.exif.GPSLatitude"},
         {"Exif.GPSInfo.GPSLatitudeRef"}, {}, K::Coordinate},
        {"GPSLongitude", {"Exif.GPSInfo.GPSLongitude", "Xmp.exif.GPSLongitude"},
         {"Exif.GPSInfo.GPSLongitudeRef"}, {}, K::Coordinate},
        {"GPSAltitude", {"Exif.GPSInfo.GPSAltitude", "Xmp.exif.GPSAltitude"},
         {"Exif.GPSInfo.GPSAltitudeRef"}, {}, K::Number},
        {"GPSDestLatitude", {"Exif.GPSInfo.GPSDestLatitude", "Xmp.exif.GPSDestLatitude"},
         {"Exif.GPSInfo.GPSDestLatitudeRef"}, {}, K::Coordinate},
        {"GPSDestLongitude", {"Exif.GPSInfo.GPSDestLongitude", "Xmp.exif.GPSDestLongitude"},
         {"Exif.GPSInfo.GPSDestLongitudeRef"}, {}, K::Coordinate},
        {"GPSTimeStamp", {"Exif.GPSInfo.GPSTimeStamp", "Xmp.exif.GPSTimeStamp"},
         {"Exif.GPSInfo.GPSDateStamp"}, {}, K::Time},
    };
}

// The rest of the Exif tags the library converts, each to the XMP property
// of the same name: Exif.Image.X to Xmp.tiff.X, Exif.Photo.X and
// Exif.GPSInfo.X to Xmp.exif.X. Named as the tag is.
const char* const kImageTags[] = {
    "ImageWidth", "ImageLength", "BitsPerSample", "Compression", "PhotometricInterpretation",
    "Make", "Model", "Orientation", "SamplesPerPixel", "XResolution", "YResolution",
    "PlanarConfiguration", "ResolutionUnit", "TransferFunction", "Software", "WhitePoint",
    "PrimaryChromaticities", "YCbCrCoefficients", "YCbCrSubSampling", "YCbCrPositioning",
    "ReferenceBlackWhite",
};
const char* const kPhotoTags[] = {
    "ExposureTime", "FNumber", "ExposureProgram", "SpectralSensitivity", "ISOSpeedRatings",
    "OECF", "ExifVersion", "ComponentsConfiguration", "CompressedBitsPerPixel",
    "ShutterSpeedValue", "ApertureValue", "BrightnessValue", "ExposureBiasValue",
    "MaxApertureValue", "SubjectDistance", "MeteringMode", "LightSource", "Flash", "FocalLength",
    "SubjectArea", "FlashpixVersion", "ColorSpace", "PixelXDimension", "PixelYDimension",
    "RelatedSoundFile", "FlashEnergy", "SpatialFrequencyResponse", "FocalPlaneXResolution",
    "FocalPlaneYResolution", "FocalPlaneResolutionUnit", "SubjectLocation", "ExposureIndex",
    "SensingMethod", "FileSource", "SceneType", "CFAPattern", "CustomRendered", "ExposureMode",
    "WhiteBalance", "DigitalZoomRatio", "FocalLengthIn35mmFilm", "SceneCaptureType",
    "GainControl", "Contrast", "Saturation", "Sharpness", "DeviceSettingDescription",
    "SubjectDistanceRange", "ImageUniqueID",
};
const char* const kGpsTags[] = {
    "GPSVersionID", "GPSAltitudeRef", "GPSSatellites", "GPSStatus", "GPSMeasureMode", "GPSDOP",
    "GPSSpeedRef", "GPSSpeed", "GPSTrackRef", "GPSTrack", "GPSImgDirectionRef",
    "GPSImgDirection", "GPSMapDatum", "GPSDestBearingRef", "GPSDestBearing",
    "GPSDestDistanceRef", "GPSDestDistance", "GPSProcessingMethod", "GPSAreaInformation",
    "GPSDifferential",
};

std::vector<Name> AllNames() {
    std::vector<Name> names = KnownNames();
    const auto add = [&names](const char* tag, const std::string& exifGroup,
                              const std::string& xmpGroup) {
        std::vector<std::string> aliases;
        if (std::string(tag) == "ISOSpeedRatings") aliases = {"ISO"};
        names.push_back({tag, {exifGroup + tag, xmpGroup + tag}, {}, aliases, NameKind::Number});
    };
    for (const char* tag : kImageTags) add(tag, "Exif.Image.", "Xmp.tiff.");
    for (const char* tag : kPhotoTags) add(tag, "Exif.Photo.", "Xmp.exif.");
    for (const char* tag : kGpsTags) add(tag, "Exif.GPSInfo.", "Xmp.exif.");
    return names;
}

bool SameWord(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsExifDate(const std::string& value) {
    return value.size() >= 10 && std::isdigit(static_cast<unsigned char>(value[0])) &&
           value[4] == ':' && value[7] == ':';
}

// A number as a stored value writes it: "5", "-2.5" or "n/d"; false for
// anything else.
bool ParseNumber(const std::string& text, double& number) {
    if (text.empty()) return false;
    char* end = nullptr;
    number = std::strtod(text.c_str(), &end);
    if (end == text.c_str()) return false;
    if (*end == '/') {
        const char* start = end + 1;
        const double denominator = std::strtod(start, &end);
        if (end == start || denominator == 0) return false;
        number /= denominator;
    }
    return *end == '\0' && std::isfinite(number);
}

std::string Digits(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    }
    return digits;
}

// Text with its line ends made one: Exif writes "\n", IPTC often "\r".
std::string LineEndsMadeOne(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ItemsAgree(NameKind kind, const std::string& a, const std::string& b) {
    switch (kind) {
    case NameKind::Date:
    case NameKind::Time: {
        // A date: the digits of the shorter form lead the longer one
        // ("2024-05-01" agrees with "2024:05:01 10:00:00" and with
        // "2024-05-01T10:00:00+02:00"). A time of day (Exif's "10:20:30")
        // stands anywhere in the other form ("2024-05-01T10:20:30Z").
        const std::string x = Digits(a), y = Digits(b);
        const std::string& shorter = x.size() < y.size() ? x : y;
        const std::string& longer = x.size() < y.size() ? y : x;
        if (shorter.empty()) return false;
        return kind == NameKind::Date ? longer.compare(0, shorter.size(), shorter) == 0
                                      : longer.find(shorter.substr(0, 6)) != std::string::npos;
    }
    case NameKind::Number:
    case NameKind::Coordinate: {
        double x = 0, y = 0;
        if (ParseNumber(a, x) && ParseNumber(b, y)) {
            return std::fabs(x - y) <= 1e-6 * std::max(1.0, std::fabs(x));
        }
        return a == b;
    }
    case NameKind::Text:
    case NameKind::List:
        return LineEndsMadeOne(a) == LineEndsMadeOne(b);
    }
    return a == b;
}

}  // namespace

const std::vector<Name>& Names() {
    static const std::vector<Name> names = AllNames();
    return names;
}

const Name* FindName(const std::string& word) {
    for (const Name& name : Names()) {
        if (SameWord(word, name.name)) return &name;
        for (const std::string& alias : name.aliases) {
            if (SameWord(word, alias)) return &name;
        }
    }
    return nullptr;
}

bool IsName(const std::string& word) { return FindName(word) != nullptr; }

std::vector<std::string> KeysForName(const std::string& word) {
    if (const Name* name = FindName(word)) return name->keys;
    const size_t first = word.find('.');
    const size_t second = first == std::string::npos ? first : word.find('.', first + 1);
    const std::string family = word.substr(0, first);
    if (second == std::string::npos || second == first + 1 || second + 1 >= word.size() ||
        (family != "Exif" && family != "Iptc" && family != "Xmp") ||
        word.find_first_of(" =\t\n*?[") != std::string::npos) {
        return {};
    }
    return {word};
}

const Name* NameOfKey(const std::string& key) {
    const std::string property =
        key.compare(0, 4, "Xmp.") == 0 ? key.substr(0, key.find('/')) : key;
    for (const Name& name : Names()) {
        if (std::find(name.keys.begin(), name.keys.end(), property) != name.keys.end()) {
            return &name;
        }
    }
    return nullptr;
}

std::string CoordinateForXmp(const std::string& value, bool latitude) {
    double degrees = 0;
    if (!ParseNumber(value, degrees) || value.find('/') != std::string::npos) return "";
    if (std::fabs(degrees) > (latitude ? 90 : 180)) return "";
    const char hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
    degrees = std::fabs(degrees);
    const int whole = static_cast<int>(degrees);
    char text[64];
    std::snprintf(text, sizeof text, "%d,%.6f%c", whole, (degrees - whole) * 60, hemisphere);
    return text;
}

std::string LeadKey(const Name& name, const std::string& value) {
    const auto first = [&name](const char* family) {
        for (const std::string& key : name.keys) {
            if (key.compare(0, std::char_traits<char>::length(family), family) == 0) return key;
        }
        return name.keys.front();
    };
    if (name.kind == NameKind::Date || name.kind == NameKind::Time) {
        return first(IsExifDate(value) || name.kind == NameKind::Time ? "Exif." : "Xmp.");
    }
    if (name.kind == NameKind::Coordinate) {
        const bool latitude = name.name.find("Latitude") != std::string::npos;
        return first(CoordinateForXmp(value, latitude).empty() &&
                             value.find(',') == std::string::npos
                         ? "Exif."
                         : "Xmp.");
    }
    return name.keys.front();
}

bool ValuesAgree(NameKind kind, const std::vector<std::string>& a,
                 const std::vector<std::string>& b) {
    if (a.size() != b.size()) return false;
    std::vector<std::string> x = a, y = b;
    if (kind == NameKind::List) {
        std::sort(x.begin(), x.end());
        std::sort(y.begin(), y.end());
    }
    for (size_t i = 0; i < x.size(); ++i) {
        if (!ItemsAgree(kind, x[i], y[i])) return false;
    }
    return true;
}

}  // namespace lumenmeta_tool
