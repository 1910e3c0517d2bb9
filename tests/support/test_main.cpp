// The test programs' entry point, with Exiv2's log about damaged files muted.
#include "lumenmeta.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    SetExiv2LogLevel(4);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
