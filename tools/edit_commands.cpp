// `lumenmeta set` and `lumenmeta clear`: edit the working set and write it,
// into the file itself or into another one.
#include "batch.h"
#include "commands.h"
#include "image_file.h"
#include "text.h"
#include "values.h"

#include <functional>
#include <utility>

namespace lumenmeta_tool {

namespace {

using Edit = std::function<std::string(MetaHandle*)>;  // "" done, else the reason

// Opens each file, applies the edit and writes; nothing is written when the
// edit fails. With `target` the result goes into that file instead.
int EditAndWrite(const Arguments& arguments, const std::vector<std::string>& inputs,
                 const Edit& edit, int xmpMode, bool keepTargetUnread) {
    const std::string target = arguments.Value("--to");
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    if (!target.empty() && files.size() != 1) throw UsageError("--to takes one source file");
    if (keepTargetUnread && target.empty()) throw UsageError("--keep-target-unread goes with --to");
    return RunBatch(files, BatchJobs(arguments), [&](const std::string& path) {
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        reason = edit(handle.get());
        if (!reason.empty()) return FileOutcome::Failed(reason + "; nothing written");
        if (!target.empty() && !FileExists(target)) {
            return FileOutcome::Failed("target " + target + " does not exist");
        }
        if (!WriteData(handle.get(), target.empty() ? nullptr : target.c_str(), xmpMode,
                       keepTargetUnread)) {
            return FileOutcome::Failed("could not write " + (target.empty() ? path : target));
        }
        return FileOutcome{true, "", ""};
    });
}

}  // namespace

int RunSet(const Words& words) {
    const Arguments arguments =
        ParseArguments(words, {{"--to", "--xmp-mode"}, {"--keep-target-unread"}});
    std::vector<std::string> inputs;
    std::vector<std::pair<std::string, std::string>> assignments;
    for (const std::string& word : arguments.positional) {
        const size_t equals = word.find('=');
        const std::string key = word.substr(0, equals);
        const size_t dot = key.find('.');
        const bool keyLike = dot != std::string::npos && !FamilyName(key.substr(0, dot)).empty();
        if (!keyLike) {
            inputs.push_back(word);
        } else if (equals == std::string::npos || !LooksLikeKey(key)) {
            throw UsageError("malformed KEY=VALUE: \"" + word + "\"");
        } else {
            assignments.emplace_back(key, word.substr(equals + 1));
        }
    }
    if (assignments.empty()) throw UsageError("set needs at least one KEY=VALUE");
    const int xmpMode = arguments.Number("--xmp-mode", 0);
    return EditAndWrite(
        arguments, inputs,
        [&](MetaHandle* handle) -> std::string {
            for (const auto& [key, value] : assignments) {
                const Bstr text(value);
                if (!AddMetaDataW(handle, key.c_str(), text.get())) {
                    return "cannot set " + key + " to \"" + value +
                           "\" (an unknown key or a value it cannot hold)";
                }
            }
            return "";
        },
        xmpMode, arguments.Has("--keep-target-unread"));
}

int RunClear(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{"--to"}, {}});
    std::vector<std::string> inputs, keys;
    for (const std::string& word : arguments.positional) {
        const size_t dot = word.find('.');
        const bool keyLike = dot != std::string::npos && !FamilyName(word.substr(0, dot)).empty() &&
                             !FileExists(word);
        (keyLike ? keys : inputs).push_back(word);
    }
    if (keys.empty()) throw UsageError("clear needs at least one KEY");
    for (const std::string& key : keys) {
        if (!LooksLikeKey(key)) throw UsageError("\"" + key + "\" is not a key like Exif.Image.Artist");
    }
    return EditAndWrite(
        arguments, inputs,
        [&](MetaHandle* handle) -> std::string {
            for (const std::string& key : keys) {
                if (ClearMetaData(handle, key.c_str()) < 0) return "unknown key " + key;
            }
            return "";
        },
        0, false);
}

}  // namespace lumenmeta_tool
