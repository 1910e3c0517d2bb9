// `lumenmeta show`: every key of the working set with its type code and value.
#include "batch.h"
#include "entries.h"
#include "commands.h"
#include "image_file.h"
#include "json.h"
#include "text.h"
#include "values.h"

#include <cctype>
#include <cstdio>

namespace lumenmeta_tool {

namespace {

std::string AsText(const std::string& path, const std::vector<const char*>& families,
                   MetaHandle* handle) {
    std::string out = Shown(path) + "\n";
    for (const char* family : families) {
        const std::vector<Entry> entries = FamilyEntries(handle, family);
        out += std::string("  ") + (std::string(family) == "Iptc" ? "IPTC" :
                                    std::string(family) == "Xmp"  ? "XMP" : "Exif");
        out += entries.empty() ? " (none)\n" : "\n";
        for (const Entry& entry : entries) {
            char line[128];
            std::snprintf(line, sizeof line, "    %-40s %-8s ", Shown(entry.key).c_str(),
                          TypeText(entry.type).c_str());
            out += line + Shown(entry.value) + "\n";
        }
    }
    return out;
}

std::string AsJson(const std::string& path, const std::vector<const char*>& families,
                   MetaHandle* handle) {
    std::string out = "{\"file\":" + JsonString(path);
    for (const char* family : families) {
        std::string name = family;
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        out += ",\"" + name + "\":[";
        bool first = true;
        for (const Entry& entry : FamilyEntries(handle, family)) {
            if (!first) out += ",";
            first = false;
            out += "{\"key\":" + JsonString(entry.key) + ",\"type\":" +
                   std::to_string(entry.type) + ",\"value\":" + JsonString(entry.value) + "}";
        }
        out += "]";
    }
    return out + "}\n";
}

}  // namespace

int RunShow(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{"--family"}, {"--json"}});
    std::vector<const char*> families(std::begin(kFamilies), std::end(kFamilies));
    if (arguments.HasValue("--family")) {
        const std::string family = FamilyName(arguments.Value("--family"));
        if (family.empty()) throw UsageError("--family is Exif, Iptc or Xmp");
        for (const char* known : kFamilies) {
            if (family == known) families = {known};
        }
    }
    const bool json = arguments.Has("--json");
    const std::vector<std::string> files = BatchFiles(arguments, arguments.positional);
    return RunBatch(files, BatchJobs(arguments), [&](const std::string& path) {
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        return FileOutcome{true,
                           json ? AsJson(path, families, handle.get())
                                : AsText(path, families, handle.get()),
                           ""};
    });
}

}  // namespace lumenmeta_tool
