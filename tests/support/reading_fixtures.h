// Fixture images holding every shape of value the reading exports deliver.
#pragma once

#include "support/fixture_image.h"

#include <string>
#include <string_view>
#include <vector>

namespace lumenmeta::test {

// Exif text in Windows-1252 and in UTF-8 bytes, shorts (one and three
// components), signed shorts, longs (one beyond 31 bits), rationals of both
// signs, the UTF-16 "XP" byte tags (one odd-sized, one starting with a zero
// unit), an ASCII user comment and an empty value; Windows-1252 IPTC with
// three adjacent keywords, a short, a date, an empty dataset and a text with
// a zero byte inside; XMP text, language alternatives with and without
// x-default, a bag, a sequence, an empty value and rational properties.
// The source file lists each value.
FixtureImage ReadingFixture();

// IPTC in UTF-8 without a character-set marker: Caption "Café", Keywords
// "Grüße" and "Straße".
FixtureImage Utf8IptcFixture();

// Keywords "first" and "second" separated on disk by a Caption.
FixtureImage SeparatedKeywordsFixture();

// Only an Exif user comment: raw undefined bytes (an 8-byte character-code
// header, then the comment), or an ASCII text that Exiv2 hands out as it is.
FixtureImage UserCommentBytesFixture(const std::vector<unsigned char>& bytes);
FixtureImage UserCommentTextFixture(const std::string& text);

// `text` as UTF-16LE bytes, followed by `zeroUnits` zero units.
std::vector<unsigned char> Utf16LeBytes(std::u16string_view text, int zeroUnits = 1);

}  // namespace lumenmeta::test
