#include "date_shift.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace lumenmeta_tool {

namespace {

// Days from 1970-01-01 of a day of the proleptic Gregorian calendar, and
// back: exact for every day, leap years and century rules included.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t& year, int64_t& month, int64_t& day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = yearOfEra + era * 400 + (month <= 2);
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A calendar date and a time of day.
struct Moment {
    int64_t year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;

    bool Valid() const {
        if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59) {
            return false;
        }
        int64_t y, m, d;
        CivilFromDays(DaysFromCivil(year, month, day), y, m, d);
        return y == year && m == month && d == day;
    }
    void Add(int64_t seconds) {
        const int64_t total = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                              second + seconds;
        const int64_t days = FloorDiv(total, 86400);
        const int64_t rest = total - days * 86400;
        CivilFromDays(days, year, month, day);
        hour = rest / 3600;
        minute = rest / 60 % 60;
        second = rest % 60;
    }
};

// Reads exactly `count` digits at `at`.
bool Digits(const std::string& text, size_t at, size_t count, int64_t& number) {
    if (at + count > text.size()) return false;
    number = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        number = number * 10 + (text[i] - '0');
    }
    return true;
}

std::string Format(const char* format, int64_t a, int64_t b, int64_t c) {
    char out[64];
    std::snprintf(out, sizeof out, format, static_cast<long long>(a), static_cast<long long>(b),
                  static_cast<long long>(c));
    return out;
}

// Reads "YYYY?MM?DD" with `separator` ('\0' for none) at the start of `text`;
// the number of characters read, 0 when it is none.
size_t ReadDate(const std::string& text, char separator, Moment& moment) {
    const size_t step = separator ? 1 : 0;
    if (!Digits(text, 0, 4, moment.year) || !Digits(text, 4 + step, 2, moment.month) ||
        !Digits(text, 6 + 2 * step, 2, moment.day)) {
        return 0;
    }
    if (separator && (text[4] != separator || text[7] != separator)) return 0;
    return 8 + 2 * step;
}

// Reads "HH:MM[:SS]" (or "HHMM[SS]" without `colons`) at `at`; the number of
// characters read, 0 when it is none. `withSeconds` tells whether seconds
// were there.
size_t ReadTime(const std::string& text, size_t at, bool colons, Moment& moment,
                bool& withSeconds) {
    const size_t step = colons ? 1 : 0;
    if (!Digits(text, at, 2, moment.hour) || !Digits(text, at + 2 + step, 2, moment.minute) ||
        (colons && text[at + 2] != ':')) {
        return 0;
    }
    size_t read = 4 + step;
    withSeconds = (!colons || (at + read < text.size() && text[at + read] == ':')) &&
                  Digits(text, at + read + step, 2, moment.second);
    if (withSeconds) read += 2 + step;
    return read;
}

}  // namespace

bool ParseShift(const std::string& text, Shift& shift) {
    size_t at = 0;
    int sign = 1;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) sign = text[at++] == '-' ? -1 : 1;
    std::vector<int64_t> numbers;
    int64_t days = 0;
    bool haveDays = false;
    while (true) {
        size_t start = at;
        int64_t number = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) &&
               at - start < 9) {
            number = number * 10 + (text[at++] - '0');
        }
        if (at == start) return false;
        numbers.push_back(number);
        if (at == text.size()) break;
        if (text[at] == ' ' && !haveDays && numbers.size() == 1) {
            haveDays = true;
            days = number;
            numbers.clear();
            while (at < text.size() && text[at] == ' ') ++at;
            continue;
        }
        if (text[at] != ':' || numbers.size() == 3) return false;
        ++at;
    }
    if (numbers.size() > 1 && numbers[1] > 59) return false;
    if (numbers.size() > 2 && numbers[2] > 59) return false;
    const int64_t hours = numbers[0];
    const int64_t minutes = numbers.size() > 1 ? numbers[1] : 0;
    const int64_t seconds = numbers.size() > 2 ? numbers[2] : 0;
    shift.seconds = sign * (days * 86400 + hours * 3600 + minutes * 60 + seconds);
    return true;
}

std::string ShiftExifDate(const std::string& text, const Shift& shift) {
    Moment moment;
    bool withSeconds = false;
    if (text.size() != 19 || ReadDate(text, ':', moment) != 10 || text[10] != ' ' ||
        ReadTime(text, 11, true, moment, withSeconds) != 8 || !moment.Valid()) {
        return "";
    }
    moment.Add(shift.seconds);
    return Format("%04lld:%02lld:%02lld ", moment.year, moment.month, moment.day) +
           Format("%02lld:%02lld:%02lld", moment.hour, moment.minute, moment.second);
}

