// The debug trace: developer diagnostics sent piece by piece to the sink the
// host installed with SetDebugTraceSink, and dropped when there is none.
#pragma once

#include <string>

namespace lumenmeta {

// Sends one piece to the sink (one sink call per piece).
void TracePiece(const char* piece);
void TracePiece(const std::string& piece);

// True when a sink is installed: pieces that cost something to make (a
// value's text) are made only then.
bool TraceIsOn();

}  // namespace lumenmeta
