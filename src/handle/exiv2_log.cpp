// Exiv2's own messages about damaged files: their level, and where they go:
// to the host's sink, or to the standard error stream, named by the file the
// thread is reading.
#include "lumenmeta.h"

#include "handle/file_in_progress.h"
#include "platform/sink_slot.h"

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <string>

namespace lumenmeta {

namespace {

SinkSlot<Exiv2LogSink> logSlot;

const char* LevelText(int level) {
    switch (level) {
        case Exiv2::LogMsg::debug: return "Debug: ";
        case Exiv2::LogMsg::info: return "Info: ";
        case Exiv2::LogMsg::warn: return "Warning: ";
        default: return "Error: ";
    }
}

// Called from Exiv2's logging, which must not see an exception.
void HandleExiv2Message(int level, const char* message) noexcept {
    try {
        std::string text = message ? message : "";
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        const std::string& path = CurrentFile();
        const auto target = logSlot.Get();
        if (target.sink) {
            target.sink(level, path.c_str(), text.c_str(), target.context);
            return;
        }
        const std::string line =
            (path.empty() ? std::string() : path + ": ") + LevelText(level) + text + "\n";
        std::fputs(line.c_str(), stderr);
    } catch (...) {
        // Memory ran out: the message is dropped.
    }
}

// Installed when the library is loaded, before any host call reaches Exiv2.
__attribute__((constructor)) void InstallExiv2LogHandler() {
    Exiv2::LogMsg::setHandler(HandleExiv2Message);
}

}  // namespace

}  // namespace lumenmeta

extern "C" void SetExiv2LogLevel(int level) {
    if (level < Exiv2::LogMsg::debug || level > Exiv2::LogMsg::mute) return;
    Exiv2::LogMsg::setLevel(static_cast<Exiv2::LogMsg::Level>(level));
}

extern "C" void SetExiv2LogSink(Exiv2LogSink sink, void* context) {
    lumenmeta::logSlot.Set(sink, context);
}
