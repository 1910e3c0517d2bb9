#include "batch.h"
#include "commands.h"
#include "file_list.h"
#include "filters.h"

#include <algorithm>

namespace lumenmeta_tool {

std::vector<std::string> BatchFiles(const Arguments& arguments,
                                    const std::vector<std::string>& inputs) {
    if (inputs.empty()) throw UsageError("no file named");
    // With --sidecar the sidecars found go with their images.
    std::vector<std::string> files = ExpandInputs(inputs, arguments.Has("-r"), arguments.Has("-L"),
                                                  arguments.Has("--sidecar"));
    if (files.empty()) throw UsageError("no image files found");
    return FilterFiles(arguments, files);
}

Jobs BatchJobs(const Arguments& arguments, size_t files) {
    Jobs jobs(arguments.Number("-j", DefaultJobs()));
    if (jobs.count < 1) throw UsageError("-j needs a number of jobs of 1 or more");
    // More workers than files, or many more than cores, only cost memory
    // and start-up time.
    if (!arguments.Has("--no-job-limit")) jobs.count = std::min(jobs.count, 4 * DefaultJobs());
    jobs.count = static_cast<int>(std::min<size_t>(static_cast<size_t>(jobs.count), std::max<size_t>(files, 1)));
    jobs.timeoutSeconds = arguments.Number("--timeout", 60);
    if (jobs.timeoutSeconds < 1) throw UsageError("--timeout needs a number of seconds of 1 or more");
    return jobs;
}

}  // namespace lumenmeta_tool
