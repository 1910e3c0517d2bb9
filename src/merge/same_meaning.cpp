#include "merge/same_meaning.h"

#include "platform/code_page.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace lumenmeta {

namespace {

bool EndsWith(const std::string& text, const char* tail) {
    const std::string end(tail);
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

bool IsDateKey(const std::string& key) {
    if (Contains(key, "SubSec")) return false;
    return Contains(key, "Date") || (key.compare(0, 4, "Xmp.") == 0 && EndsWith(key, "TimeStamp"));
}

bool IsSubSecondKey(const std::string& key) { return Contains(key, "SubSecTime"); }

bool IsSexagesimalKey(const std::string& key) {
    return Contains(key, "GPSLatitude") || Contains(key, "GPSLongitude") ||
           key == "Exif.GPSInfo.GPSTimeStamp";
}

// The text after a "lang=..." or "charset=..." prefix, with ", " read as ","
// and without trailing blanks or zero bytes.
std::string Plain(std::string text) {
    // lang="x-default" Hello, charset=Ascii Hello, charset="Unicode" Hello
    if (text.compare(0, 6, "lang=\"") == 0) {
        const size_t close = text.find("\" ", 6);
        if (close != std::string::npos) text.erase(0, close + 2);
    } else if (text.compare(0, 8, "charset=") == 0) {
        size_t end = 8;
        if (end < text.size() && text[end] == '"') ++end;
        while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
        if (end < text.size() && text[end] == '"') ++end;
        if (end == text.size() || text[end] == ' ') text.erase(0, std::min(end + 1, text.size()));
    }
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == ',' && i + 1 < text.size() && text[i + 1] == ' ') {
            out += ',';
            ++i;
            continue;
        }
        // A line ends the same with CR, LF or both (XMP keeps only LF).
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        out += text[i];
    }
    const size_t last = out.find_last_not_of(std::string(" \t\r\n\0", 5));
    return last == std::string::npos ? std::string() : Utf8FromNarrowText(out.substr(0, last + 1));
}

// The numbers of a text made only of integers, decimals and rationals
// separated by blanks or commas, with an optional N, S, E or W after each;
// false for any other text. A rational with a zero denominator is NaN.
bool Numbers(const std::string& text, std::vector<double>& numbers) {
    numbers.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',') {
            ++i;
            continue;
        }
        const char* start = text.c_str() + i;
        char* end = nullptr;
        double value = std::strtod(start, &end);
        if (end == start) return false;
        i += static_cast<size_t>(end - start);
        if (i < text.size() && text[i] == '/') {
            const char* denominatorStart = text.c_str() + i + 1;
            const double denominator = std::strtod(denominatorStart, &end);
            if (end == denominatorStart) return false;
            i = static_cast<size_t>(end - text.c_str());
            value = denominator == 0 ? NAN : value / denominator;
        }
        if (i < text.size() && (text[i] == 'N' || text[i] == 'S' || text[i] == 'E' || text[i] == 'W')) {
            if (text[i] == 'S' || text[i] == 'W') value = -value;
            ++i;
        }
        if (i < text.size() && text[i] != ' ' && text[i] != ',') return false;
        numbers.push_back(value);
    }
    return !numbers.empty();
}

bool NumbersAgree(const std::string& a, const std::string& b) {
    std::vector<double> x, y;
    if (!Numbers(a, x) || !Numbers(b, y) || x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::isnan(x[i]) || std::isnan(y[i])) return false;
        const double scale = std::max({1.0, std::fabs(x[i]), std::fabs(y[i])});
        if (std::fabs(x[i] - y[i]) > 1e-6 * scale) return false;
    }
    return true;
}

// Degrees (or hours) of "37/1 47/1 97961/10000", "37,47.163268N" or
// "37,47,10N": each part a sixtieth of the one before it.
bool Sexagesimal(const std::string& text, double& total) {
    std::vector<double> parts;
    if (!Numbers(text, parts) || parts.size() > 3) return false;
    double scale = 1;
    total = 0;
    for (const double part : parts) {
        if (std::isnan(part)) return false;
        total += std::fabs(part) / scale;
        scale *= 60;
    }
    if (!text.empty() && (text.back() == 'S' || text.back() == 'W')) total = -total;
    return true;
}

bool DatesAgree(const std::string& a, const std::string& b) {
    std::string x, y;
    for (const char c : a.substr(0, 19)) {
        if (c >= '0' && c <= '9') x += c;
    }
    for (const char c : b.substr(0, 19)) {
        if (c >= '0' && c <= '9') y += c;
    }
    const size_t shorter = std::min(x.size(), y.size());
    return shorter >= 8 && x.compare(0, shorter, y, 0, shorter) == 0;
}

std::string FractionDigits(std::string digits) {
    const size_t last = digits.find_last_not_of("0 ");
    return last == std::string::npos ? std::string() : digits.substr(0, last + 1);
}

}  // namespace

bool IsEmptyMeaning(const std::string& text) {
    const std::string plain = Plain(text);
    if (plain.empty()) return true;
    std::vector<double> numbers;
    if (!Numbers(plain, numbers)) return false;
    for (const double number : numbers) {
        if (!std::isnan(number)) return false;
    }
    return true;
}

bool SameItems(const std::string& key, std::vector<std::string> a, std::vector<std::string> b) {
    if (a.size() != b.size()) return false;
    if (a.size() == 1) return SameMeaning(key, a[0], b[0]);
    for (auto* items : {&a, &b}) {
        for (std::string& item : *items) item = Plain(item);
        std::sort(items->begin(), items->end());
    }
    return a == b;
}

bool SameMeaning(const std::string& key, const std::string& a, const std::string& b) {
    if (a == b) return true;
    const std::string x = Plain(a), y = Plain(b);
    if (x == y) return true;
    if (IsSubSecondKey(key)) return FractionDigits(x) == FractionDigits(y);
    if (IsDateKey(key) && DatesAgree(x, y)) return true;
    if (IsSexagesimalKey(key)) {
        double first = 0, second = 0;
        if (Sexagesimal(x, first) && Sexagesimal(y, second)) return std::fabs(first - second) < 1e-6;
    }
    return NumbersAgree(x, y);
}

}  // namespace lumenmeta
