#include "module/random.h"

namespace addon {

uint32_t RandState = RandStateAtLoad;

int32_t Rand() {
    // Unsigned arithmetic wraps modulo 2^32 as the recurrence wants.
    RandState = RandState * RandMultiplier + RandIncrement;
    return int32_t((RandState >> 16) & uint32_t(RandMax));
}

} // namespace addon
