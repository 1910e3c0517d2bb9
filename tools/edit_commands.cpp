// `lumenmeta set` and `lumenmeta clear`: edit the working set and write it,
// into the file itself or into another one.
#include "batch.h"
#include "checked_write.h"
#include "commands.h"
#include "csv_commands.h"
#include "image_file.h"
#include "key_patterns.h"
#include "names.h"
#include "read_back.h"
#include "sidecar.h"
#include "text.h"
#include "values.h"

#include <algorithm>
#include <map>
#include <utility>

namespace lumenmeta_tool {

namespace {

struct Assignment {
    std::string key, value;
    bool add;          // --add or KEY+=VALUE: appended to what the key holds
    std::string word;  // the key or name as given
};

// What a key is given by one command: its values in order, and whether they
// replace what it holds (any plain KEY=VALUE) or are appended (only --add).
struct KeyEdit {
    std::vector<std::string> values;
    bool replace = false;
};

std::string CannotSet(const std::string& key, const std::string& value) {
    return "cannot set " + key + " to \"" + value + "\" (an unknown key or a value it cannot hold)";
}

std::string HoldsOne(const std::string& key, size_t count) {
    return key + " holds one value, not " + std::to_string(count);
}

// IPTC: the library's setter changes a key's first dataset only, so a list
// goes in one dataset at a time with AddMeta, each in the bytes the setter
// gives that text. AddMeta drops one pair of enclosing quotes: each text is
// wrapped in one.
std::string SetIptcItems(MetaHandle* handle, const std::string& key,
                         const std::vector<std::string>& items) {
    std::vector<std::string> stored;
    std::vector<char> buffer(65536 + 1);
    for (const std::string& item : items) {
        const Bstr text(item);
        if (!AddMetaDataW(handle, key.c_str(), text.get()) ||
            !GetIptcData(handle, key.c_str(), buffer.data(), 65536, 0)) {
            return CannotSet(key, item);
        }
        stored.emplace_back(buffer.data());
    }
    ClearMetaData(handle, key.c_str());
    for (size_t i = 0; i < stored.size(); ++i) {
        const int result = AddMeta(handle, key.c_str(), ("\"" + stored[i] + "\"").c_str(), 0);
        if (result == 6) return HoldsOne(key, items.size());
        if (result != 0) return CannotSet(key, items[i]);
    }
    return "";
}

// The items --add appends that the key does not hold yet, each once.
std::vector<std::string> NewItems(const std::vector<std::string>& held,
                                  const std::vector<std::string>& values) {
    std::vector<std::string> fresh;
    for (const std::string& value : values) {
        if (std::find(held.begin(), held.end(), value) == held.end() &&
            std::find(fresh.begin(), fresh.end(), value) == fresh.end()) {
            fresh.push_back(value);
        }
    }
    return fresh;
}

std::string ApplyEdit(MetaHandle* handle, const std::string& key, KeyEdit edit) {
    const std::string family = FamilyName(key.substr(0, key.find('.')));
    const std::vector<std::string> held = ItemsOf(handle, key);
    if (!edit.replace) {
        edit.values = NewItems(held, edit.values);
        if (edit.values.empty()) return "";
    }
    std::vector<std::string> items = edit.replace ? std::vector<std::string>() : held;
    items.insert(items.end(), edit.values.begin(), edit.values.end());
    if (family == "Exif" && items.size() > 1) return HoldsOne(key, items.size());
    // An XMP array takes --add as more items; anything else starts afresh.
    const bool append = family == "Xmp" && !edit.replace;
    if (!append && (items.empty() || (family != "Exif" && !held.empty()))) {
        if (ClearMetaData(handle, key.c_str()) < 0) return "unknown key " + key;
    }
    if (family == "Iptc" && items.size() > 1) return SetIptcItems(handle, key, items);
    for (const std::string& value : append ? edit.values : items) {
        const Bstr text(value);
        if (!AddMetaDataW(handle, key.c_str(), text.get())) return CannotSet(key, value);
    }
    // A plain XMP text keeps only the last value.
    if (family == "Xmp" && items.size() > 1 && ReadValue(handle, key, 0, false).type == 0x10005) {
        return HoldsOne(key, items.size());
    }
    return "";
}

// What stands before "=" (or "+=") in an assignment; "" when there is none.
std::string AssignedWord(const std::string& word) {
    const size_t equals = word.find('=');
    if (equals == std::string::npos) return "";
    return word.substr(0, equals > 0 && word[equals - 1] == '+' ? equals - 1 : equals);
}

// KEY=VALUE, NAME=VALUE, or with "+=" an item to append. A name is set on
// its lead key (see LeadKey); the write carries it into the other families.
Assignment ParseAssignment(const std::string& word, bool add) {
    const size_t equals = word.find('=');
    const std::string given = AssignedWord(word);
    const bool plus = equals != std::string::npos && given.size() < equals;
    std::string value = equals == std::string::npos ? "" : word.substr(equals + 1);
    if (equals == std::string::npos || (plus && add)) {
        throw UsageError("malformed KEY=VALUE: \"" + word + "\"");
    }
    if (const Name* name = FindName(given)) {
        const std::string key = LeadKey(*name, value);
        if (name->kind == NameKind::Coordinate && key.compare(0, 4, "Xmp.") == 0) {
            const std::string xmp =
                CoordinateForXmp(value, name->name.find("Latitude") != std::string::npos);
            if (!xmp.empty()) value = xmp;
        }
        return {key, value, add || plus, given};
    }
    if (!LooksLikeKey(given)) throw UsageError("malformed KEY=VALUE: \"" + word + "\"");
    return {given, value, add || plus, given};
}

bool IsKeyLike(const std::string& word) {
    const size_t dot = word.find('.');
    return dot != std::string::npos && !FamilyName(word.substr(0, dot)).empty();
}

bool IsAssignment(const std::string& word) {
    return !FileExists(word) && (IsKeyLike(word) || IsName(AssignedWord(word)));
}

// Twins given different values in one command: the write would keep only
// one of them, so nothing is written.
void RefuseDifferingTwins(const std::vector<std::string>& keys,
                          const std::map<std::string, KeyEdit>& edits,
                          const std::map<std::string, std::string>& givenAs) {
    for (size_t i = 0; i < keys.size(); ++i) {
        const Name* name = NameOfKey(keys[i]);
        const KeyEdit& a = edits.at(keys[i]);
        if (!name || !a.replace) continue;
        for (size_t j = i + 1; j < keys.size(); ++j) {
            const KeyEdit& b = edits.at(keys[j]);
            if (NameOfKey(keys[j]) != name || !b.replace || ValuesAgree(name->kind, a.values, b.values)) {
                continue;
            }
            const auto shown = [&](const std::string& key) {
                const std::string& word = givenAs.at(key);
                return word == key ? key : word + " (" + key + ")";
            };
            throw UsageError(shown(keys[i]) + " and " + shown(keys[j]) +
                             " are twins and were given different values; nothing written");
        }
    }
}

int RunWrites(const Arguments& arguments, const std::vector<std::string>& inputs, WriteJob job) {
    job.target = arguments.Value("--to");
    job.dryRun = arguments.Has("--dry-run");
    job.json = arguments.Has("--json");
    job.sidecar = SidecarOptionsOf(arguments);
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    if (!job.target.empty() && files.size() != 1) throw UsageError("--to takes one source file");
    if (!job.target.empty() && job.sidecar.mode != SidecarMode::Off) {
        throw UsageError("--to and --sidecar exclude each other");
    }
    if (job.keepTargetUnread && job.target.empty()) {
        throw UsageError("--keep-target-unread goes with --to");
    }
    if (job.keepTargetUnread && job.dryRun) {
        throw UsageError("--dry-run cannot show a write with --keep-target-unread");
    }
    return RunBatch(files, BatchJobs(arguments, files.size()),
                    [&](const std::string& path) { return EditAndWrite(path, job); });
}

}  // namespace

int RunSet(const Words& words) {
    KnownOptions known{{"--to", "--xmp-mode", "--add", "--csv"},
                       {"--keep-target-unread", "--dry-run", "--json"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    if (arguments.HasValue("--csv")) return SetCsv(arguments);
    std::vector<std::string> inputs;
    std::vector<Assignment> assignments;
    for (const auto& [option, word] : arguments.given) {
        if (option == "--add") {
            assignments.push_back(ParseAssignment(word, true));
        } else if (!option.empty()) {
            continue;
        } else if (!IsAssignment(word)) {
            // A file that exists is a file, even when it is named like a key.
            inputs.push_back(word);
        } else {
            assignments.push_back(ParseAssignment(word, false));
        }
    }
    // With --dry-run and no KEY=VALUE: what a plain rewrite would change.
    if (assignments.empty() && !arguments.Has("--dry-run")) {
        throw UsageError("set needs at least one KEY=VALUE");
    }
    std::vector<std::string> keys;
    std::map<std::string, KeyEdit> edits;
    std::map<std::string, std::string> givenAs;
    for (const Assignment& assignment : assignments) {
        if (!edits.count(assignment.key)) keys.push_back(assignment.key);
        KeyEdit& edit = edits[assignment.key];
        if (!assignment.value.empty()) edit.values.push_back(assignment.value);
        edit.replace = edit.replace || !assignment.add;
        givenAs.emplace(assignment.key, assignment.word);
    }
    RefuseDifferingTwins(keys, edits, givenAs);
    WriteJob job;
    job.keys = keys;
    job.edit = [&](MetaHandle* handle) -> std::string {
        for (const std::string& key : keys) {
            const std::string reason = ApplyEdit(handle, key, edits.at(key));
            if (!reason.empty()) return reason;
        }
        return "";
    };
    // In a sidecar, --add appends to what reading the two together shows:
    // the image's values where the sidecar has none for the key.
    job.seed = [&](MetaHandle* sidecar, MetaHandle* image) {
        for (const std::string& key : keys) {
            if (edits.at(key).replace || !ItemsOf(sidecar, key).empty()) continue;
            std::vector<std::string> items = ItemsOf(image, key);
            if (!items.empty()) ApplyEdit(sidecar, key, {std::move(items), true});
        }
    };
    job.xmpMode = arguments.Number("--xmp-mode", 0);
    job.keepTargetUnread = arguments.Has("--keep-target-unread");
    return RunWrites(arguments, inputs, job);
}

int RunClear(const Words& words) {
    KnownOptions known{{"--to"}, {"--dry-run", "--json", "--gps"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    std::vector<std::string> inputs, asked;
    for (const std::string& word : arguments.positional) {
        const bool key = !FileExists(word) && (IsKeyLike(word) || IsName(word));
        (key ? asked : inputs).push_back(word);
    }
    const bool gps = arguments.Has("--gps");
    if (asked.empty() && !gps) throw UsageError("clear needs at least one KEY, or --gps");
    // Keys, names and patterns; the patterns are matched in each file.
    std::vector<std::string> keys, patterns;
    for (const std::string& word : asked) {
        if (const Name* name = FindName(word)) {
            keys.insert(keys.end(), name->keys.begin(), name->keys.end());
            keys.insert(keys.end(), name->companions.begin(), name->companions.end());
        } else if (IsKeyPattern(word)) {
            patterns.push_back(word);
        } else if (LooksLikeKey(word)) {
            keys.push_back(word);
        } else {
            throw UsageError("\"" + word + "\" is not a key like Exif.Image.Artist, a name like "
                             "Artist or a pattern like 'Exif.GPSInfo.*'");
        }
    }
    WriteJob job;
    job.keys = keys;
    if (gps || !patterns.empty()) {
        job.keysIn = [keys, patterns, gps](MetaHandle* handle) {
            std::vector<std::string> all = keys;
            const std::vector<std::string> held = KeysOf(handle, nullptr);
            for (const std::string& pattern : patterns) {
                for (std::string& key : MatchingKeys(pattern, held)) all.push_back(std::move(key));
            }
            for (const std::string& key : held) {
                if (gps && IsGpsKey(key)) all.push_back(key);
            }
            std::sort(all.begin(), all.end());
            all.erase(std::unique(all.begin(), all.end()), all.end());
            return all;
        };
    }
    job.edit = [&job](MetaHandle* handle) -> std::string {
        for (const std::string& key : job.keysIn ? job.keysIn(handle) : job.keys) {
            if (ClearMetaData(handle, key.c_str()) < 0) return "unknown key " + key;
        }
        return "";
    };
    return RunWrites(arguments, inputs, job);
}

}  // namespace lumenmeta_tool
