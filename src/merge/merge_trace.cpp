#include "merge/merge_trace.h"

#include "platform/debug_trace.h"

namespace lumenmeta {

void TraceKeyValueLine(const char* text, const std::string& key, const std::string& value) {
    TracePiece(text);
    TracePiece(key);
    TracePiece(" Value: ");
    TracePiece(value);
    TracePiece("\n");
}

}  // namespace lumenmeta
