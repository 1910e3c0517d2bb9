#include "batch.h"
#include "commands.h"
#include "file_list.h"

namespace lumenmeta_tool {

std::vector<std::string> BatchFiles(const Arguments& arguments,
                                    const std::vector<std::string>& inputs) {
    if (inputs.empty()) throw UsageError("no file named");
    // With --sidecar the sidecars found go with their images.
    std::vector<std::string> files = ExpandInputs(inputs, arguments.Has("-r"), arguments.Has("-L"),
                                                  arguments.Has("--sidecar"));
    if (files.empty()) throw UsageError("no image files found");
    return files;
}

int BatchJobs(const Arguments& arguments) {
    const int jobs = arguments.Number("-j", DefaultJobs());
    if (jobs < 1) throw UsageError("-j needs a number of jobs of 1 or more");
    return jobs;
}

}  // namespace lumenmeta_tool
