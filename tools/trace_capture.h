// The library's debug trace in the tool: shown on stderr with --trace, and
// collected per thread while a write runs, so that a failure can say why.
#pragma once

#include <string>

namespace lumenmeta_tool {

// Installs the tool's one trace sink for the whole run; with `toStderr` every
// piece is also written to stderr.
void InstallTraceSink(bool toStderr);

// Collects the pieces traced on this thread while it is alive.
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    void Append(const char* piece) { text_ += piece; }

    // The reason of the last "Unable to write into file: PATH Reason: ..."
    // line traced, or "".
    std::string WriteFailure() const;

private:
    std::string text_;
    TraceCapture* outer_;
};

// Whether a write failure's reason is the library's refusal of a format it
// cannot write ("HEIF files cannot be written in place").
bool IsFormatRefusal(const std::string& reason);

}  // namespace lumenmeta_tool
