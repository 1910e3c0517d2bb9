// A progress bar on the standard error stream, drawn only when that stream is
// a terminal and the batch is long enough to need one.
#pragma once

#include <cstddef>

namespace lumenmeta_tool {

class ProgressBar {
public:
    explicit ProgressBar(size_t total);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws the bar for `done` finished files.
    void Update(size_t done, size_t failed);
    // Clears the bar's line, so that other output starts on a clean line.
    void Clear();

private:
    size_t total_;
    bool active_;
    int lastPercent_ = -1;
};

}  // namespace lumenmeta_tool
