// Host bytes as the pure walks read them: a byte source (the host's memory for
// the module, plain bytes for the tests), and the reader that checks host
// memory before it is read. Walks read the bytes in place, not copied: a
// source gives a stretch it vouches for, and the walk reads the fields of its
// records from that stretch until it needs bytes beyond it.
#pragma once

#include "host/contract.h"

#include <cstdint>
#include <cstring>

namespace host {

// Size bytes of host memory from host address At, readable in place at Bytes.
struct ByteSpan {
    Addr At = 0;
    uint32_t Size = 0;
    const uint8_t* Bytes = nullptr;
};

// Where a walk's bytes come from: the host's memory for the module, plain
// bytes for the tests. Span sets out to a stretch that holds the size bytes at
// address (it may hold bytes on either side of them too) and gives true, or
// gives false, out unchanged, when they cannot all be read. Ahead, when there
// is one, starts bringing bytes the walk will read soon into the cache,
// whether or not they can be read: it reads nothing.
struct ByteSource {
    bool (*Span)(void* context, Addr address, uint32_t size, ByteSpan& out);
    void* Context;
    void (*Ahead)(void* context, Addr address, uint32_t size) = nullptr;
};

// The size bytes at address, in place: from span when it holds them, else
// from the stretch the source gives, which span keeps for the next reads;
// null when they cannot be read.
inline const uint8_t* View(const ByteSource& source, ByteSpan& span, Addr address, uint32_t size) {
    uint32_t offset = address - span.At;
    if (address >= span.At && offset <= span.Size && size <= span.Size - offset)
        return span.Bytes + offset;
    if (!source.Span(source.Context, address, size, span)) return nullptr;
    return span.Bytes + (address - span.At);
}

inline void Ahead(const ByteSource& source, Addr address, uint32_t size) {
    if (source.Ahead) source.Ahead(source.Context, address, size);
}

// A field of a record viewed in place: host values are little-endian and
// often unaligned.
template <class T> T Field(const uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Finds host bytes readable, checking readability once for each stretch of
// pages it reaches. A walk of the scene goes back and forth between a few
// places (the object table, an object's model data, its geometry), so the
// reader keeps the last few stretches found readable, not only the last. It
// lives for one walk: the host frees nothing while the module runs on its
// thread.
struct CheckedReader {
    static constexpr uint32_t Stretches = 4;
    struct Stretch {
        Addr First = 1, End = 1;        // known readable: [First, End); empty when End <= First
        const uint8_t* Bytes = nullptr; // First's bytes in place
    };
    Stretch Known[Stretches];
    uint32_t Next = 0; // the stretch a newly checked one replaces
};
// The stretch of checked host memory that holds the size bytes at address:
// their whole pages, or only those bytes when not all of their pages can be
// read (then remembered as they are); false when the bytes themselves cannot.
bool CheckedSpan(CheckedReader& reader, Addr address, uint32_t size, ByteSpan& out);
// A copy of the size bytes at address, checked the same way.
bool ReadChecked(CheckedReader& reader, Addr address, void* out, uint32_t size);
// Host memory as a byte source, through reader.
ByteSource CheckedBytes(CheckedReader& reader);

} // namespace host
