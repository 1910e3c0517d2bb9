#include "filters.h"

#include "names.h"
#include "overlay.h"
#include "sidecar.h"
#include "values.h"

#include <algorithm>
#include <cstdio>

namespace lumenmeta_tool {

std::vector<Condition> ConditionsOf(const Arguments& arguments) {
    std::vector<Condition> conditions;
    for (const auto& [option, word] : arguments.given) {
        Condition condition;
        if (option == "--where-missing") {
            condition.kind = Condition::Kind::Missing;
            condition.key = word;
        } else if (option == "--where") {
            const size_t at = word.find_first_of("=~");
            if (at == std::string::npos || at == 0) {
                throw UsageError("--where needs KEY=VALUE or KEY~REGEX, not \"" + word + "\"");
            }
            condition.kind = word[at] == '=' ? Condition::Kind::Equals : Condition::Kind::Matches;
            condition.key = word.substr(0, at);
            condition.value = word.substr(at + 1);
            if (condition.kind == Condition::Kind::Matches) {
                try {
                    condition.pattern = std::regex(condition.value, std::regex::ECMAScript);
                } catch (const std::regex_error&) {
                    throw UsageError("--where: \"" + condition.value +
                                     "\" is no regular expression");
                }
            }
        } else {
            continue;
        }
        if (!LooksLikeKey(condition.key) && !IsName(condition.key)) {
            throw UsageError("\"" + condition.key +
                             "\" is not a key like Exif.Image.Artist or a name like Artist");
        }
        conditions.push_back(std::move(condition));
    }
    return conditions;
}

bool Meets(const Condition& condition, const std::vector<std::string>& values) {
    switch (condition.kind) {
    case Condition::Kind::Missing:
        return values.empty();
    case Condition::Kind::Equals:
        return std::find(values.begin(), values.end(), condition.value) != values.end();
    case Condition::Kind::Matches:
        return std::any_of(values.begin(), values.end(), [&](const std::string& value) {
            return std::regex_search(value, condition.pattern);
        });
    }
    return false;
}

namespace {

// Every form of a key's values that a condition is tested on.
std::vector<std::string> ValuesOf(const Overlaid& image, const std::string& key) {
    std::vector<std::string> values;
    std::string stored, text;
    for (const Entry& entry : image.Entries(FamilyName(key.substr(0, key.find('.'))).c_str())) {
        if (entry.key != key) continue;
        values.push_back(entry.value);
        values.push_back(entry.text);
        stored += (stored.empty() ? "" : "; ") + entry.value;
        text += (text.empty() ? "" : "; ") + entry.text;
    }
    if (!values.empty()) {
        values.push_back(stored);
        values.push_back(text);
    }
    return values;
}

bool MeetsAll(const std::vector<Condition>& conditions, const std::string& path,
              const SidecarOptions& sidecar) {
    Overlaid image;
    std::string reason;
    if (!OpenOverlaid(path, sidecar.mode != SidecarMode::Off, sidecar.fullName, image, reason)) {
        return true;
    }
    return std::all_of(conditions.begin(), conditions.end(), [&](const Condition& condition) {
        // A name is met where any of its keys, in any family, meets it.
        std::vector<std::string> values;
        for (const std::string& key : KeysForName(condition.key)) {
            const std::vector<std::string> more = ValuesOf(image, key);
            values.insert(values.end(), more.begin(), more.end());
        }
        return Meets(condition, values);
    });
}

}  // namespace

void RefuseFilters(const Arguments& arguments, const std::string& command) {
    for (const auto& given : arguments.given) {
        if (given.first == "--where" || given.first == "--where-missing") {
            throw UsageError(command + " works on the files it names; " + given.first +
                             " selects among the files of a batch");
        }
    }
}

std::vector<std::string> FilterFiles(const Arguments& arguments,
                                     const std::vector<std::string>& files) {
    const std::vector<Condition> conditions = ConditionsOf(arguments);
    if (conditions.empty()) return files;
    const SidecarOptions sidecar = SidecarOptionsOf(arguments);
    std::vector<std::string> kept;
    for (const std::string& path : files) {
        if (MeetsAll(conditions, path, sidecar)) kept.push_back(path);
    }
    if (kept.size() < files.size()) {
        std::fprintf(stderr, "lumenmeta: %zu of %zu files left out by --where\n",
                     files.size() - kept.size(), files.size());
    }
    return kept;
}

}  // namespace lumenmeta_tool
