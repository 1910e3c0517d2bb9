// The XMP properties whose values are rationals: read back as decimal numbers
// on request, and given a "/1" denominator when set from a plain number.
#pragma once

namespace lumenmeta {

constexpr const char* kRationalXmpKeys[] = {
    "Xmp.exif.ApertureValue",
    "Xmp.exif.ExposureBiasValue",
    "Xmp.exif.ExposureTime",
    "Xmp.exif.FNumber",
    "Xmp.exif.FocalLength",
    "Xmp.exif.FocalPlaneXResolution",
    "Xmp.exif.FocalPlaneResolutionUnit",
    "Xmp.exif.GPSAltitude",
    "Xmp.exif.MaxApertureValue",
    "Xmp.exif.ShutterSpeedValue",
    "Xmp.exif.SubjectDistance",
    "Xmp.tiff.XResolution",
    "Xmp.tiff.YResolution",
    "Xmp.exif.Flash",
};

// True when `key` equals one of the keys above, ASCII case ignored.
bool IsRationalXmpKey(const char* key);

}  // namespace lumenmeta
