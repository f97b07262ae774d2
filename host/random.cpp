#include "host/random.h"

namespace host {

int32_t NextRandom(RandomSequence& sequence) {
    // Unsigned arithmetic wraps modulo 2^32 as the recurrence wants.
    sequence.State = sequence.State * RandMultiplier + RandIncrement;
    return int32_t((sequence.State >> 16) & uint32_t(RandMax));
}

} // namespace host
