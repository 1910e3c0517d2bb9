#include "platform/debug_trace.h"

#include "lumenmeta.h"
#include "platform/code_page.h"

#include <new>

#include <mutex>

namespace lumenmeta {

namespace {

// The sink and its context are set and read together; the sink itself is
// called outside the lock, so it may trace from several threads at once.
struct TraceTarget {
    DebugTraceSink sink = nullptr;
    void* context = nullptr;
};

std::mutex traceMutex;
TraceTarget traceTarget;

TraceTarget CurrentTarget() {
    std::lock_guard<std::mutex> lock(traceMutex);
    return traceTarget;
}

}  // namespace

void TracePiece(const char* piece) {
    const TraceTarget target = CurrentTarget();
    if (!target.sink || !piece) return;
    // The sink receives UTF-8 only: a piece in another encoding (a path or
    // value in Windows-1252) is decoded as Windows-1252.
    if (IsValidUtf8(piece)) {
        target.sink(piece, target.context);
        return;
    }
    try {
        target.sink(Utf8FromNarrowText(piece).c_str(), target.context);
    } catch (const std::bad_alloc&) {
        // Memory ran out: the piece is dropped, as with no sink.
    }
}

void TracePiece(const std::string& piece) { TracePiece(piece.c_str()); }

bool TraceIsOn() { return CurrentTarget().sink != nullptr; }

}  // namespace lumenmeta

extern "C" void SetDebugTraceSink(DebugTraceSink sink, void* context) {
    std::lock_guard<std::mutex> lock(lumenmeta::traceMutex);
    lumenmeta::traceTarget.sink = sink;
    lumenmeta::traceTarget.context = sink ? context : nullptr;
}
