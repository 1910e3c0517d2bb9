#include "name_values.h"

#include "values.h"

#include <cstdio>
#include <cstdlib>

namespace lumenmeta_tool {

namespace {

std::string SixPlaces(double number) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", number);
    return text;
}

// An XMP GPS coordinate ("51,30.5N" or "51,30,30N") as signed decimal
// degrees; "" when it is not one.
std::string XmpCoordinate(const std::string& text) {
    if (text.size() < 2) return "";
    const char hemisphere = text.back();
    if (hemisphere != 'N' && hemisphere != 'S' && hemisphere != 'E' && hemisphere != 'W') return "";
    const std::string body = text.substr(0, text.size() - 1);
    double parts[3] = {0, 0, 0};
    size_t start = 0;
    for (int part = 0; part < 3 && start <= body.size(); ++part) {
        const size_t comma = body.find(',', start);
        const std::string piece = body.substr(start, comma == std::string::npos ? comma : comma - start);
        char* end = nullptr;
        parts[part] = std::strtod(piece.c_str(), &end);
        if (piece.empty() || *end != '\0') return "";
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    const double degrees = parts[0] + parts[1] / 60 + parts[2] / 3600;
    return SixPlaces(hemisphere == 'S' || hemisphere == 'W' ? -degrees : degrees);
}

std::vector<std::string> Comparable(MetaHandle* handle, const std::string& key, NameKind kind) {
    std::vector<std::string> items;
    if (kind == NameKind::Coordinate) {
        if (key.compare(0, 5, "Exif.") == 0) {
            double number = 0;
            if (GetGpsDecimal(handle, key.c_str(), &number)) return {SixPlaces(number)};
            std::string text;
            if (ReadForm(handle, key, 0, true, text)) items.push_back(text);
            return items;
        }
        std::string text;
        if (!ReadForm(handle, key, 0, true, text)) return items;
        const std::string decimal = XmpCoordinate(text);
        return {decimal.empty() ? text : decimal};
    }
    // Numbers and dates compare as stored ("5/1", "2024:05:01 10:00:00"),
    // texts as read (a language alternative's default text).
    const bool stored = kind == NameKind::Number || kind == NameKind::Date || kind == NameKind::Time;
    const bool exif = key.compare(0, 5, "Exif.") == 0;
    std::string text;
    for (int index = 0; index < 65536 && ReadForm(handle, key, index, stored, text); ++index) {
        items.push_back(text);
        if (exif) break;
    }
    return items;
}

}  // namespace

NameReading ReadName(const Name& name, const std::function<MetaHandle*(const std::string&)>& handleFor) {
    NameReading reading;
    for (const std::string& key : name.keys) {
        std::vector<std::string> items = Comparable(handleFor(key), key, name.kind);
        if (items.empty()) continue;
        if (!reading.held.empty() && !ValuesAgree(name.kind, reading.held.front().items, items)) {
            reading.agree = false;
        }
        reading.held.push_back({key, std::move(items)});
    }
    return reading;
}

}  // namespace lumenmeta_tool
