#include "merge/date_rules.h"

#include "merge/merge_trace.h"
#include "platform/ascii.h"

#include <climits>
#include <string>

namespace lumenmeta {

namespace {

constexpr const char* kRemovedInvalidDate = "Removed invalid date: ";

constexpr const char* kExifDateAndTimeKeys[] = {
    "Exif.Image.DateTime",
    "Exif.Photo.DateTimeOriginal",
    "Exif.Photo.DateTimeDigitized",
    "Exif.GPSInfo.GPSTimeStamp",
};

constexpr const char* kExifSubSecondKeys[] = {
    "Exif.Photo.SubSecTime",
    "Exif.Photo.SubSecTimeOriginal",
    "Exif.Photo.SubSecTimeDigitized",
};

constexpr const char* kXmpDateKeys[] = {
    "Xmp.tiff.DateTime",
    "Xmp.exif.DateTimeOriginal",
    "Xmp.exif.DateTimeDigitized",
    "Xmp.exif.GPSTimeStamp",
};

constexpr const char* kGpsTimeStampKey = "Exif.GPSInfo.GPSTimeStamp";

template <size_t N>
bool IsOneOfNoCase(const std::string& key, const char* const (&list)[N]) {
    for (const char* listed : list) {
        if (EqualNoCase(key.c_str(), listed)) return true;
    }
    return false;
}

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The number at the start of `text` as atoi reads it (white space, an
// optional sign, decimal digits), held within the range of int. `hasDigits`
// tells whether any digit was read.
long long LeadingInteger(const std::string& text, bool& hasDigits) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long number = 0;
    hasDigits = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        hasDigits = true;
        if (number <= INT_MAX) number = number * 10 + (text[i] - '0');
    }
    return negative ? -number : number;
}

// Trims a date datum and tells whether it stays. Removal is traced here; the
// caller erases the datum.
template <typename Datum>
bool PassesDateTest(Datum& datum, bool traced) {
    const std::string text = datum.toString();
    const size_t length = text.find('\0') == std::string::npos ? text.size() : text.find('\0');
    size_t kept = length;
    while (kept > 0 && (text[kept - 1] == ' ' || text[kept - 1] == '.')) --kept;
    if (kept < length) datum.setValue(text.substr(0, kept));

    const std::string trimmed = datum.toString();
    bool hasDigits = false;
    const long long number = LeadingInteger(trimmed, hasDigits);
    if (number >= 1) return true;
    // The GPS time stamp begins with its hour, not a year: hour 0 is a time.
    if (number == 0 && hasDigits && EqualNoCase(datum.key().c_str(), kGpsTimeStampKey)) {
        return true;
    }
    if (traced) TraceKeyValueLine(kRemovedInvalidDate, datum.key(), trimmed);
    return false;
}

}  // namespace

void CheckExifDates(Exiv2::ExifData& exif, bool traced) {
    for (auto datum = exif.begin(); datum != exif.end();) {
        const std::string key = datum->key();
        bool stays = true;
        if (IsOneOfNoCase(key, kExifDateAndTimeKeys)) {
            stays = PassesDateTest(*datum, traced);
        } else if (IsOneOfNoCase(key, kExifSubSecondKeys) && datum->toString().empty()) {
            if (traced) TraceKeyValueLine(kRemovedInvalidDate, key, std::string());
            stays = false;
        }
        datum = stays ? std::next(datum) : exif.erase(datum);
    }
}

void CheckXmpDates(Exiv2::XmpData& xmp, bool traced) {
    for (auto datum = xmp.begin(); datum != xmp.end();) {
        const bool stays = !IsOneOfNoCase(datum->key(), kXmpDateKeys) || PassesDateTest(*datum, traced);
        datum = stays ? std::next(datum) : xmp.erase(datum);
    }
}

}  // namespace lumenmeta
