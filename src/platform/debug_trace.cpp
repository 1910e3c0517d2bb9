#include "platform/debug_trace.h"

#include "lumenmeta.h"
#include "platform/code_page.h"

#include <algorithm>
#include <mutex>
#include <string_view>

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

// The sink receives UTF-8 only: a piece that is valid UTF-8 goes as it is,
// any other piece (a code page 0 value, a path in another encoding) is read
// as Windows-1252 and sent in UTF-8.
std::string Utf8Piece(std::string_view piece) {
    const std::string asUtf8 =
        CodePageFromWide(WideFromCodePage(piece, kCodePageUtf8), kCodePageUtf8);
    if (asUtf8 == piece) return asUtf8;
    return CodePageFromWide(WideFromCodePage(piece, kCodePageAnsi), kCodePageUtf8);
}

}  // namespace

void TracePiece(const char* piece) {
    const TraceTarget target = CurrentTarget();
    if (!target.sink || !piece) return;
    const std::string_view bytes(piece);
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) {
        target.sink(piece, target.context);  // ASCII, the usual piece
        return;
    }
    std::string text;
    try {
        text = Utf8Piece(bytes);
    } catch (...) {
        return;  // memory ran out: the piece is dropped, as with no sink
    }
    target.sink(text.c_str(), target.context);
}

void TracePiece(const std::string& piece) { TracePiece(piece.c_str()); }

}  // namespace lumenmeta

extern "C" void SetDebugTraceSink(DebugTraceSink sink, void* context) {
    std::lock_guard<std::mutex> lock(lumenmeta::traceMutex);
    lumenmeta::traceTarget.sink = sink;
    lumenmeta::traceTarget.context = sink ? context : nullptr;
}
