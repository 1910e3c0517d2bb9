// How a found value becomes the wide text of a wide read: rendering by the
// value's type, decimal numbers on request, and the removal of the language
// qualifiers of XMP language alternatives and of the user comment's
// character-set prefix. Every wide getter renders through RenderValue.
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>

namespace lumenmeta {

// What a wide read delivers: the Exiv2 type code that is its result (0 when
// nothing is delivered) and the text.
struct WideValue {
    int type = 0;
    std::u16string text;
};

struct RenderRequest {
    const char* key = "";  // the key as the host gave it
    int index = 0;         // which element of an XMP bag
    bool asDecimal = false;
    int codePage = 0;  // of the value's text: 0 or 65001
    bool isXmp = false;
};

// Renders a found value:
//  - unsignedByte: its bytes read as UTF-16LE text, up to the first zero unit;
//  - the four integer types: component 0 as a decimal integer;
//  - the two rational types: component 0 as "%f" with `asDecimal`, else text;
//  - an XMP bag: the element at `index` (type 2), nothing past the last one;
//  - any other type: the decimal rendering for the rational XMP properties
//    with `asDecimal`, else the value's text in `codePage`.
// Then XMP text keeps only its x-default language entry, and the user
// comment loses its character-set prefix. Throws what Exiv2 throws.
WideValue RenderValue(const Exiv2::Value& value, const RenderRequest& request);

// The value's bytes as UTF-16 little-endian text up to the first zero unit
// (the Windows "XP" tags keep their text this way).
std::u16string TextFromUtf16LeBytes(const Exiv2::Value& value);

// A rational XMP property as a decimal number: "%f" of its single-precision
// value when that text reads back to within 1e-7 (28/10 gives 2.800000);
// otherwise "%.6f" of its exact fraction with trailing zeros trimmed
// (12345679/100 gives 123456.79), unless the denominator is 0.
std::u16string DecimalOfRationalProperty(const Exiv2::Value& value);

// Drops trailing "0"s that follow a digit, never touching the first three
// characters: 2.000000 gives 2.0, 123.456700 gives 123.4567.
std::u16string TrimDecimalZeros(std::u16string text);

// The entry after the first `lang="x-default" ` up to the next `, lang="`;
// text without an x-default entry stays whole.
std::u16string KeepDefaultLanguage(std::u16string text);

}  // namespace lumenmeta
