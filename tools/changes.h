// What an image holds, key by key, and the difference between two such
// states: what `diff`, `--dry-run` and `--json` on the writing commands show.
#pragma once

#include "entries.h"
#include "lumenmeta.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace lumenmeta_tool {

// Every value of one key, as `show` renders them (an XMP bag as one value
// with its items joined by "; ", a repeated IPTC dataset as one value per
// occurrence), and the type code of the first.
struct KeyValues {
    int type = 0;
    std::vector<std::string> values;

    std::string Text() const;  // the values joined by "; "
    bool operator==(const KeyValues& other) const {
        return type == other.type && values == other.values;
    }
};

// Every key of a handle's working set, sorted (Exif, then Iptc, then Xmp),
// but for the tags that only hold offsets into the file (Exif.Image.ExifTag,
// Exif.Thumbnail.JPEGInterchangeFormat, ...), which every rewrite moves.
using Snapshot = std::map<std::string, KeyValues>;
Snapshot TakeSnapshot(MetaHandle* handle);
// The same of the rows `show` prints (of any families, any sources).
Snapshot SnapshotOf(const std::vector<Entry>& entries);

// One key that differs: added (no `before`), removed (no `after`) or changed.
struct Change {
    std::string key;
    std::optional<KeyValues> before, after;
};
std::vector<Change> Compare(const Snapshot& before, const Snapshot& after);

// One line per change, "  added    KEY  VALUE", "  changed  KEY  OLD → NEW",
// "  removed  KEY  VALUE", control characters escaped; `none` when there is
// no change.
std::string ChangesAsText(const std::vector<Change>& changes, const std::string& none);

// The members "added", "changed" and "removed" of a JSON object, without
// braces: arrays of {"key","type","value"} (a removed key with its old type
// and value; a changed one with "old_type" and "old_value" as well).
std::string ChangesAsJson(const std::vector<Change>& changes);

}  // namespace lumenmeta_tool
