#include "merge/added_twins.h"

#include "merge/twin_keys.h"
#include "platform/code_page.h"

#include <cstring>
#include <memory>

namespace lumenmeta {

namespace {

bool IsDigits(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) return false;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    return true;
}

int NumberAt(const std::string& text, size_t at, size_t count) {
    int number = 0;
    for (size_t i = at; i < at + count; ++i) number = number * 10 + (text[i] - '0');
    return number;
}

bool IsRealDay(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// "HH:MM" at `at`, then optionally ":SS".
bool IsTimeOfDay(const std::string& text, size_t at, size_t* end) {
    if (!IsDigits(text, at, 2) || at + 5 > text.size() || text[at + 2] != ':' || !IsDigits(text, at + 3, 2)) return false;
    if (NumberAt(text, at, 2) > 23 || NumberAt(text, at + 3, 2) > 59) return false;
    size_t i = at + 5;
    if (i < text.size() && text[i] == ':') {
        if (!IsDigits(text, i + 1, 2) || NumberAt(text, i + 1, 2) > 60) return false;
        i += 3;
    }
    *end = i;
    return true;
}

bool IsEmptyValue(const Exiv2::Value& value) {
    if (value.size() == 0 || value.count() == 0) return true;
    const std::string text = value.toString();
    return text.find_first_not_of(std::string(" \0", 2)) == std::string::npos;
}

// Image-structure tags of a TIFF, which describe the strips of a TIFF image
// and have no place in the Exif of a JPEG, PNG or WebP.
constexpr const char* kTiffStructureKeys[] = {
    "Exif.Image.ImageWidth",       "Exif.Image.ImageLength",       "Exif.Image.BitsPerSample",
    "Exif.Image.Compression",      "Exif.Image.PhotometricInterpretation",
    "Exif.Image.SamplesPerPixel",  "Exif.Image.PlanarConfiguration", "Exif.Image.YCbCrSubSampling",
};

constexpr const char* kExifDateTimeKeys[] = {
    "Exif.Image.DateTime", "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized",
};

constexpr const char* kVersionKeys[] = {
    "Exif.Photo.ExifVersion", "Exif.Photo.FlashpixVersion", "Exif.Iop.InteroperabilityVersion",
};

template <size_t N>
bool IsOneOf(const std::string& key, const char* const (&keys)[N]) {
    for (const char* listed : keys) {
        if (key == listed) return true;
    }
    return false;
}

bool HoldsTiffImage(const Exiv2::Image& image) {
    static const char* const kOtherFormats[] = {
        "image/jpeg", "image/png", "image/webp", "image/jp2", "image/gif", "image/x-ms-bmp",
        "image/x-photoshop", "image/targa", "image/pgf", "application/rdf+xml", "application/postscript",
    };
    const std::string mime = image.mimeType();
    for (const char* other : kOtherFormats) {
        if (mime == other) return false;
    }
    return true;
}

// True when an XMP twin of the date is a valid XMP date (with a time of
// day, where `needsTime`): the value came from a well-formed date, and for
// an Exif date-time from a full date-time, not a date alone.
bool HasValidXmpTwin(const std::string& key, const Exiv2::XmpData& xmp, bool needsTime) {
    for (const std::string& twin : TwinsOf(key)) {
        if (twin.compare(0, 4, "Xmp.") != 0) continue;
        const auto found = xmp.findKey(Exiv2::XmpKey(twin));
        if (found == xmp.end() || !IsValidXmpDate(found->toString())) continue;
        if (!needsTime || found->toString().find('T') != std::string::npos) return true;
    }
    return false;
}

// The XMP dates a conversion can add: the twins of the Exif and IPTC dates.
bool IsConvertedXmpDate(const std::string& key) {
    static const char* const kDates[] = {
        "Xmp.xmp.ModifyDate",         "Xmp.tiff.DateTime",          "Xmp.photoshop.DateCreated",
        "Xmp.exif.DateTimeOriginal",  "Xmp.xmp.CreateDate",         "Xmp.exif.DateTimeDigitized",
    };
    for (const char* date : kDates) {
        if (key == date) return true;
    }
    return false;
}

template <typename Datum>
void SetIfMissing(Exiv2::ExifData& exif, const char* key, const Datum& make) {
    const Exiv2::ExifKey exifKey(key);
    if (exif.findKey(exifKey) != exif.end()) return;
    std::unique_ptr<Exiv2::Value> value(make().release());
    exif.add(exifKey, value.get());
}

Exiv2::Value::AutoPtr ValueOf(Exiv2::TypeId type, const char* text) {
    Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
    value->read(text);
    return value;
}

bool HasGroup(const Exiv2::ExifData& exif, const char* group) {
    for (const auto& datum : exif) {
        if (datum.groupName() == group) return true;
    }
    return false;
}

}  // namespace

bool IsValidExifDateTime(const std::string& text) {
    size_t end = 0;
    return text.size() == 19 && IsDigits(text, 0, 4) && text[4] == ':' && IsDigits(text, 5, 2) && text[7] == ':' &&
           IsDigits(text, 8, 2) && text[10] == ' ' &&
           IsRealDay(NumberAt(text, 0, 4), NumberAt(text, 5, 2), NumberAt(text, 8, 2)) &&
           IsTimeOfDay(text, 11, &end) && end == 19;
}

bool IsValidXmpDate(const std::string& text) {
    if (!IsDigits(text, 0, 4)) return false;
    const int year = NumberAt(text, 0, 4);
    if (text.size() == 4) return year >= 1;
    if (text[4] != '-' || !IsDigits(text, 5, 2)) return false;
    const int month = NumberAt(text, 5, 2);
    if (text.size() == 7) return IsRealDay(year, month, 1);
    if (text[7] != '-' || !IsDigits(text, 8, 2) || !IsRealDay(year, month, NumberAt(text, 8, 2))) return false;
    if (text.size() == 10) return true;
    size_t i = 0;
    if (text[10] != 'T' || !IsTimeOfDay(text, 11, &i)) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        const size_t digits = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == digits) return false;
    }
    if (i == text.size()) return true;
    if (text[i] == 'Z') return i + 1 == text.size();
    if (text[i] != '+' && text[i] != '-') return false;
    size_t end = 0;
    return IsTimeOfDay(text, i + 1, &end) && end == i + 6 && end == text.size();
}

