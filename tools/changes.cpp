#include "changes.h"

#include "entries.h"
#include "json.h"
#include "text.h"
#include "values.h"

#include <cstdio>

namespace lumenmeta_tool {

std::string KeyValues::Text() const {
    std::string text;
    for (const std::string& value : values) text += (text.empty() ? "" : "; ") + value;
    return text;
}

namespace {

// Tags that say only where something lies in the file: every rewrite moves
// them, so they are not compared.
bool IsOffset(const std::string& key) {
    static const char* const kOffsets[] = {
        "Exif.Image.ExifTag",         "Exif.Image.GPSTag",
        "Exif.Photo.InteroperabilityTag", "Exif.Image.JPEGInterchangeFormat",
        "Exif.Thumbnail.JPEGInterchangeFormat", "Exif.Image.StripOffsets",
        "Exif.Thumbnail.StripOffsets", "Exif.Image.TileOffsets", "Exif.Image.SubIFDs",
    };
    for (const char* offset : kOffsets) {
        if (key == offset) return true;
    }
    return false;
}

}  // namespace

Snapshot SnapshotOf(const std::vector<Entry>& entries) {
    Snapshot snapshot;
    for (const Entry& entry : entries) {
        if (IsOffset(entry.key)) continue;
        KeyValues& key = snapshot[entry.key];
        if (key.values.empty()) key.type = entry.type;
        key.values.push_back(entry.value);
    }
    return snapshot;
}

Snapshot TakeSnapshot(MetaHandle* handle) {
    std::vector<Entry> entries;
    for (const char* family : kFamilies) {
        for (Entry& entry : FamilyEntries(handle, family)) entries.push_back(std::move(entry));
    }
    return SnapshotOf(entries);
}

std::vector<Change> Compare(const Snapshot& before, const Snapshot& after) {
    std::vector<Change> changes;
    auto old = before.begin();
    auto now = after.begin();
    // Both are sorted by key: one pass, like a merge.
    while (old != before.end() || now != after.end()) {
        if (now == after.end() || (old != before.end() && old->first < now->first)) {
            changes.push_back({old->first, old->second, std::nullopt});
            ++old;
        } else if (old == before.end() || now->first < old->first) {
            changes.push_back({now->first, std::nullopt, now->second});
            ++now;
        } else {
            if (!(old->second == now->second)) {
                changes.push_back({old->first, old->second, now->second});
            }
            ++old, ++now;
        }
    }
    return changes;
}

namespace {

// A value as the text lines show it; the type too when only that changed.
std::string Rendered(const KeyValues& values, bool withType) {
    const std::string text = Shown(values.Text());
    return withType ? text + " (type " + TypeText(values.type) + ")" : text;
}

}  // namespace

std::string ChangesAsText(const std::vector<Change>& changes, const std::string& none) {
    if (changes.empty()) return none;
    std::string out;
    for (const Change& change : changes) {
        char head[96];
        const char* what = !change.before ? "added" : !change.after ? "removed" : "changed";
        std::snprintf(head, sizeof head, "  %-8s %-40s ", what, Shown(change.key).c_str());
        out += head;
        if (change.before && change.after) {
            const bool sameText = change.before->Text() == change.after->Text();
            out += Rendered(*change.before, sameText) + " → " + Rendered(*change.after, sameText);
        } else {
            out += Rendered(change.before ? *change.before : *change.after, false);
        }
        out += "\n";
    }
    return out;
}

std::string ChangesAsJson(const std::vector<Change>& changes) {
    std::string added, changed, removed;
    for (const Change& change : changes) {
        const KeyValues& shown = change.after ? *change.after : *change.before;
        std::string item = "{\"key\":" + JsonString(change.key) +
                           ",\"type\":" + std::to_string(shown.type) +
                           ",\"value\":" + JsonString(shown.Text());
        if (change.before && change.after) {
            item += ",\"old_type\":" + std::to_string(change.before->type) +
                    ",\"old_value\":" + JsonString(change.before->Text());
        }
        item += "}";
        std::string& list = !change.before ? added : !change.after ? removed : changed;
        list += (list.empty() ? "" : ",") + item;
    }
    return "\"added\":[" + added + "],\"changed\":[" + changed + "],\"removed\":[" + removed + "]";
}

}  // namespace lumenmeta_tool
