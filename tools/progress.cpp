#include "progress.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace lumenmeta_tool {

namespace {
constexpr size_t kLongBatch = 20;  // shorter batches finish before a bar helps
constexpr int kWidth = 30;
}  // namespace

ProgressBar::ProgressBar(size_t total)
    : total_(total), active_(total >= kLongBatch && isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar() { Clear(); }

void ProgressBar::Update(size_t done, size_t failed) {
    if (!active_ || total_ == 0) return;
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%% %zu/%zu, %zu failed", bar.c_str(), percent, done, total_,
                 failed);
    std::fflush(stderr);
}

void ProgressBar::Clear() {
    if (!active_ || lastPercent_ < 0) return;
    std::fprintf(stderr, "\r%*s\r", kWidth + 40, "");
    std::fflush(stderr);
    lastPercent_ = -1;
}

}  // namespace lumenmeta_tool
