// `lumenmeta get`: one value, or every value, of each key or name asked for.
#include "batch.h"
#include "commands.h"
#include "image_file.h"
#include "json.h"
#include "name_values.h"
#include "names.h"
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

struct Form {
    bool all = false, decimal = false, stored = false, indexGiven = false;
    int index = 0;
    std::string separator;

    bool Read(MetaHandle* handle, const std::string& key, std::string& text) const {
        return decimal ? ReadDecimal(handle, key, all, index, separator, text)
               : all   ? ReadAllForms(handle, key, stored, separator, text)
                       : ReadForm(handle, key, index, stored, text);
    }
};

// What one word reads in a file: nothing, one value, or (for a name whose
// families disagree) each family's value, by key.
struct Answer {
    bool found = false;
    std::string value;
    std::vector<std::pair<std::string, std::string>> differing;
};

Answer Ask(const Overlaid& image, const std::string& word, const Form& form) {
    Answer answer;
    const Name* name = FindName(word);
    if (!name) {
        answer.found = form.Read(image.For(word), word, answer.value);
        return answer;
    }
    const NameReading reading =
        ReadName(*name, [&image](const std::string& key) { return image.For(key); });
    // A list (Keywords) reads whole unless an item is asked for.
    Form whole = form;
    if (name->kind == NameKind::List && !form.indexGiven) whole.all = true;
    for (const HeldValue& held : reading.held) {
        std::string text;
        if (!whole.Read(image.For(held.key), held.key, text)) continue;
        // An Exif coordinate is unsigned: its hemisphere is in the reference
        // beside it (the XMP form and --decimal carry their own).
        std::string reference;
        if (name->kind == NameKind::Coordinate && !form.decimal &&
            held.key.rfind("Exif.GPSInfo.", 0) == 0 &&
            ReadForm(image.For(held.key), held.key + "Ref", 0, true, reference) &&
            !reference.empty()) {
            text += " " + reference;
        }
        if (!answer.found) answer.value = text;
        answer.found = true;
        if (!reading.agree) answer.differing.emplace_back(held.key, text);
    }
    return answer;
}

std::string AsText(const Answer& answer) {
    if (answer.differing.empty()) return Shown(answer.value);
    std::string text = "[families differ]";
    for (size_t i = 0; i < answer.differing.size(); ++i) {
        text += (i ? " | " : " ") + answer.differing[i].first + ": " +
                Shown(answer.differing[i].second);
    }
    return text;
}

std::string AsJson(const Answer& answer) {
    if (!answer.found) return "null";
    if (answer.differing.empty()) return JsonString(answer.value);
    std::string json = "{";
    for (size_t i = 0; i < answer.differing.size(); ++i) {
        json += (i ? "," : "") + JsonString(answer.differing[i].first) + ":" +
                JsonString(answer.differing[i].second);
    }
    return json + "}";
}

// Whether `word` asks for a value: a key or a name, not a file that exists.
bool IsAsked(const std::string& word) {
    return !FileExists(word) && (IsName(word) || LooksLikeKey(word));
}

}  // namespace

int RunGet(const Words& words) {
    KnownOptions known{{"--index", "--separator"},
                       {"--all", "--decimal", "-n", "--json", "--strict"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    const SidecarOptions sidecar = SidecarOptionsOf(arguments);
    if (arguments.positional.size() < 2) throw UsageError("get needs FILE and KEY");
    // The keys and names are the words at the end; the files come before.
    size_t firstKey = arguments.positional.size();
    while (firstKey > 1 && IsAsked(arguments.positional[firstKey - 1])) --firstKey;
    if (firstKey == arguments.positional.size()) {
        throw UsageError("\"" + arguments.positional.back() +
                         "\" is not a key like Exif.Image.Artist or a name like Artist "
                         "(`lumenmeta names` lists them)");
    }
    const std::vector<std::string> asked(arguments.positional.begin() + firstKey,
                                         arguments.positional.end());
    Form form;
    form.all = arguments.Has("--all");
    if (form.all && arguments.HasValue("--index")) {
        throw UsageError("--index and --all exclude each other");
    }
    if (!form.all && arguments.HasValue("--separator")) {
        throw UsageError("--separator goes with --all");
    }
    form.index = arguments.Number("--index", 0);
    form.indexGiven = arguments.HasValue("--index");
    if (form.index < 0) throw UsageError("--index needs a number of 0 or more");
    form.separator = arguments.Value("--separator", "; ");
    form.decimal = arguments.Has("--decimal");
    form.stored = arguments.Has("-n");
    if (form.decimal && form.stored) throw UsageError("--decimal and -n exclude each other");
    const bool json = arguments.Has("--json");
    const bool strict = arguments.Has("--strict");

    const std::vector<std::string> inputs(arguments.positional.begin(),
                                          arguments.positional.begin() + firstKey);
    const std::vector<std::string> files = BatchFiles(arguments, inputs);
    const bool named = files.size() > 1;
    const bool labelled = asked.size() > 1;
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        Overlaid image;
        if (!OpenOverlaid(path, sidecar.mode != SidecarMode::Off, sidecar.fullName, image,
                          reason)) {
            return FileOutcome::Failed(reason);
        }
        FileOutcome outcome;
        if (json) outcome.output = "{\"file\":" + JsonString(path) + ",\"values\":{";
        for (size_t i = 0; i < asked.size(); ++i) {
            const Answer answer = Ask(image, asked[i], form);
            // A file without the key is no failure, unless --strict asks.
            if (!answer.found && strict) {
                outcome.ok = false;
                outcome.reason += (outcome.reason.empty() ? "" : "\n") + ("no value for " + asked[i]);
            }
            if (json) {
                outcome.output += (i ? "," : "") + JsonString(asked[i]) + ":" + AsJson(answer);
            } else if (answer.found) {
                outcome.output += (named ? Shown(path) + ": " : std::string()) +
                                  (labelled ? Shown(asked[i]) + ": " : std::string()) +
                                  AsText(answer) + "\n";
            }
        }
        if (json) outcome.output += "}}\n";
        return outcome;
    });
}

}  // namespace lumenmeta_tool
