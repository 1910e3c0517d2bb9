// `lumenmeta set` and `lumenmeta clear`: edit the working set and write it,
// into the file itself or into another one.
#include "batch.h"
#include "checked_write.h"
#include "commands.h"
#include "csv_commands.h"
#include "image_file.h"
#include "read_back.h"
#include "sidecar.h"
#include "text.h"
#include "values.h"

#include <map>
#include <utility>

namespace lumenmeta_tool {

namespace {

struct Assignment {
    std::string key, value;
    bool add;  // --add: appended to what the key holds
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

std::string ApplyEdit(MetaHandle* handle, const std::string& key, const KeyEdit& edit) {
    const std::string family = FamilyName(key.substr(0, key.find('.')));
    const std::vector<std::string> held = ItemsOf(handle, key);
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

Assignment ParseAssignment(const std::string& word, bool add) {
    const size_t equals = word.find('=');
    const std::string key = word.substr(0, equals);
    if (equals == std::string::npos || !LooksLikeKey(key)) {
        throw UsageError("malformed KEY=VALUE: \"" + word + "\"");
    }
    return {key, word.substr(equals + 1), add};
}

bool IsKeyLike(const std::string& word) {
    const size_t dot = word.find('.');
    return dot != std::string::npos && !FamilyName(word.substr(0, dot)).empty();
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
        } else if (FileExists(word) || !IsKeyLike(word)) {
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
    for (const Assignment& assignment : assignments) {
        if (!edits.count(assignment.key)) keys.push_back(assignment.key);
        KeyEdit& edit = edits[assignment.key];
        if (!assignment.value.empty()) edit.values.push_back(assignment.value);
        edit.replace = edit.replace || !assignment.add;
    }
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
    KnownOptions known{{"--to"}, {"--dry-run", "--json"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    std::vector<std::string> inputs, keys;
    for (const std::string& word : arguments.positional) {
        (IsKeyLike(word) && !FileExists(word) ? keys : inputs).push_back(word);
    }
    if (keys.empty()) throw UsageError("clear needs at least one KEY");
    for (const std::string& key : keys) {
        if (!LooksLikeKey(key)) {
            throw UsageError("\"" + key + "\" is not a key like Exif.Image.Artist");
        }
    }
    WriteJob job;
    job.keys = keys;
    job.edit = [&](MetaHandle* handle) -> std::string {
        for (const std::string& key : keys) {
            if (ClearMetaData(handle, key.c_str()) < 0) return "unknown key " + key;
        }
        return "";
    };
    return RunWrites(arguments, inputs, job);
}

}  // namespace lumenmeta_tool
