#include "edit/value_check.h"

#include "merge/added_twins.h"
#include "platform/debug_trace.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace lumenmeta {

namespace {

std::vector<std::string> Tokens(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> tokens;
    for (std::string token; in >> token;) tokens.push_back(token);
    return tokens;
}

// A whole decimal integer, optionally signed, within [low, high].
bool ParseInteger(const std::string& token, long long low, long long high, long long* number = nullptr) {
    if (token.empty()) return false;
    size_t i = token[0] == '-' || token[0] == '+' ? 1 : 0;
    if (i == token.size()) return false;
    long long value = 0;
    for (; i < token.size(); ++i) {
        if (token[i] < '0' || token[i] > '9') return false;
        value = value * 10 + (token[i] - '0');
        if (value > (1LL << 40)) return false;
    }
    if (token[0] == '-') value = -value;
    if (value < low || value > high) return false;
    if (number) *number = value;
    return true;
}

// "n/d", or a decimal number written as n/d; each part in range.
bool ParseRational(std::string& token, bool isSigned) {
    const long long low = isSigned ? INT32_MIN : 0, high = isSigned ? INT32_MAX : UINT32_MAX;
    const size_t slash = token.find('/');
    if (slash != std::string::npos) {
        return ParseInteger(token.substr(0, slash), low, high) &&
               ParseInteger(token.substr(slash + 1), isSigned ? INT32_MIN : 0, high);
    }
    const size_t point = token.find('.');
    if (point == std::string::npos) {
        if (!ParseInteger(token, low, high)) return false;
        token += "/1";
        return true;
    }
    const std::string whole = token.substr(0, point), fraction = token.substr(point + 1);
    if (fraction.empty() || fraction.size() > 9 || fraction.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const bool negative = !whole.empty() && whole[0] == '-';
    long long integer = 0, digits = 0, denominator = 1;
    if (!whole.empty() && whole != "-" && whole != "+" && !ParseInteger(whole, low, high, &integer)) return false;
    ParseInteger(fraction, 0, 999999999, &digits);
    for (size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
    const long long magnitude = (integer < 0 ? -integer : integer) * denominator + digits;
    const long long numerator = negative ? -magnitude : magnitude;
    if (numerator < low || numerator > high || denominator > high) return false;
    token = std::to_string(numerator) + "/" + std::to_string(denominator);
    return true;
}

bool ParseReal(const std::string& token) {
    if (token.empty()) return false;
    errno = 0;
    char* end = nullptr;
    std::strtod(token.c_str(), &end);
    return errno == 0 && end == token.c_str() + token.size();
}

bool IsDigitsOnly(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool IsIptcDate(const std::string& text) {
    if (text.size() == 8 && IsDigitsOnly(text)) {
        return IsValidIptcDate(text.substr(0, 4) + "-" + text.substr(4, 2) + "-" + text.substr(6, 2));
    }
    return IsValidIptcDate(text);
}

bool IsTwoDigits(const std::string& text, size_t at, int high) {
    return at + 2 <= text.size() && IsDigitsOnly(text.substr(at, 2)) && std::stoi(text.substr(at, 2)) <= high;
}

bool IsIptcTime(const std::string& text) {
    const bool colons = text.size() >= 8 && text[2] == ':';
    const size_t step = colons ? 3 : 2, length = colons ? 8 : 6;
    if (text.size() < length || !IsTwoDigits(text, 0, 23) || !IsTwoDigits(text, step, 59) ||
        !IsTwoDigits(text, 2 * step, 60)) {
        return false;
    }
    if (colons && text[5] != ':') return false;
    if (text.size() == length) return true;
    const char sign = text[length];
    if (sign != '+' && sign != '-') return false;
    const std::string zone = text.substr(length + 1);
    if (colons) return zone.size() == 5 && zone[2] == ':' && IsTwoDigits(zone, 0, 23) && IsTwoDigits(zone, 3, 59);
    return zone.size() == 4 && IsTwoDigits(zone, 0, 23) && IsTwoDigits(zone, 2, 59);
}

bool CheckNumbers(const std::string& text, long long low, long long high) {
    const std::vector<std::string> tokens = Tokens(text);
    if (tokens.empty()) return false;
    for (const std::string& token : tokens) {
        if (!ParseInteger(token, low, high)) return false;
    }
    return true;
}

bool CheckRationals(std::string& text, bool isSigned) {
    std::vector<std::string> tokens = Tokens(text);
    if (tokens.empty()) return false;
    std::string joined;
    for (std::string& token : tokens) {
        if (!ParseRational(token, isSigned)) return false;
        joined += (joined.empty() ? "" : " ") + token;
    }
    text = joined;
    return true;
}

constexpr const char* kCheckedExifDateKeys[] = {
    "Exif.Image.DateTime", "Exif.Photo.DateTimeOriginal", "Exif.Photo.DateTimeDigitized",
};

}  // namespace

bool CheckTypedText(Exiv2::TypeId type, std::string& text, std::string& reason) {
    bool fits = true;
    switch (type) {
        case Exiv2::unsignedByte: fits = CheckNumbers(text, 0, UINT8_MAX); break;
        case Exiv2::unsignedShort: fits = CheckNumbers(text, 0, UINT16_MAX); break;
        case Exiv2::unsignedLong: case Exiv2::tiffIfd: fits = CheckNumbers(text, 0, UINT32_MAX); break;
        case Exiv2::signedByte: fits = CheckNumbers(text, INT8_MIN, INT8_MAX); break;
        case Exiv2::signedShort: fits = CheckNumbers(text, INT16_MIN, INT16_MAX); break;
        case Exiv2::signedLong: fits = CheckNumbers(text, INT32_MIN, INT32_MAX); break;
        case Exiv2::unsignedRational: fits = CheckRationals(text, false); break;
        case Exiv2::signedRational: fits = CheckRationals(text, true); break;
        case Exiv2::tiffFloat: case Exiv2::tiffDouble: {
            const std::vector<std::string> tokens = Tokens(text);
            fits = !tokens.empty();
            for (const std::string& token : tokens) fits = fits && ParseReal(token);
            break;
        }
        case Exiv2::undefined: fits = CheckNumbers(text, 0, UINT8_MAX); break;
        case Exiv2::date: fits = IsIptcDate(text); break;
        case Exiv2::time: fits = IsIptcTime(text); break;
        default: break;  // text
    }
    if (!fits) reason = std::string("not a value of type ") + Exiv2::TypeInfo::typeName(type);
    return fits;
}

bool CheckExifText(const std::string& key, Exiv2::TypeId type, std::string& text, std::string& reason) {
    if (!CheckTypedText(type, text, reason)) return false;
    for (const char* dateKey : kCheckedExifDateKeys) {
        if (key != dateKey) continue;
        const bool blank = text.find_first_not_of(" :") == std::string::npos;
        if (!blank && !IsValidExifDateTime(text)) {
            reason = "not a date YYYY:MM:DD HH:MM:SS";
            return false;
        }
    }
    return true;
}

bool CheckXmpText(const std::string& key, std::string& text, std::string& reason) {
    const Exiv2::XmpPropertyInfo* info = nullptr;
    try {
        info = Exiv2::XmpProperties::propertyInfo(Exiv2::XmpKey(key));
    } catch (const Exiv2::AnyError&) {
        return true;  // a property Exiv2 does not type takes any text
    }
    if (!info || !info->xmpValueType_) return true;
    const std::string valueType = info->xmpValueType_;
    bool fits = true;
    if (valueType == "Date") {
        fits = IsValidXmpDate(text);
    } else if (valueType == "Integer" || valueType == "Closed Choice of Integer") {
        fits = ParseInteger(text, INT32_MIN, INT32_MAX);
    } else if (valueType == "Real" || valueType == "Closed Choice of Real") {
        fits = ParseReal(text);
    } else if (valueType == "Rational") {
        fits = ParseRational(text, true);
    } else {
        return true;
    }
    if (!fits) reason = "not a value of type " + valueType;
    return fits;
}

void TraceRefusedValue(const std::string& key, const std::string& text, const std::string& reason) {
    TracePiece("Refused value for ");
    TracePiece(key);
    TracePiece(": ");
    TracePiece(text);
    TracePiece(" (");
    TracePiece(reason);
    TracePiece(")\n");
}

}  // namespace lumenmeta
