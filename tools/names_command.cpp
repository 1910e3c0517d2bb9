// `lumenmeta names`: the short names and the keys each stands for.
#include "commands.h"
#include "json.h"
#include "names.h"

#include <cstdio>
#include <stdexcept>

namespace lumenmeta_tool {

namespace {

std::string AsJson(const Name& name) {
    std::string json = "{\"name\":" + JsonString(name.name) + ",\"keys\":[";
    for (size_t i = 0; i < name.keys.size(); ++i) json += (i ? "," : "") + JsonString(name.keys[i]);
    json += "],\"aliases\":[";
    for (size_t i = 0; i < name.aliases.size(); ++i) {
        json += (i ? "," : "") + JsonString(name.aliases[i]);
    }
    return json + "]}";
}

std::string AsText(const Name& name) {
    std::string line = "  " + name.name;
    line += std::string(line.size() < 26 ? 26 - line.size() : 1, ' ');
    for (size_t i = 0; i < name.keys.size(); ++i) line += (i ? ", " : "") + name.keys[i];
    if (!name.aliases.empty()) {
        line += "  (also";
        for (const std::string& alias : name.aliases) line += " " + alias;
        line += ")";
    }
    return line + "\n";
}

}  // namespace

int RunNames(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--json"}});
    const bool json = arguments.Has("--json");
    // Names given: those only; an unknown one is a usage mistake.
    std::vector<const Name*> shown;
    for (const std::string& word : arguments.positional) {
        const Name* name = FindName(word);
        if (!name) throw UsageError("no name \"" + word + "\"");
        shown.push_back(name);
    }
    if (shown.empty()) {
        for (const Name& name : Names()) shown.push_back(&name);
    }
    std::string out = json ? "[" : "";
    for (size_t i = 0; i < shown.size(); ++i) {
        out += json ? (i ? "," : "") + AsJson(*shown[i]) : AsText(*shown[i]);
    }
    if (json) out += "]\n";
    if (std::fputs(out.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        throw std::runtime_error("could not write to standard output");
    }
    return 0;
}

}  // namespace lumenmeta_tool
