#include "trace_capture.h"

#include "lumenmeta.h"

#include <cstdio>

namespace lumenmeta_tool {

namespace {

thread_local TraceCapture* active = nullptr;
bool traceToStderr = false;  // set once, before any thread starts

void ToStderrAndCapture(const char* piece, void*) {
    if (traceToStderr) std::fputs(piece, stderr);
    if (active) active->Append(piece);
}

}  // namespace

void InstallTraceSink(bool toStderr) {
    traceToStderr = toStderr;
    SetDebugTraceSink(ToStderrAndCapture, nullptr);
}

TraceCapture::TraceCapture() : outer_(active) { active = this; }

TraceCapture::~TraceCapture() { active = outer_; }

std::string TraceCapture::WriteFailure() const {
    const size_t line = text_.rfind("Unable to write into file: ");
    if (line == std::string::npos) return "";
    const size_t reason = text_.find(" Reason: ", line);
    if (reason == std::string::npos) return "";
    const size_t start = reason + 9;
    return text_.substr(start, text_.find('\n', start) - start);
}

bool IsFormatRefusal(const std::string& reason) {
    static const std::string kEnd = " files cannot be written in place";
    return reason.size() > kEnd.size() &&
           reason.compare(reason.size() - kEnd.size(), kEnd.size(), kEnd) == 0;
}

}  // namespace lumenmeta_tool
