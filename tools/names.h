// Short names for the groups of twin keys the library converts into each
// other (Artist for Exif.Image.Artist, Iptc.Application2.Byline and
// Xmp.dc.creator), usable wherever the tool takes a key.
#pragma once

#include <string>
#include <vector>

namespace lumenmeta_tool {

// How the values of a name's keys are compared across the families.
enum class NameKind {
    Text,        // the same text (line ends aside)
    List,        // the same items, in any order
    Date,        // the same date and time as far as both forms go
    Time,        // a time of day, found in the other form (GPS time stamps)
    Coordinate,  // the same GPS position, to a millionth of a degree
    Number,      // the same number ("5/1" and "5"), else the same text
};

struct Name {
    std::string name;
    std::vector<std::string> keys;        // the twins, in the order they are shown
    std::vector<std::string> companions;  // cleared with them (sub-seconds, references)
    std::vector<std::string> aliases;     // other spellings people know
    NameKind kind = NameKind::Text;
};

// Every name, in the order `lumenmeta names` lists them.
const std::vector<Name>& Names();

// The name `word` spells (in any case, aliases included); nullptr for none.
const Name* FindName(const std::string& word);
bool IsName(const std::string& word);

// The keys `word` stands for: a full key gives itself, a name every key of
// its group (the twins, in the name's order); empty for anything else.
std::vector<std::string> KeysForName(const std::string& word);

// The name whose twins hold `key` (an XMP struct field counts as its
// property); nullptr for a key that no conversion touches.
const Name* NameOfKey(const std::string& key);

// The key a value for `name` is set on: the library's conversions carry it
// into the other families when the file is written. A date written as Exif
// writes it ("2024:05:01 10:00:00") goes to the Exif key, any other form to
// the XMP one; a GPS coordinate as a signed decimal number goes to the XMP
// key in XMP's form (see CoordinateForXmp); otherwise the first key.
std::string LeadKey(const Name& name, const std::string& value);

// A signed decimal latitude or longitude ("-33.8568") in XMP's form
// ("33,51.408000S"); "" when `value` is no such number.
std::string CoordinateForXmp(const std::string& value, bool latitude);

// Whether the values two keys of `name` hold (item by item, as ItemsOf reads
// them) say the same thing.
bool ValuesAgree(NameKind kind, const std::vector<std::string>& a,
                 const std::vector<std::string>& b);

}  // namespace lumenmeta_tool
