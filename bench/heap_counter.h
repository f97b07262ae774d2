// Counts every heap allocation of the benchmark process: the C heap functions
// and the global operator new are replaced by counting pass-throughs.
#pragma once

#include <cstdint>

namespace bench {

// Allocations since the process started.
uint64_t HeapAllocations();

} // namespace bench
