// The check after a write: the file is read again and every key the command
// set or cleared must read as it was asked, or the file fails with a line
// saying what it reads instead and, where it is known, why.
#pragma once

#include "lumenmeta.h"

#include <map>
#include <string>
#include <vector>

namespace lumenmeta_tool {

// The values a key reads in a handle, item by item: each element of an XMP
// bag, each occurrence of an IPTC dataset, otherwise the one value; none
// when the key is absent.
std::vector<std::string> ItemsOf(MetaHandle* handle, const std::string& key);

// What a command asked for each key it set or cleared: the items the edited
// handle holds (none for a key cleared). The check compares with these, so
// a value the library stores in its own form (72 as the rational 72/1)
// counts as kept.
using Asked = std::map<std::string, std::vector<std::string>>;
Asked AskedOf(MetaHandle* edited, const std::vector<std::string>& keys);

// A key that does not read back as asked.
struct NotKept {
    std::string key;
    std::vector<std::string> asked, reads;
    std::string why;  // "" when not known
};

// The keys of `asked` that `written` (the file read again, or the image a
// dry run made in memory) does not hold as asked. Where a twin of the key in
// another family (Exif.Image.Artist, Iptc.Application2.Byline and
// Xmp.dc.creator, say) was set to something else in the same command, or
// holds what the key reads instead, `why` says so.
std::vector<NotKept> CheckKept(MetaHandle* written, const Asked& asked);

// Whether `key` is one of the IFD0 tags about uncompressed image data that
// Exif does not record in a compressed image: a JPEG's writer leaves it out.
bool NotRecordedInJpeg(const std::string& key);

// One line about a key not kept, such as
//   Exif.Image.Artist reads "Ann" after the write, not "Zoë" (...)
// ("would read" for a dry run).
std::string NotKeptLine(const NotKept& fault, bool dryRun);

// The "not_kept" member of a JSON object: [{"key","asked","reads","why"}],
// values joined by "; " ("asked" "" for a key cleared).
std::string NotKeptJson(const std::vector<NotKept>& faults);

}  // namespace lumenmeta_tool
