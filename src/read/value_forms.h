// The two UTF-8 forms of a value that hosts other than the wide-text one
// read: the stored form (Exiv2's own text of the whole value) and the
// readable form (Exiv2's interpretation of the tag), and how a datum splits
// into the values a listing counts (the items of an XMP array, the languages
// of a language alternative).
#pragma once

#include <exiv2/exiv2.hpp>

#include <string>
#include <vector>

namespace lumenmeta {

// One value of a datum: the whole datum (`item` -1) or one item of an XMP
// array or language alternative.
struct ValueItem {
    int item = -1;
    std::string language;  // of a language alternative's item, else ""
};

// Whether the value splits into items: an XMP array or a language
// alternative.
bool HasItems(const Exiv2::Value& value);

// The values a datum gives, in order: one per item of an XMP array (one
// empty whole value when it has none), one per language of a language
// alternative with x-default first, else the whole datum.
std::vector<ValueItem> ItemsOf(const Exiv2::Metadatum& datum);

// The stored form of a value: see include/lumenmeta.h; "" for a datum
// without a value. Throws what Exiv2 throws.
std::string StoredText(const Exiv2::Metadatum& datum, const ValueItem& item);

// The readable form: Exiv2's print of the tag (with `exif` for the tags whose
// print looks at other tags), trailing blanks removed; items, empty values
// and the user comment read as stored, `stored` (what StoredText gave). Never throws for
// a print Exiv2 cannot make: the stored form stands in.
std::string ReadableText(const Exiv2::Metadatum& datum, const ValueItem& item,
                         const Exiv2::ExifData* exif, const std::string& stored);

// Whether `datum` is one of the Windows "XP" tags, whose bytes are UTF-16LE.
bool IsXpTag(const Exiv2::Metadatum& datum);

}  // namespace lumenmeta
