#include "save/standard_exif_keys.h"

#include <cstring>
#include <mutex>

namespace lumenmeta {

const char* const kStandardExifKeys[] = {
    // Exif.GPSInfo
    "Exif.GPSInfo.GPSAltitude",
    "Exif.GPSInfo.GPSAltitudeRef",
    "Exif.GPSInfo.GPSAreaInformation",
    "Exif.GPSInfo.GPSDateStamp",
    "Exif.GPSInfo.GPSDestBearing",
    "Exif.GPSInfo.GPSDestBearingRef",
    "Exif.GPSInfo.GPSDestDistance",
    "Exif.GPSInfo.GPSDestDistanceRef",
    "Exif.GPSInfo.GPSDestLatitude",
    "Exif.GPSInfo.GPSDestLatitudeRef",
    "Exif.GPSInfo.GPSDestLongitude",
    "Exif.GPSInfo.GPSDestLongitudeRef",
    "Exif.GPSInfo.GPSDifferential",
    "Exif.GPSInfo.GPSDOP",
    "Exif.GPSInfo.GPSImgDirection",
    "Exif.GPSInfo.GPSImgDirectionRef",
    "Exif.GPSInfo.GPSLatitude",
    "Exif.GPSInfo.GPSLatitudeRef",
    "Exif.GPSInfo.GPSLongitude",
    "Exif.GPSInfo.GPSLongitudeRef",
    "Exif.GPSInfo.GPSMapDatum",
    "Exif.GPSInfo.GPSMeasureMode",
    "Exif.GPSInfo.GPSProcessingMethod",
    "Exif.GPSInfo.GPSSatellites",
    "Exif.GPSInfo.GPSSpeed",
    "Exif.GPSInfo.GPSSpeedRef",
    "Exif.GPSInfo.GPSStatus",
    "Exif.GPSInfo.GPSTimeStamp",
    "Exif.GPSInfo.GPSTrack",
    "Exif.GPSInfo.GPSTrackRef",
    "Exif.GPSInfo.GPSVersionID",

    // Exif.Image
    "Exif.Image.ActiveArea",
    "Exif.Image.AnalogBalance",
    "Exif.Image.AntiAliasStrength",
    "Exif.Image.Artist",
    "Exif.Image.AsShotICCProfile",
    "Exif.Image.AsShotNeutral",
    "Exif.Image.AsShotPreProfileMatrix",
    "Exif.Image.AsShotWhiteXY",
    "Exif.Image.BaselineExposure",
    "Exif.Image.BaselineNoise",
    "Exif.Image.BaselineSharpness",
    "Exif.Image.BatteryLevel",
    "Exif.Image.BayerGreenSplit",
    "Exif.Image.BestQualityScale",
    "Exif.Image.BlackLevel",
    "Exif.Image.BlackLevelDeltaH",
    "Exif.Image.BlackLevelDeltaV",
    "Exif.Image.BlackLevelRepeatDim",
    "Exif.Image.CalibrationIlluminant1",
    "Exif.Image.CalibrationIlluminant2",
    "Exif.Image.CameraCalibration1",
    "Exif.Image.CameraCalibration2",
    "Exif.Image.CameraSerialNumber",
    "Exif.Image.CFAPattern",
    "Exif.Image.CFARepeatPatternDim",
    "Exif.Image.ChromaBlurRadius",
    "Exif.Image.Copyright",
    "Exif.Image.CurrentPreProfileMatrix",
    "Exif.Image.DateTime",
    "Exif.Image.DefaultCropOrigin",
    "Exif.Image.DefaultCropSize",
    "Exif.Image.DefaultScale",
    "Exif.Image.DNGBackwardVersion",
    "Exif.Image.DNGPrivateData",
    "Exif.Image.DNGVersion",
    "Exif.Image.DocumentName",
    "Exif.Image.HostComputer",
    "Exif.Image.ImageDescription",
    "Exif.Image.JPEGProc",
    "Exif.Image.LensInfo",
    "Exif.Image.LinearizationTable",
    "Exif.Image.LinearResponseLimit",
    "Exif.Image.LocalizedCameraModel",
    "Exif.Image.Make",
    "Exif.Image.MakerNoteSafety",
    "Exif.Image.MaskedAreas",
    "Exif.Image.Model",
    "Exif.Image.NewSubfileType",
    "Exif.Image.Orientation",
    "Exif.Image.OriginalRawFileData",
    "Exif.Image.OriginalRawFileName",
    "Exif.Image.PrintImageMatching",
    "Exif.Image.ProcessingSoftware",
    "Exif.Image.Rating",
    "Exif.Image.RatingPercent",
    "Exif.Image.RawDataUniqueID",
    "Exif.Image.ReferenceBlackWhite",
    "Exif.Image.ShadowScale",
    "Exif.Image.Software",
    "Exif.Image.UniqueCameraModel",
    "Exif.Image.WhiteLevel",
    "Exif.Image.WhitePoint",
    "Exif.Image.XMLPacket",
    "Exif.Image.XPAuthor",
    "Exif.Image.XPComment",
    "Exif.Image.XPKeywords",
    "Exif.Image.XPSubject",
    "Exif.Image.XPTitle",

    // Exif.Iop
    "Exif.Iop.InteroperabilityIndex",
    "Exif.Iop.InteroperabilityVersion",
    "Exif.Iop.RelatedImageFileFormat",
    "Exif.Iop.RelatedImageLength",
    "Exif.Iop.RelatedImageWidth",

    // Exif.Photo
    "Exif.Photo.ApertureValue",
    "Exif.Photo.BrightnessValue",
    "Exif.Photo.CFAPattern",
    "Exif.Photo.ComponentsConfiguration",
    "Exif.Photo.CompressedBitsPerPixel",
    "Exif.Photo.Contrast",
    "Exif.Photo.CustomRendered",
    "Exif.Photo.DateTimeDigitized",
    "Exif.Photo.DateTimeOriginal",
    "Exif.Photo.DeviceSettingDescription",
    "Exif.Photo.DigitalZoomRatio",
    "Exif.Photo.ExifVersion",
    "Exif.Photo.ExposureBiasValue",
    "Exif.Photo.ExposureIndex",
    "Exif.Photo.ExposureMode",
    "Exif.Photo.ExposureProgram",
    "Exif.Photo.ExposureTime",
    "Exif.Photo.FileSource",
    "Exif.Photo.Flash",
    "Exif.Photo.FlashEnergy",
    "Exif.Photo.FlashpixVersion",
    "Exif.Photo.FNumber",
    "Exif.Photo.FocalLength",
    "Exif.Photo.FocalLengthIn35mmFilm",
    "Exif.Photo.FocalPlaneResolutionUnit",
    "Exif.Photo.FocalPlaneXResolution",
    "Exif.Photo.FocalPlaneYResolution",
    "Exif.Photo.GainControl",
    "Exif.Photo.ImageUniqueID",
    "Exif.Photo.InteroperabilityTag",
    "Exif.Photo.ISOSpeedRatings",
    "Exif.Photo.LightSource",
    "Exif.Photo.MakerNote",
    "Exif.Photo.MaxApertureValue",
    "Exif.Photo.MeteringMode",
    "Exif.Photo.OECF",
    "Exif.Photo.PixelXDimension",
    "Exif.Photo.PixelYDimension",
    "Exif.Photo.RelatedSoundFile",
    "Exif.Photo.Saturation",
    "Exif.Photo.SceneCaptureType",
    "Exif.Photo.SceneType",
    "Exif.Photo.SensingMethod",
    "Exif.Photo.Sharpness",
    "Exif.Photo.ShutterSpeedValue",
    "Exif.Photo.SpatialFrequencyResponse",
    "Exif.Photo.SpectralSensitivity",
    "Exif.Photo.SubjectArea",
    "Exif.Photo.SubjectDistance",
    "Exif.Photo.SubjectDistanceRange",
    "Exif.Photo.SubjectLocation",
    "Exif.Photo.SubSecTime",
    "Exif.Photo.SubSecTimeDigitized",
    "Exif.Photo.SubSecTimeOriginal",
    "Exif.Photo.UserComment",
    "Exif.Photo.WhiteBalance",
    nullptr,
};

namespace {

// Built empty when the library is loaded, filled on first need, never
// changed afterwards.
std::set<std::string> standardExifKeySet;
std::once_flag standardExifKeySetFilled;

}  // namespace

const std::set<std::string>& StandardExifKeySet() { return standardExifKeySet; }

void EnsureStandardExifKeySet() {
    // A fill cut short by exhausted memory leaves the flag unset, so the next
    // caller runs it again; inserting a key that is already there is
    // harmless, so the set ends complete.
    std::call_once(standardExifKeySetFilled, [] {
        for (int i = 0; kStandardExifKeys[i] != nullptr; ++i) {
            standardExifKeySet.insert(kStandardExifKeys[i]);
        }
    });
}

bool IsStandardExifKey(const std::string& key) { return standardExifKeySet.count(key) != 0; }

bool IsMakerNoteKey(const std::string& key) {
    for (const char* group : kMakerNoteGroups) {
        if (std::strstr(key.c_str(), group) != nullptr) return true;
    }
    return false;
}

bool IsCarriedExifKey(const std::string& key) {
    return IsStandardExifKey(key) || IsMakerNoteKey(key);
}

}  // namespace lumenmeta
