// `lumenmeta diff`: the metadata of two images compared key by key.
#include "batch.h"
#include "changes.h"
#include "commands.h"
#include "image_file.h"
#include "json.h"
#include "text.h"

#include <cstdio>

namespace lumenmeta_tool {

int RunDiff(const Words& words) {
    const Arguments arguments = ParseArguments(words, {{}, {"--json"}});
    if (arguments.positional.size() != 2) throw UsageError("diff needs two files");
    const std::string& a = arguments.positional[0];
    const std::string& b = arguments.positional[1];
    Snapshot snapshots[2];
    for (int i = 0; i < 2; ++i) {
        std::string reason;
        Handle handle = OpenImage(arguments.positional[i], reason);
        if (!handle) {
            ReportFailure(arguments.positional[i], reason);
            return 1;
        }
        snapshots[i] = TakeSnapshot(handle.get());
    }
    const std::vector<Change> changes = Compare(snapshots[0], snapshots[1]);
    const std::string out =
        arguments.Has("--json")
            ? "{\"file\":" + JsonString(a) + ",\"other\":" + JsonString(b) + "," +
                  ChangesAsJson(changes) + "}\n"
            : Shown(a) + " → " + Shown(b) + "\n" + ChangesAsText(changes, "  no difference\n");
    if (std::fputs(out.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        throw std::runtime_error("could not write to standard output");
    }
    return 0;
}

}  // namespace lumenmeta_tool
