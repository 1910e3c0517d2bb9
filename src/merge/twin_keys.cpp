#include "merge/twin_keys.h"

#include <algorithm>
#include <unordered_map>

namespace lumenmeta {

namespace {

// Measured from Exiv2's own converters: each Exif tag of the Image, Photo and
// GPSInfo groups and each property of the XMP namespaces that Exiv2 converts,
// run through copyExifToXmp, copyXmpToExif, copyIptcToXmp and copyXmpToIptc.
const std::vector<TwinRow> kTwinRows = {
    {"Exif.Image.ImageWidth", nullptr, "Xmp.tiff.ImageWidth"},
    {"Exif.Image.ImageLength", nullptr, "Xmp.tiff.ImageLength"},
    {"Exif.Image.BitsPerSample", nullptr, "Xmp.tiff.BitsPerSample"},
    {"Exif.Image.Compression", nullptr, "Xmp.tiff.Compression"},
    {"Exif.Image.PhotometricInterpretation", nullptr, "Xmp.tiff.PhotometricInterpretation"},
    {"Exif.Image.ImageDescription", "Iptc.Application2.Caption", "Xmp.dc.description"},
    {"Exif.Image.Make", nullptr, "Xmp.tiff.Make"},
    {"Exif.Image.Model", nullptr, "Xmp.tiff.Model"},
    {"Exif.Image.Orientation", nullptr, "Xmp.tiff.Orientation"},
    {"Exif.Image.SamplesPerPixel", nullptr, "Xmp.tiff.SamplesPerPixel"},
    {"Exif.Image.XResolution", nullptr, "Xmp.tiff.XResolution"},
    {"Exif.Image.YResolution", nullptr, "Xmp.tiff.YResolution"},
    {"Exif.Image.PlanarConfiguration", nullptr, "Xmp.tiff.PlanarConfiguration"},
    {"Exif.Image.ResolutionUnit", nullptr, "Xmp.tiff.ResolutionUnit"},
    {"Exif.Image.TransferFunction", nullptr, "Xmp.tiff.TransferFunction"},
    {"Exif.Image.Software", nullptr, "Xmp.tiff.Software"},
    {"Exif.Image.DateTime", nullptr, "Xmp.xmp.ModifyDate"},
    {"Exif.Image.Artist", "Iptc.Application2.Byline", "Xmp.dc.creator"},
    {"Exif.Image.WhitePoint", nullptr, "Xmp.tiff.WhitePoint"},
    {"Exif.Image.PrimaryChromaticities", nullptr, "Xmp.tiff.PrimaryChromaticities"},
    {"Exif.Image.YCbCrCoefficients", nullptr, "Xmp.tiff.YCbCrCoefficients"},
    {"Exif.Image.YCbCrSubSampling", nullptr, "Xmp.tiff.YCbCrSubSampling"},
    {"Exif.Image.YCbCrPositioning", nullptr, "Xmp.tiff.YCbCrPositioning"},
    {"Exif.Image.ReferenceBlackWhite", nullptr, "Xmp.tiff.ReferenceBlackWhite"},
    {"Exif.Image.Rating", nullptr, "Xmp.xmp.Rating"},
    {"Exif.Image.Copyright", "Iptc.Application2.Copyright", "Xmp.dc.rights"},
    {"Exif.Photo.ExposureTime", nullptr, "Xmp.exif.ExposureTime"},
    {"Exif.Photo.FNumber", nullptr, "Xmp.exif.FNumber"},
    {"Exif.Photo.ExposureProgram", nullptr, "Xmp.exif.ExposureProgram"},
    {"Exif.Photo.SpectralSensitivity", nullptr, "Xmp.exif.SpectralSensitivity"},
    {"Exif.Photo.ISOSpeedRatings", nullptr, "Xmp.exif.ISOSpeedRatings"},
    {"Exif.Photo.OECF", nullptr, "Xmp.exif.OECF"},
    {"Exif.Photo.ExifVersion", nullptr, "Xmp.exif.ExifVersion"},
    {"Exif.Photo.DateTimeOriginal", "Iptc.Application2.DateCreated", "Xmp.photoshop.DateCreated"},
    {"Exif.Photo.DateTimeDigitized", "Iptc.Application2.DigitizationDate", "Xmp.xmp.CreateDate"},
    {"Exif.Photo.ComponentsConfiguration", nullptr, "Xmp.exif.ComponentsConfiguration"},
    {"Exif.Photo.CompressedBitsPerPixel", nullptr, "Xmp.exif.CompressedBitsPerPixel"},
    {"Exif.Photo.ShutterSpeedValue", nullptr, "Xmp.exif.ShutterSpeedValue"},
    {"Exif.Photo.ApertureValue", nullptr, "Xmp.exif.ApertureValue"},
    {"Exif.Photo.BrightnessValue", nullptr, "Xmp.exif.BrightnessValue"},
    {"Exif.Photo.ExposureBiasValue", nullptr, "Xmp.exif.ExposureBiasValue"},
    {"Exif.Photo.MaxApertureValue", nullptr, "Xmp.exif.MaxApertureValue"},
    {"Exif.Photo.SubjectDistance", nullptr, "Xmp.exif.SubjectDistance"},
    {"Exif.Photo.MeteringMode", nullptr, "Xmp.exif.MeteringMode"},
    {"Exif.Photo.LightSource", nullptr, "Xmp.exif.LightSource"},
    {"Exif.Photo.FocalLength", nullptr, "Xmp.exif.FocalLength"},
    {"Exif.Photo.SubjectArea", nullptr, "Xmp.exif.SubjectArea"},
    {"Exif.Photo.UserComment", nullptr, "Xmp.exif.UserComment"},
    {"Exif.Photo.FlashpixVersion", nullptr, "Xmp.exif.FlashpixVersion"},
    {"Exif.Photo.ColorSpace", nullptr, "Xmp.exif.ColorSpace"},
    {"Exif.Photo.PixelXDimension", nullptr, "Xmp.exif.PixelXDimension"},
    {"Exif.Photo.PixelYDimension", nullptr, "Xmp.exif.PixelYDimension"},
    {"Exif.Photo.RelatedSoundFile", nullptr, "Xmp.exif.RelatedSoundFile"},
    {"Exif.Photo.FlashEnergy", nullptr, "Xmp.exif.FlashEnergy"},
    {"Exif.Photo.SpatialFrequencyResponse", nullptr, "Xmp.exif.SpatialFrequencyResponse"},
    {"Exif.Photo.FocalPlaneXResolution", nullptr, "Xmp.exif.FocalPlaneXResolution"},
    {"Exif.Photo.FocalPlaneYResolution", nullptr, "Xmp.exif.FocalPlaneYResolution"},
    {"Exif.Photo.FocalPlaneResolutionUnit", nullptr, "Xmp.exif.FocalPlaneResolutionUnit"},
    {"Exif.Photo.SubjectLocation", nullptr, "Xmp.exif.SubjectLocation"},
    {"Exif.Photo.ExposureIndex", nullptr, "Xmp.exif.ExposureIndex"},
    {"Exif.Photo.SensingMethod", nullptr, "Xmp.exif.SensingMethod"},
    {"Exif.Photo.FileSource", nullptr, "Xmp.exif.FileSource"},
    {"Exif.Photo.SceneType", nullptr, "Xmp.exif.SceneType"},
    {"Exif.Photo.CFAPattern", nullptr, "Xmp.exif.CFAPattern"},
    {"Exif.Photo.CustomRendered", nullptr, "Xmp.exif.CustomRendered"},
    {"Exif.Photo.ExposureMode", nullptr, "Xmp.exif.ExposureMode"},
    {"Exif.Photo.WhiteBalance", nullptr, "Xmp.exif.WhiteBalance"},
    {"Exif.Photo.DigitalZoomRatio", nullptr, "Xmp.exif.DigitalZoomRatio"},
    {"Exif.Photo.FocalLengthIn35mmFilm", nullptr, "Xmp.exif.FocalLengthIn35mmFilm"},
    {"Exif.Photo.SceneCaptureType", nullptr, "Xmp.exif.SceneCaptureType"},
    {"Exif.Photo.GainControl", nullptr, "Xmp.exif.GainControl"},
    {"Exif.Photo.Contrast", nullptr, "Xmp.exif.Contrast"},
    {"Exif.Photo.Saturation", nullptr, "Xmp.exif.Saturation"},
    {"Exif.Photo.Sharpness", nullptr, "Xmp.exif.Sharpness"},
    {"Exif.Photo.DeviceSettingDescription", nullptr, "Xmp.exif.DeviceSettingDescription"},
    {"Exif.Photo.SubjectDistanceRange", nullptr, "Xmp.exif.SubjectDistanceRange"},
    {"Exif.Photo.ImageUniqueID", nullptr, "Xmp.exif.ImageUniqueID"},
    {"Exif.GPSInfo.GPSVersionID", nullptr, "Xmp.exif.GPSVersionID"},
    {"Exif.GPSInfo.GPSAltitudeRef", nullptr, "Xmp.exif.GPSAltitudeRef"},
    {"Exif.GPSInfo.GPSAltitude", nullptr, "Xmp.exif.GPSAltitude"},
    {"Exif.GPSInfo.GPSSatellites", nullptr, "Xmp.exif.GPSSatellites"},
    {"Exif.GPSInfo.GPSStatus", nullptr, "Xmp.exif.GPSStatus"},
    {"Exif.GPSInfo.GPSMeasureMode", nullptr, "Xmp.exif.GPSMeasureMode"},
    {"Exif.GPSInfo.GPSDOP", nullptr, "Xmp.exif.GPSDOP"},
    {"Exif.GPSInfo.GPSSpeedRef", nullptr, "Xmp.exif.GPSSpeedRef"},
    {"Exif.GPSInfo.GPSSpeed", nullptr, "Xmp.exif.GPSSpeed"},
    {"Exif.GPSInfo.GPSTrackRef", nullptr, "Xmp.exif.GPSTrackRef"},
    {"Exif.GPSInfo.GPSTrack", nullptr, "Xmp.exif.GPSTrack"},
    {"Exif.GPSInfo.GPSImgDirectionRef", nullptr, "Xmp.exif.GPSImgDirectionRef"},
    {"Exif.GPSInfo.GPSImgDirection", nullptr, "Xmp.exif.GPSImgDirection"},
    {"Exif.GPSInfo.GPSMapDatum", nullptr, "Xmp.exif.GPSMapDatum"},
    {"Exif.GPSInfo.GPSDestBearingRef", nullptr, "Xmp.exif.GPSDestBearingRef"},
    {"Exif.GPSInfo.GPSDestBearing", nullptr, "Xmp.exif.GPSDestBearing"},
    {"Exif.GPSInfo.GPSDestDistanceRef", nullptr, "Xmp.exif.GPSDestDistanceRef"},
    {"Exif.GPSInfo.GPSDestDistance", nullptr, "Xmp.exif.GPSDestDistance"},
    {"Exif.GPSInfo.GPSProcessingMethod", nullptr, "Xmp.exif.GPSProcessingMethod"},
    {"Exif.GPSInfo.GPSAreaInformation", nullptr, "Xmp.exif.GPSAreaInformation"},
    {"Exif.GPSInfo.GPSDifferential", nullptr, "Xmp.exif.GPSDifferential"},
    {"Exif.Photo.Flash", nullptr, "Xmp.exif.Flash"},
    {"Exif.GPSInfo.GPSLatitude", nullptr, "Xmp.exif.GPSLatitude"},
    {"Exif.GPSInfo.GPSLongitude", nullptr, "Xmp.exif.GPSLongitude"},
    {"Exif.GPSInfo.GPSDestLatitude", nullptr, "Xmp.exif.GPSDestLatitude"},
    {"Exif.GPSInfo.GPSDestLongitude", nullptr, "Xmp.exif.GPSDestLongitude"},
    {"Exif.GPSInfo.GPSTimeStamp", nullptr, "Xmp.exif.GPSTimeStamp"},
    {"Exif.Photo.DateTimeOriginal", nullptr, "Xmp.exif.DateTimeOriginal"},
    {"Exif.Image.DateTime", nullptr, "Xmp.tiff.DateTime"},
    {"Exif.Photo.DateTimeDigitized", nullptr, "Xmp.exif.DateTimeDigitized"},
    {nullptr, "Iptc.Application2.ObjectName", "Xmp.dc.title"},
    {nullptr, "Iptc.Application2.Urgency", "Xmp.photoshop.Urgency"},
    {nullptr, "Iptc.Application2.Category", "Xmp.photoshop.Category"},
    {nullptr, "Iptc.Application2.SuppCategory", "Xmp.photoshop.SupplementalCategories"},
    {nullptr, "Iptc.Application2.Keywords", "Xmp.dc.subject"},
    {nullptr, "Iptc.Application2.SpecialInstructions", "Xmp.photoshop.Instructions"},
    {nullptr, "Iptc.Application2.BylineTitle", "Xmp.photoshop.AuthorsPosition"},
    {nullptr, "Iptc.Application2.City", "Xmp.photoshop.City"},
    {nullptr, "Iptc.Application2.SubLocation", "Xmp.iptc.Location"},
    {nullptr, "Iptc.Application2.ProvinceState", "Xmp.photoshop.State"},
    {nullptr, "Iptc.Application2.CountryCode", "Xmp.iptc.CountryCode"},
    {nullptr, "Iptc.Application2.CountryName", "Xmp.photoshop.Country"},
    {nullptr, "Iptc.Application2.TransmissionReference", "Xmp.photoshop.TransmissionReference"},
    {nullptr, "Iptc.Application2.Headline", "Xmp.photoshop.Headline"},
    {nullptr, "Iptc.Application2.Credit", "Xmp.photoshop.Credit"},
    {nullptr, "Iptc.Application2.Source", "Xmp.photoshop.Source"},
    {nullptr, "Iptc.Application2.Writer", "Xmp.photoshop.CaptionWriter"},
};

}  // namespace

const std::vector<TwinRow>& TwinRows() { return kTwinRows; }

bool IsXmpKeyOf(const std::string& key, const std::string& property) {
    return key.compare(0, property.size(), property) == 0 &&
           (key.size() == property.size() || key[property.size()] == '/');
}

std::vector<std::string> TwinsOf(const std::string& key) {
    // The rows each key stands in, found once.
    static const std::unordered_map<std::string, std::vector<size_t>> kRowsOf = [] {
        std::unordered_map<std::string, std::vector<size_t>> rows;
        for (size_t at = 0; at < kTwinRows.size(); ++at) {
            for (const char* member : {kTwinRows[at].exifKey, kTwinRows[at].iptcKey, kTwinRows[at].xmpKey}) {
                if (member) rows[member].push_back(at);
            }
        }
        return rows;
    }();
    // A struct field of an XMP property ("Xmp.exif.Flash/exif:Fired") stands
    // in the rows of its property.
    const size_t field = key.compare(0, 4, "Xmp.") == 0 ? key.find('/') : std::string::npos;
    // The key's rows first; the members of those rows then bring their own
    // rows in (an Exif date converts to two XMP properties, one of which has
    // an IPTC twin).
    std::vector<std::string> members{field == std::string::npos ? key : key.substr(0, field)};
    for (size_t at = 0; at < members.size(); ++at) {
        const auto rows = kRowsOf.find(members[at]);
        if (rows == kRowsOf.end()) continue;
        for (const size_t row : rows->second) {
            for (const char* member : {kTwinRows[row].exifKey, kTwinRows[row].iptcKey, kTwinRows[row].xmpKey}) {
                if (member && std::find(members.begin(), members.end(), member) == members.end()) {
                    members.push_back(member);
                }
            }
        }
    }
    return std::vector<std::string>(members.begin() + 1, members.end());
}

std::vector<std::string> ExifCompanionsOf(const std::string& exifKey) {
    static const char* const kCoordinates[] = {
        "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude",
        "Exif.GPSInfo.GPSDestLatitude", "Exif.GPSInfo.GPSDestLongitude",
        "Exif.GPSInfo.GPSAltitude",
    };
    for (const char* coordinate : kCoordinates) {
        if (exifKey == coordinate) return {exifKey + "Ref"};
    }
    if (exifKey == "Exif.Image.DateTime") return {"Exif.Photo.SubSecTime"};
    if (exifKey == "Exif.Photo.DateTimeOriginal") return {"Exif.Photo.SubSecTimeOriginal"};
    if (exifKey == "Exif.Photo.DateTimeDigitized") return {"Exif.Photo.SubSecTimeDigitized"};
    if (exifKey == "Exif.GPSInfo.GPSTimeStamp") return {"Exif.GPSInfo.GPSDateStamp"};
    return {};
}

namespace {

struct TwinGroups {
    std::unordered_map<std::string, int> groupOf;
    int count = 0;
};

// Joins the members of each row, and each Exif key with its companions, by
// merging groups until every row lies in one.
const TwinGroups& Groups() {
    static const TwinGroups groups = [] {
        std::unordered_map<std::string, std::string> parent;
        const auto root = [&parent](std::string key) {
            while (parent.at(key) != key) key = parent.at(key);
            return key;
        };
        const auto join = [&](const std::string& a, const std::string& b) {
            parent.emplace(a, a);
            parent.emplace(b, b);
            const std::string ra = root(a), rb = root(b);
            if (ra != rb) parent[ra] = rb;
        };
        for (const TwinRow& row : kTwinRows) {
            join(row.xmpKey, row.xmpKey);
            if (row.exifKey) {
                join(row.exifKey, row.xmpKey);
                for (const std::string& companion : ExifCompanionsOf(row.exifKey)) join(companion, row.xmpKey);
            }
            if (row.iptcKey) join(row.iptcKey, row.xmpKey);
        }
        TwinGroups numbered;
        std::unordered_map<std::string, int> numberOfRoot;
        for (const auto& entry : parent) {
            const auto number = numberOfRoot.emplace(root(entry.first), numbered.count);
            if (number.second) ++numbered.count;
            numbered.groupOf.emplace(entry.first, number.first->second);
        }
        return numbered;
    }();
    return groups;
}

}  // namespace

int TwinGroupOf(const std::string& key) {
    const auto& groupOf = Groups().groupOf;
    auto found = groupOf.find(key);
    if (found == groupOf.end() && key.compare(0, 4, "Xmp.") == 0) {
        const size_t field = key.find('/');
        if (field != std::string::npos) found = groupOf.find(key.substr(0, field));
    }
    return found == groupOf.end() ? -1 : found->second;
}

int TwinGroupCount() { return Groups().count; }

}  // namespace lumenmeta
