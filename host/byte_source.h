// Host bytes as the pure walks read them: a byte source (the host's memory for
// the module, plain bytes for the tests), and the reader that checks host
// memory before it is read.
#pragma once

#include "host/contract.h"

#include <cstdint>

namespace host {

// Where a walk's bytes come from: the host's memory for the module, plain
// bytes for the tests. Read gives false for bytes that cannot be read.
struct ByteSource {
    bool (*Read)(void* context, uint32_t address, void* out, uint32_t size);
    void* Context;
};

// Reads host bytes, checking readability once for each stretch of pages it
// reaches. A walk of the scene goes back and forth between a few places (the
// object table, an object's model data, its geometry), so the reader keeps
// the last few stretches found readable, not only the last. It lives for one
// walk: the host frees nothing while the module runs on its thread.
struct CheckedReader {
    static constexpr uint32_t Stretches = 4;
    struct Pages {
        Addr First = 1, End = 1; // known readable: [First, End); empty when End <= First
    };
    Pages Known[Stretches];
    uint32_t Next = 0; // the stretch a newly checked one replaces
};
bool ReadChecked(CheckedReader& reader, Addr address, void* out, uint32_t size);
// The same, as the read of a byte source over host memory: context is the
// CheckedReader.
bool ReadCheckedBytes(void* context, Addr address, void* out, uint32_t size);

} // namespace host
