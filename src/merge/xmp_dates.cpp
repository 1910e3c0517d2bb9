#include "merge/xmp_dates.h"

#include <cctype>

namespace lumenmeta {

namespace {

// The digits at `at` up to `count` of them; empty when there are fewer.
std::string DigitsAt(const std::string& text, size_t at, size_t count) {
    if (at + count > text.size()) return std::string();
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return std::string();
    }
    return text.substr(at, count);
}

}  // namespace

bool ExifDateFromXmp(const std::string& xmpDate, std::string& exifDate, std::string& subSeconds,
                     bool* hasTime) {
    const std::string year = DigitsAt(xmpDate, 0, 4);
    if (year.empty()) return false;
    std::string month = xmpDate.size() > 4 && xmpDate[4] == '-' ? DigitsAt(xmpDate, 5, 2) : "";
    std::string day = !month.empty() && xmpDate.size() > 7 && xmpDate[7] == '-' ? DigitsAt(xmpDate, 8, 2) : "";
    std::string hour, minute, second;
    subSeconds.clear();
    if (!day.empty() && xmpDate.size() > 10 && xmpDate[10] == 'T') {
        hour = DigitsAt(xmpDate, 11, 2);
        minute = xmpDate.size() > 13 && xmpDate[13] == ':' ? DigitsAt(xmpDate, 14, 2) : "";
        second = !minute.empty() && xmpDate.size() > 16 && xmpDate[16] == ':' ? DigitsAt(xmpDate, 17, 2) : "";
        if (!second.empty() && xmpDate.size() > 19 && xmpDate[19] == '.') {
            size_t end = 20;
            while (end < xmpDate.size() && std::isdigit(static_cast<unsigned char>(xmpDate[end]))) ++end;
            subSeconds = xmpDate.substr(20, end - 20);
        }
    }
    if (hasTime) *hasTime = !hour.empty();
    const auto or_ = [](const std::string& part, const char* fallback) {
        return part.empty() ? std::string(fallback) : part;
    };
    exifDate = year + ":" + or_(month, "01") + ":" + or_(day, "01") + " " + or_(hour, "00") + ":" +
               or_(minute, "00") + ":" + or_(second, "00");
    return true;
}

void RewriteDateFromXmp(const Exiv2::XmpData& xmp, const std::string& exifKey, Exiv2::ExifData& exif,
                        const std::string* before) {
    for (const ExifDateTwins& source : kExifDateTwins) {
        if (exifKey != source.exifKey) continue;
        for (const char* xmpKey : source.xmpKeys) {
            const auto found = xmp.findKey(Exiv2::XmpKey(xmpKey));
            if (found == xmp.end()) continue;
            std::string date, subSeconds;
            bool hasTime = false;
            if (!ExifDateFromXmp(found->toString(), date, subSeconds, &hasTime)) return;
            if (!hasTime && before && before->size() >= 10 && before->compare(0, 10, date, 0, 10) == 0) {
                date = *before;
            }
            exif[source.exifKey] = date;
            if (!subSeconds.empty()) exif[source.subSecondKey] = subSeconds;
            return;
        }
    }
}

std::string XmpDateFromExif(const std::string& exifDate, const std::string& subSeconds, const std::string& offset) {
    if (exifDate.size() < 19) return std::string();
    std::string xmp = exifDate.substr(0, 4) + "-" + exifDate.substr(5, 2) + "-" + exifDate.substr(8, 2) + "T" +
                      exifDate.substr(11, 8);
    const size_t digits = subSeconds.find_first_not_of("0123456789");
    const std::string fraction = subSeconds.substr(0, digits);
    if (!fraction.empty()) xmp += "." + fraction;
    return xmp + offset;
}

std::string XmpDateOffset(const std::string& xmpDate) {
    const size_t time = xmpDate.find('T');
    if (time == std::string::npos) return std::string();
    if (xmpDate.back() == 'Z') return "Z";
    const size_t sign = xmpDate.find_first_of("+-", time);
    if (sign == std::string::npos || xmpDate.size() - sign != 6 || xmpDate[sign + 3] != ':') return std::string();
    return xmpDate.substr(sign);
}

}  // namespace lumenmeta
