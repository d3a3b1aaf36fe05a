#include <gtest/gtest.h>

#include "Launch.h"

// The board services open /dev, /sys and /proc paths themselves; with the
// preload loaded they find the testbed's files there instead.
int main(int argc, char** argv) {
    Corvane::Sim::reexecUnderPreload(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
