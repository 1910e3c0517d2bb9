// Collects the library's debug-trace pieces while it is alive.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace lumenmeta::test {

class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // The pieces in the order they were sent, one entry per sink call.
    std::vector<std::string> pieces() const;
    void Clear();

private:
    static void Sink(const char* piece, void* context);
    mutable std::mutex mutex_;
    std::vector<std::string> pieces_;
};

}  // namespace lumenmeta::test
