#include "host/random.h"

#include <gtest/gtest.h>

namespace {

TEST(RandomSequence, GivesTheRuntimeSequenceFromItsLoadTimeState) {
    host::RandomSequence random;
    // The classic runtime's first ten numbers after seeding with 1.
    const int32_t fromOne[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int32_t expected : fromOne) EXPECT_EQ(host::NextRandom(random), expected);
    int32_t highest = 0;
    for (int i = 0; i < 100000; ++i) {
        int32_t r = host::NextRandom(random);
        ASSERT_TRUE(r >= 0 && r <= 32767) << r;
        if (r > highest) highest = r;
    }
    EXPECT_GT(highest, 32700) << "the full fifteen bits are used";
}

} // namespace
