// Moving dates and times by a fixed amount: the arithmetic of `shift`, on
// the text forms each family stores its dates in.
#pragma once

#include <cstdint>
#include <string>

namespace lumenmeta_tool {

// An amount of time, in whole seconds (negative: back in time).
struct Shift {
    int64_t seconds = 0;
    bool WholeDays() const { return seconds % 86400 == 0; }
};

// Reads "[+|-][D ]H[:M[:S]]": hours, optionally minutes and seconds, after
// an optional number of days and a space ("+2" two hours, "-1:30" back an
// hour and a half, "+1 02:00:00" a day and two hours). The sign covers the
// whole amount. False for any other text.
bool ParseShift(const std::string& text, Shift& shift);

// The forms below keep everything but the moved date and time as they are
// (sub-seconds, zone offsets, the precision given) and return "" for a text
// that is no such date, which is then left alone. A value that holds a day
// but no time of day moves only by a whole number of days, so that a shift
// and its reverse always give the value back; by anything else it is
// returned unchanged.

// An Exif date "YYYY:MM:DD HH:MM:SS".
std::string ShiftExifDate(const std::string& text, const Shift& shift);

// An XMP date: "YYYY-MM-DD", "YYYY-MM-DDThh:mm", "YYYY-MM-DDThh:mm:ss" with
// optional fractions of a second, each with an optional zone ("Z",
// "+02:00"). A year or a year and month alone is left as it is.
std::string ShiftXmpDate(const std::string& text, const Shift& shift);

// An IPTC date "YYYY-MM-DD" (or "YYYYMMDD") and time "HH:MM:SS[+hh:mm]" (or
// "HHMMSS[+hhmm]") moved together: either may be empty where the file has
// only the other. A time without a date turns round the clock. False when a
// given one cannot be read; both are then left alone.
bool ShiftIptcDateTime(std::string& date, std::string& time, const Shift& shift);

// The Exif GPS date stamp "YYYY:MM:DD" (may be empty) and time stamp as
// stored, three rationals "H/1 M/1 S/1" (seconds may have a fraction), moved
// together. False when the time stamp cannot be read.
bool ShiftGpsStamp(std::string& date, std::string& time, const Shift& shift);

}  // namespace lumenmeta_tool