bool IsValidIptcDate(const std::string& text) {
    return text.size() == 10 && IsDigits(text, 0, 4) && text[4] == '-' && IsDigits(text, 5, 2) && text[7] == '-' &&
           IsDigits(text, 8, 2) && IsRealDay(NumberAt(text, 0, 4), NumberAt(text, 5, 2), NumberAt(text, 8, 2));
}

bool KeepsAddedExif(const Exiv2::Exifdatum& datum, const std::string& key, const Exiv2::Image& target) {
    if (IsEmptyValue(datum.value())) return false;
    if (IsOneOf(key, kTiffStructureKeys)) return HoldsTiffImage(target);
    if (IsOneOf(key, kExifDateTimeKeys)) {
        return IsValidExifDateTime(datum.toString()) && HasValidXmpTwin(key, target.xmpData(), true);
    }
    if (IsOneOf(key, kVersionKeys)) {
        const Exiv2::DataBuf bytes(datum.size());
        datum.copy(bytes.pData_, Exiv2::invalidByteOrder);
        const std::string text(reinterpret_cast<const char*>(bytes.pData_), static_cast<size_t>(bytes.size_));
        return IsDigits(text, 0, 4) && text.size() == 4;
    }
    return true;
}

bool KeepsAddedIptc(const Exiv2::Iptcdatum& datum, const std::string& key, const Exiv2::XmpData& xmp) {
    if (IsEmptyValue(datum.value())) return false;
    if (datum.typeId() == Exiv2::date) {
        return IsValidIptcDate(datum.toString()) && HasValidXmpTwin(key, xmp, false);
    }
    return true;
}

