// GPS coordinates and the altitude as signed decimal numbers, from the
// rationals Exif holds them in and their references.
#include "lumenmeta.h"

#include <cstring>
#include <string>

namespace lumenmeta {

namespace {

// The reference key of a coordinate key, or "" when `key` is none.
std::string ReferenceOf(const char* key) {
    static const char* const kCoordinates[] = {
        "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSDestLatitude",
        "Exif.GPSInfo.GPSDestLongitude", "Exif.GPSInfo.GPSAltitude"};
    for (const char* coordinate : kCoordinates) {
        if (std::strcmp(key, coordinate) == 0) return std::string(key) + "Ref";
    }
    return "";
}

const Exiv2::Value* ValueOf(const Exiv2::ExifData& data, const std::string& key) {
    const auto found = data.findKey(Exiv2::ExifKey(key));
    if (found == data.end() || found->count() == 0) return nullptr;
    return &found->value();
}

// Component `n` as a double; false for a zero denominator.
bool Component(const Exiv2::Value& value, long n, double& number) {
    const Exiv2::Rational r = value.toRational(n);
    if (r.second == 0) return false;
    number = static_cast<double>(r.first) / static_cast<double>(r.second);
    return true;
}

}  // namespace

}  // namespace lumenmeta

extern "C" int GetGpsDecimal(MetaHandle* handle, const char* key, double* value) {
    using namespace lumenmeta;
    if (!handle || !key || !value) return 0;
    try {
        const std::string referenceKey = ReferenceOf(key);
        if (referenceKey.empty()) return 0;
        const Exiv2::Value* coordinate = ValueOf(handle->exifData, key);
        if (!coordinate) return 0;
        const Exiv2::Value* reference = ValueOf(handle->exifData, referenceKey);
        const bool altitude = referenceKey == "Exif.GPSInfo.GPSAltitudeRef";
        double number = 0;
        if (!Component(*coordinate, 0, number)) return 0;
        if (!altitude) {
            // Minutes and seconds, where they are held.
            for (long n = 1; n < 3 && n < coordinate->count(); ++n) {
                double part = 0;
                if (!Component(*coordinate, n, part)) return 0;
                number += part / (n == 1 ? 60.0 : 3600.0);
            }
        }
        bool negative = false;
        if (reference && altitude) {
            negative = reference->toLong(0) == 1;
        } else if (reference) {
            const std::string text = reference->toString();
            negative = !text.empty() && (text[0] == 'S' || text[0] == 'W' || text[0] == 's' ||
                                         text[0] == 'w');
        }
        *value = negative ? -number : number;
        return 1;
    } catch (...) {
        return 0;
    }
}
