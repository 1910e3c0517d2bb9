#include "support/trace_capture.h"

#include "lumenmeta.h"

namespace lumenmeta::test {

TraceCapture::TraceCapture() { SetDebugTraceSink(&TraceCapture::Sink, this); }

TraceCapture::~TraceCapture() { SetDebugTraceSink(nullptr, nullptr); }

std::vector<std::string> TraceCapture::pieces() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pieces_;
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    pieces_.clear();
}

void TraceCapture::Sink(const char* piece, void* context) {
    auto* self = static_cast<TraceCapture*>(context);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->pieces_.emplace_back(piece);
}

}  // namespace lumenmeta::test
