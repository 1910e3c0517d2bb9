// The test programs' entry point: Exiv2's own log about damaged files is
// muted so that it does not bury the test output.
#include "lumenmeta.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    SetExiv2LogLevel(4);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
