// `lumenmeta diff`: the metadata of two images compared key by key.
#include "batch.h"
#include "changes.h"
#include "commands.h"
#include "filters.h"
#include "json.h"
#include "overlay.h"
#include "sidecar.h"
#include "text.h"

#include <cstdio>

namespace lumenmeta_tool {

int RunDiff(const Words& words) {
    KnownOptions known{{}, {"--json"}};
    AddSidecarOptions(known);
    const Arguments arguments = ParseArguments(words, known);
    const SidecarOptions sidecar = SidecarOptionsOf(arguments);
    RefuseFilters(arguments, "diff");
    if (arguments.positional.size() != 2) throw UsageError("diff needs two files");
    const std::string& a = arguments.positional[0];
    const std::string& b = arguments.positional[1];
    Snapshot snapshots[2];
    for (int i = 0; i < 2; ++i) {
        std::string reason;
        Overlaid image;
        if (!OpenOverlaid(arguments.positional[i], sidecar.mode != SidecarMode::Off,
                          sidecar.fullName, image, reason)) {
            ReportFailure(arguments.positional[i], reason);
            return 2;
        }
        snapshots[i] = SnapshotOf(image.AllEntries());
    }
    const std::vector<Change> changes = Compare(snapshots[0], snapshots[1]);
    const std::string out =
        arguments.Has("--json")
            ? "{\"file\":" + JsonString(a) + ",\"other\":" + JsonString(b) + "," +
                  ChangesAsJson(changes) + "}\n"
            : Shown(a) + " → " + Shown(b) + "\n" + ChangesAsText(changes, "  no difference\n");
    if (std::fputs(out.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        std::fputs("lumenmeta diff: could not write to standard output\n", stderr);
        return 2;
    }
    // As diff(1): 1 when the files differ, 0 when they do not.
    return changes.empty() ? 0 : 1;
}

}  // namespace lumenmeta_tool