bool KeepsAddedXmp(const Exiv2::Xmpdatum& datum, const std::string& key) {
    if (datum.count() == 0 || datum.size() == 0) return false;
    return !IsConvertedXmpDate(key) || IsValidXmpDate(datum.toString());
}

void MakeXmpTextUtf8(Exiv2::Xmpdatum& datum) {
    const Exiv2::Value& value = datum.value();
    switch (value.typeId()) {
        case Exiv2::xmpText: {
            const std::string text = value.toString();
            if (!IsValidUtf8(text)) datum.setValue(Utf8FromNarrowText(text));
            break;
        }
        case Exiv2::xmpBag:
        case Exiv2::xmpSeq:
        case Exiv2::xmpAlt: {
            bool valid = true;
            for (long i = 0; valid && i < value.count(); ++i) valid = IsValidUtf8(value.toString(i));
            if (valid) break;
            Exiv2::XmpArrayValue fixed(value.typeId());
            for (long i = 0; i < value.count(); ++i) fixed.read(Utf8FromNarrowText(value.toString(i)));
            datum.setValue(&fixed);
            break;
        }
        case Exiv2::langAlt: {
            const auto& alternatives = static_cast<const Exiv2::LangAltValue&>(value);
            bool valid = true;
            for (const auto& entry : alternatives.value_) valid = valid && IsValidUtf8(entry.second);
            if (valid) break;
            Exiv2::LangAltValue fixed;
            for (const auto& entry : alternatives.value_) fixed.value_[entry.first] = Utf8FromNarrowText(entry.second);
            datum.setValue(&fixed);
            break;
        }
        default:
            break;
    }
}

void AddRequiredExifTags(const Exiv2::ExifData& hadExif, Exiv2::Image& target) {
    Exiv2::ExifData& exif = target.exifData();
    if (exif.empty()) return;
    const bool jpeg = target.imageType() == Exiv2::ImageType::jpeg;
    if (!HasGroup(hadExif, "Image") && HoldsTiffImage(target) == false) {
        SetIfMissing(exif, "Exif.Image.XResolution", [] { return ValueOf(Exiv2::unsignedRational, "72/1"); });
        SetIfMissing(exif, "Exif.Image.YResolution", [] { return ValueOf(Exiv2::unsignedRational, "72/1"); });
        SetIfMissing(exif, "Exif.Image.ResolutionUnit", [] { return ValueOf(Exiv2::unsignedShort, "2"); });
        if (jpeg) SetIfMissing(exif, "Exif.Image.YCbCrPositioning", [] { return ValueOf(Exiv2::unsignedShort, "1"); });
    }
    if (!HasGroup(hadExif, "Photo") && HasGroup(exif, "Photo")) {
        SetIfMissing(exif, "Exif.Photo.ExifVersion", [] { return ValueOf(Exiv2::undefined, "48 50 51 50"); });
        if (jpeg) {
            SetIfMissing(exif, "Exif.Photo.ComponentsConfiguration", [] { return ValueOf(Exiv2::undefined, "1 2 3 0"); });
        }
        SetIfMissing(exif, "Exif.Photo.FlashpixVersion", [] { return ValueOf(Exiv2::undefined, "48 49 48 48"); });
        SetIfMissing(exif, "Exif.Photo.ColorSpace", [] { return ValueOf(Exiv2::unsignedShort, "65535"); });
        const int width = target.pixelWidth(), height = target.pixelHeight();
        if (width > 0 && height > 0) {
            const std::string w = std::to_string(width), h = std::to_string(height);
            SetIfMissing(exif, "Exif.Photo.PixelXDimension", [&w] { return ValueOf(Exiv2::unsignedLong, w.c_str()); });
            SetIfMissing(exif, "Exif.Photo.PixelYDimension", [&h] { return ValueOf(Exiv2::unsignedLong, h.c_str()); });
        }
    }
}

}  // namespace lumenmeta
