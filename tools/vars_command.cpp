// `lumenmeta vars`: the host application's variables in the private XMP
// namespace, with their values.
#include "batch.h"
#include "commands.h"
#include "image_file.h"
#include "text.h"
#include "values.h"

#include <vector>

namespace lumenmeta_tool {

int RunVars(const Words& words) {
    const Arguments arguments =
        ParseArguments(words, {{}, {"--variables", "--unresolved", "--system"}});
    bool variables = arguments.Has("--variables");
    bool unresolved = arguments.Has("--unresolved");
    bool system = arguments.Has("--system");
    if (!variables && !unresolved && !system) variables = unresolved = system = true;
    const std::vector<std::string> files = BatchFiles(arguments, arguments.positional);
    const bool named = files.size() > 1;
    return RunBatch(files, BatchJobs(arguments, files.size()), [&](const std::string& path) {
        std::string reason;
        Handle handle = OpenImage(path, reason);
        if (!handle) return FileOutcome::Failed(reason);
        int32_t size = 0;
        CollectLumenframeVarNames(handle.get(), nullptr, &size, variables, unresolved, system, "\n");
        std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 1));
        if (!CollectLumenframeVarNames(handle.get(), buffer.data(), &size, variables, unresolved,
                                       system, "\n")) {
            return FileOutcome::Failed("could not list the variables");
        }
        const std::string list(buffer.data());
        std::string out;
        size_t start = 0;
        while (start < list.size()) {
            size_t end = list.find('\n', start);
            if (end == std::string::npos) end = list.size();
            const std::string key = list.substr(start, end - start);
            std::string value;
            ReadAllValues(handle.get(), key, "; ", value);
            out += (named ? Shown(path) + ": " : std::string()) + Shown(key) + " = " + Shown(value) +
                   "\n";
            start = end + 1;
        }
        return FileOutcome{true, out, ""};
    });
}

}  // namespace lumenmeta_tool
