#include "module/random.h"

#include "module/lifecycle.h"

#include <gtest/gtest.h>

namespace {

TEST(Rand, GivesTheRuntimeSequenceFromLoadAndLoadingRestartsIt) {
    addon::ClearModuleState();
    // The classic runtime's first ten numbers after seeding with 1.
    const int32_t fromOne[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int32_t expected : fromOne) EXPECT_EQ(addon::Rand(), expected);
    int32_t highest = 0;
    for (int i = 0; i < 100000; ++i) {
        int32_t r = addon::Rand();
        ASSERT_TRUE(r >= 0 && r <= 32767) << r;
        if (r > highest) highest = r;
    }
    EXPECT_GT(highest, 32700) << "the full fifteen bits are used";
    addon::ClearModuleState();
    EXPECT_EQ(addon::Rand(), 41);
}

} // namespace
