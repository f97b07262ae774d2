// The module's one pseudo-random sequence, the host runtime's classic rand: the
// fly-by's random side and the pilot view's ground turbulence draw from it in
// turn, so one sequence lives in the module record and is handed to both.
#pragma once

#include <cstdint>

namespace host {

constexpr uint32_t RandStateAtLoad = 1;
constexpr uint32_t RandMultiplier = 214013;
constexpr uint32_t RandIncrement = 2531011;
constexpr int32_t RandMax = 32767;

struct RandomSequence {
    uint32_t State = RandStateAtLoad; // never reseeded after load
};

// The next number of the sequence, 0 to RandMax.
int32_t NextRandom(RandomSequence& sequence);

} // namespace host
