// Fixed-size text buffers: copies that always end in a zero and never overrun.
#pragma once

#include <cstddef>

namespace addon {

// Copies from into to, cut to capacity - 1 characters.
inline void CopyText(char* to, size_t capacity, const char* from) {
    if (capacity == 0) return;
    size_t i = 0;
    for (; i + 1 < capacity && from[i]; ++i) to[i] = from[i];
    to[i] = 0;
}

} // namespace addon
