// Counts every heap allocation of the benchmark process: the C heap functions
// and the global operator new are replaced by counting pass-throughs.
#pragma once

#include <cstdint>

namespace bench {

// Allocations since the process started.
uint64_t HeapAllocations();

// Whether the counter sees an allocation made on purpose: a counter that
// missed them would pass every benchmark. Says so on standard error if not.
bool HeapCounterWorks();

} // namespace bench
