#include "platform/debug_trace.h"

#include "lumenmeta.h"
#include "platform/code_page.h"
#include "platform/sink_slot.h"

#include <new>

namespace lumenmeta {

namespace {

SinkSlot<DebugTraceSink> traceSlot;

}  // namespace

void TracePiece(const char* piece) {
    const auto target = traceSlot.Get();
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

bool TraceIsOn() { return traceSlot.Get().sink != nullptr; }

}  // namespace lumenmeta

extern "C" void SetDebugTraceSink(DebugTraceSink sink, void* context) {
    lumenmeta::traceSlot.Set(sink, context);
}
