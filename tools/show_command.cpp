// `lumenmeta show`: every key of the working set with its type code and value;
// with --sidecar, the image's sidecar laid over it.
#include "batch.h"
#include "commands.h"
#include "csv_commands.h"
#include "entries.h"
#include "json.h"
#include "overlay.h"
#include "sidecar.h"
#include "text.h"
#include "values.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace lumenmeta_tool {

namespace {

std::string AsText(const std::string& path, const std::vector<const char*>& families,
                   const Overlaid& image, bool stored) {
    std::string out = Shown(path);
    out += image.sidecar ? " (* from " + Shown(image.sidecarPath) + ")\n" : "\n";
    for (const char* family : families) {
        const std::vector<Entry> entries = image.Entries(family);
        out += std::string("  ") + (std::string(family) == "Iptc" ? "IPTC" :
                                    std::string(family) == "Xmp"  ? "XMP" : "Exif");
        out += entries.empty() ? " (none)\n" : "\n";
        for (const Entry& entry : entries) {
            char line[128];
            std::snprintf(line, sizeof line, "  %c %-40s %-8s ", entry.fromSidecar ? '*' : ' ',
                          Shown(entry.key).c_str(), TypeText(entry.type).c_str());
            std::string value = stored ? entry.value : entry.text;
            // A language alternative's other languages are named.
            if (!entry.language.empty() && entry.language != "x-default") {
                value = "lang=" + entry.language + " " + value;
            }
            out += line + Shown(value) + "\n";
        }
    }
    return out;
}

// `,"type":TYPE,"index":INDEX` in one piece: a listing has some ninety
// entries per file.
void AppendTypeAndIndex(std::string& out, int type, int index) {
    // An int takes at most 11 characters.
    char text[48];
    std::memcpy(text, ",\"type\":", 8);
    char* at = std::to_chars(text + 8, text + 19, type).ptr;
    std::memcpy(at, ",\"index\":", 9);
    at = std::to_chars(at + 9, at + 20, index).ptr;
    out.append(text, static_cast<size_t>(at - text));
}

// One entry's object: `{"key":...,"type":...,"index":...[,"language":...],
// "value":...,"text":...`, its closing brace left to the caller.
void AppendEntry(std::string& out, std::string_view key, int type, int index,
                 std::string_view language, std::string_view value, std::string_view text) {
    out += "{\"key\":";
    AppendJsonString(out, key);
    AppendTypeAndIndex(out, type, index);
    if (!language.empty()) {
        out += ",\"language\":";
        AppendJsonString(out, language);
    }
    out += ",\"value\":";
    AppendJsonString(out, value);
    out += ",\"text\":";
    AppendJsonString(out, text);
}

// A family's entries straight from the library's listing, without copying
// each into an Entry first: the batch's common case, an image without a
// sidecar laid over it.
void AppendListed(std::string& out, MetaHandle* handle, const char* family, bool sidecarMode) {
    MetaDataEntry* listed = nullptr;
    const int32_t count = GetMetaDataEntries(handle, family, &listed);
    const std::unique_ptr<MetaDataEntry, void (*)(MetaDataEntry*)> held(listed, FreeMetaDataEntries);
    for (int32_t i = 0; i < count; ++i) {
        const MetaDataEntry& e = listed[i];
        if (i > 0) out += ',';
        AppendEntry(out, e.key, e.type, e.index, e.language, e.stored, e.text);
        out += sidecarMode ? ",\"origin\":\"image\"}" : "}";
    }
}

// With `sidecarMode` the object names the sidecar read (null for none) and
// each value's origin.
std::string AsJson(const std::string& path, const std::vector<const char*>& families,
                   const Overlaid& image, bool sidecarMode) {
    std::string out;
    // A file's object is some kilobytes: grown once or twice, not a dozen times.
    out.reserve(16 << 10);
    out += "{\"file\":";
    AppendJsonString(out, path);
    if (sidecarMode) {
        out += ",\"sidecar\":" + (image.sidecar ? JsonString(image.sidecarPath) : "null");
    }
    for (const char* family : families) {
        std::string name = family;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        out += ",\"" + name + "\":[";
        if (!image.sidecar) {
            AppendListed(out, image.image.get(), family, sidecarMode);
            out += "]";
            continue;
        }
        bool first = true;
        for (const Entry& entry : image.Entries(family)) {
            if (!first) out += ",";
            first = false;
            AppendEntry(out, entry.key, entry.type, entry.index, entry.language, entry.value,
                        entry.text);
            if (sidecarMode) out += entry.fromSidecar ? ",\"origin\":\"sidecar\"" : ",\"origin\":\"image\"";
            out += "}";
        }
        out += "]";
    }
    return out + "}\n";
}

}  // namespace

int RunShow(const Words& words) {
    KnownOptions known{{"--family"}, {"--json", "-n", "--csv"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    const SidecarOptions sidecar = SidecarOptionsOf(arguments);
    std::vector<const char*> families(std::begin(kFamilies), std::end(kFamilies));
    if (arguments.HasValue("--family")) {
        const std::string family = FamilyName(arguments.Value("--family"));
        if (family.empty()) throw UsageError("--family is Exif, Iptc or Xmp");
        for (const char* known : kFamilies) {
            if (family == known) families = {known};
        }
    }
    if (arguments.Has("--csv")) {
        if (arguments.Has("--json") || arguments.Has("-n") || arguments.Has("--sidecar")) {
            throw UsageError("--csv goes without --json, -n and --sidecar");
        }
        return ShowCsv(arguments, families);
    }
    const bool json = arguments.Has("--json");
    const bool withSidecar = sidecar.mode != SidecarMode::Off;
    const std::vector<std::string> files = BatchFiles(arguments, arguments.positional);
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        Overlaid image;
        if (!OpenOverlaid(path, withSidecar, sidecar.fullName, image, reason)) {
            return FileOutcome::Failed(reason);
        }
        return FileOutcome{true,
                           json ? AsJson(path, families, image, withSidecar)
                                : AsText(path, families, image, arguments.Has("-n")),
                           ""};
    });
}

}  // namespace lumenmeta_tool
