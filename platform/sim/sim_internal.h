// Shared between the two halves of the simulated platform.
#pragma once

namespace sim::detail {
void ResetHostMemory();
} // namespace sim::detail
