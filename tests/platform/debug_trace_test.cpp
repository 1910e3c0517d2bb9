#include "platform/debug_trace.h"

#include "lumenmeta.h"
#include "support/trace_capture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumenmeta {
namespace {

using test::TraceCapture;

TEST(DebugTrace, EachPieceReachesTheSinkInOrder) {
    TraceCapture trace;
    TracePiece("Unable to write into file: ");
    TracePiece(std::string("/tmp/a.jpg"));
    TracePiece("\n");
    EXPECT_EQ(trace.pieces(),
              (std::vector<std::string>{"Unable to write into file: ", "/tmp/a.jpg", "\n"}));
}

TEST(DebugTrace, PiecesAreDroppedWithoutASinkAndTheContextIsPassed) {
    TracePiece("nobody listens");  // must not crash with no sink set

    std::vector<std::string> seen;
    SetDebugTraceSink(
        [](const char* piece, void* context) {
            static_cast<std::vector<std::string>*>(context)->push_back(piece);
        },
        &seen);
    TracePiece("one");
    SetDebugTraceSink(nullptr, &seen);
    TracePiece("two");
    EXPECT_EQ(seen, std::vector<std::string>{"one"});
}

}  // namespace
}  // namespace lumenmeta
