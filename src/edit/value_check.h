// Whether a setter's text is a value that the key's type can hold. Exiv2's
// own readers take "-1" for an unsigned short as 65535, read "F8" as an APEX
// value, refuse "2.8" for a rational and take 2021-02-30 as a date, so the
// setters check the text themselves and refuse what does not fit, leaving
// the key as it was.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// Checks `text` as a value of `type`: numbers must parse whole, one or more
// separated by white space, each in the type's range; rationals are "n/d"
// or a decimal number, which `text` then holds as n/d ("2.8" becomes
// "28/10"); IPTC dates "YYYY-MM-DD" or "YYYYMMDD" of a real day; IPTC times
// "HH:MM:SS" or "HHMMSS" with an optional zone; undefined values byte
// numbers. Text types take any text. False, with `reason`, when it does not
// fit.
bool CheckTypedText(Exiv2::TypeId type, std::string& text, std::string& reason);

// The check for a value stored under an Exif key as `type`; the Exif dates
// must also be "YYYY:MM:DD HH:MM:SS" of a real day, or the blank form the
// Exif standard gives for an unknown date.
bool CheckExifText(const std::string& key, Exiv2::TypeId type, std::string& text, std::string& reason);

// The check for an XMP property whose value type Exiv2 knows: dates, integers,
// real numbers and rationals; other properties take any text.
bool CheckXmpText(const std::string& key, std::string& text, std::string& reason);

// Traces "Refused value for KEY: TEXT (REASON)" and a line feed.
void TraceRefusedValue(const std::string& key, const std::string& text, const std::string& reason);

}  // namespace lumenmeta
