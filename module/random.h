// The module's one pseudo-random sequence, the runtime's classic rand: the
// fly-by's random side and the pilot view's ground turbulence draw from it in
// turn, so its state is module-wide and never reseeded.
#pragma once

#include <cstdint>

namespace addon {

constexpr uint32_t RandStateAtLoad = 1;
constexpr uint32_t RandMultiplier = 214013;
constexpr uint32_t RandIncrement = 2531011;
constexpr int32_t RandMax = 32767;

extern uint32_t RandState;

// The next number of the sequence, 0 to RandMax.
int32_t Rand();

} // namespace addon
