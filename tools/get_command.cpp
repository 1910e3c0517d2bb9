// `lumenmeta get`: one value, or every value, of a key.
#include "batch.h"
#include "commands.h"
#include "overlay.h"
#include "sidecar.h"
#include "text.h"
#include "values.h"

#include <cstdio>

namespace lumenmeta_tool {

namespace {

// What --decimal prints: a GPS coordinate or the altitude as a signed
// decimal number, any other value as GetMetaDataW's decimal rendering.
bool ReadDecimal(MetaHandle* handle, const std::string& key, bool all, int index,
                 const std::string& separator, std::string& text) {
    if (IsGpsDecimalKey(key) && !all && index == 0) {
        double number = 0;
        if (GetGpsDecimal(handle, key.c_str(), &number) == 0) return false;
        char digits[64];
        std::snprintf(digits, sizeof digits, "%.6f", number);
        text = digits;
        return true;
    }
    if (all) return ReadAllValues(handle, key, separator, text);
    const ValueText value = ReadValue(handle, key, index, true);
    text = value.text;
    return value.type != 0;
}

}  // namespace

int RunGet(const Words& words) {
    KnownOptions known{{"--index", "--separator"}, {"--all", "--decimal", "-n"}};
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
    const bool stored = arguments.Has("-n");
    if (decimal && stored) throw UsageError("--decimal and -n exclude each other");

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
        const bool found = decimal ? ReadDecimal(handle, key, all, index, separator, text)
                           : all   ? ReadAllForms(handle, key, stored, separator, text)
                                   : ReadForm(handle, key, index, stored, text);
        if (!found) return FileOutcome::Failed("no value for " + key);
        return FileOutcome{true, (named ? Shown(path) + ": " : std::string()) + Shown(text) + "\n",
                           ""};
    });
}

}  // namespace lumenmeta_tool
