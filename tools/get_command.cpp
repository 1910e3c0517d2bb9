// `lumenmeta get`: one value, or every value, of a key.
#include "batch.h"
#include "commands.h"
#include "overlay.h"
#include "sidecar.h"
#include "text.h"
#include "values.h"

namespace lumenmeta_tool {

int RunGet(const Words& words) {
    KnownOptions known{{"--index", "--separator"}, {"--all", "--decimal"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    const SidecarOptions sidecar = SidecarOptionsOf(arguments);
    if (arguments.positional.size() < 2) throw UsageError("get needs FILE and KEY");
    const std::string key = arguments.positional.back();
    if (!LooksLikeKey(key)) throw UsageError("\"" + key + "\" is not a key like Exif.Image.Artist");
    const bool all = arguments.Has("--all");
    if (all && arguments.HasValue("--index")) throw UsageError("--index and --all exclude each other");
    if (!all && arguments.HasValue("--separator")) throw UsageError("--separator goes with --all");
    const int index = arguments.Number("--index", 0);
    if (index < 0) throw UsageError("--index needs a number of 0 or more");
    const std::string separator = arguments.Value("--separator", "; ");
    const bool decimal = arguments.Has("--decimal");

    const std::vector<std::string> inputs(arguments.positional.begin(),
                                          arguments.positional.end() - 1);
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    const bool named = files.size() > 1;
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        Overlaid image;
        if (!OpenOverlaid(path, sidecar.mode != SidecarMode::Off, sidecar.fullName, image,
                          reason)) {
            return FileOutcome::Failed(reason);
        }
        MetaHandle* handle = image.For(key);
        std::string text;
        bool found;
        if (all) {
            found = ReadAllValues(handle, key, separator, text);
        } else {
            const ValueText value = ReadValue(handle, key, index, decimal);
            found = value.type != 0;
            text = value.text;
        }
        if (!found) return FileOutcome::Failed("no value for " + key);
        return FileOutcome{true, (named ? Shown(path) + ": " : std::string()) + Shown(text) + "\n",
                           ""};
    });
}

}  // namespace lumenmeta_tool