std::string ShiftXmpDate(const std::string& text, const Shift& shift) {
    Moment moment;
    if (ReadDate(text, '-', moment) != 10) return "";
    if (text.size() == 10) {
        if (!moment.Valid()) return "";
        if (!shift.WholeDays()) return text;
        moment.Add(shift.seconds);
        return Format("%04lld-%02lld-%02lld", moment.year, moment.month, moment.day);
    }
    bool withSeconds = false;
    const size_t read = text[10] == 'T' ? ReadTime(text, 11, true, moment, withSeconds) : 0;
    if (read == 0 || !moment.Valid()) return "";
    // What follows the seconds (fractions, a zone) is kept as written.
    size_t rest = 11 + read;
    if (withSeconds && rest < text.size() && text[rest] == '.') {
        ++rest;
        while (rest < text.size() && std::isdigit(static_cast<unsigned char>(text[rest]))) ++rest;
    }
    const std::string tail = text.substr(11 + read);
    const std::string zone = text.substr(rest);
    if (!zone.empty() && zone != "Z" &&
        !(zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':')) {
        return "";
    }
    moment.Add(shift.seconds);
    std::string out = Format("%04lld-%02lld-%02lld", moment.year, moment.month, moment.day) +
                      Format("T%02lld:%02lld", moment.hour, moment.minute, 0);
    if (withSeconds) out += Format(":%02lld", moment.second, 0, 0);
    return out + tail;
}

bool ShiftIptcDateTime(std::string& date, std::string& time, const Shift& shift) {
    Moment moment;
    size_t dateRead = 0;
    const bool dashes = date.size() == 10;
    if (!date.empty()) {
        dateRead = ReadDate(date, dashes ? '-' : '\0', moment);
        if (dateRead == 0 || dateRead != date.size() || !moment.Valid()) return false;
    }
    size_t timeRead = 0;
    bool withSeconds = false;
    const bool colons = time.size() > 2 && time[2] == ':';
    if (!time.empty()) {
        timeRead = ReadTime(time, 0, colons, moment, withSeconds);
        if (timeRead == 0 || !withSeconds || !moment.Valid()) return false;
    }
    if (time.empty() && !shift.WholeDays()) return true;
    if (date.empty()) {
        moment.Add(shift.seconds);  // the day it lands on is not kept
    } else {
        moment.Add(shift.seconds);
        date = dashes ? Format("%04lld-%02lld-%02lld", moment.year, moment.month, moment.day)
                      : Format("%04lld%02lld%02lld", moment.year, moment.month, moment.day);
    }
    if (!time.empty()) {
        time = Format(colons ? "%02lld:%02lld:%02lld" : "%02lld%02lld%02lld", moment.hour,
                      moment.minute, moment.second) +
               time.substr(timeRead);
    }
    return true;
}

namespace {

// One rational "N/D" with D > 0.
bool ReadRational(const std::string& text, int64_t& numerator, int64_t& denominator) {
    long long n = 0, d = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%lld/%lld%c", &n, &d, &extra) != 2 || d <= 0 || n < 0) {
        return false;
    }
    numerator = n;
    denominator = d;
    return true;
}

}  // namespace

bool ShiftGpsStamp(std::string& date, std::string& time, const Shift& shift) {
    char hours[32], minutes[32], seconds[32];
    char extra = 0;
    if (time.size() > 90 ||
        std::sscanf(time.c_str(), "%31s %31s %31s %c", hours, minutes, seconds, &extra) != 3) {
        return false;
    }
    int64_t hn = 0, hd = 1, mn = 0, md = 1, sn = 0, sd = 1;
    if (!ReadRational(hours, hn, hd) || !ReadRational(minutes, mn, md) ||
        !ReadRational(seconds, sn, sd) || hn % hd != 0 || mn % md != 0) {
        return false;
    }
    Moment moment;
    moment.hour = hn / hd;
    moment.minute = mn / md;
    moment.second = sn / sd;
    const int64_t fraction = sn % sd;  // kept as it is
    if (!date.empty() && (ReadDate(date, ':', moment) != 10 || date.size() != 10)) return false;
    if (!moment.Valid()) return false;
    moment.Add(shift.seconds);
    if (!date.empty()) date = Format("%04lld:%02lld:%02lld", moment.year, moment.month, moment.day);
    time = Format("%lld/1 %lld/1 ", moment.hour, moment.minute, 0) +
           Format("%lld/%lld", moment.second * sd + fraction, sd, 0);
    return true;
}

}  // namespace lumenmeta_tool
