// Every test program runs inside a started media runtime, as the programs do.
#include <gtest/gtest.h>

#include "FFmpegLoader.h"

int main(int argc, char** argv) {
    v2m::MediaRuntime runtime;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
