// The record streams the host's models are made of (the scene's geometry, the
// cockpit's event spheres): each record starts with a 16-bit opcode, values
// are little-endian and unaligned. These records are the same in every stream.
#pragma once

#include <cstddef>
#include <cstdint>

namespace host {

constexpr uint16_t StreamOpCall = 0xF000; // walk the stream this record points to, then go on
constexpr uint16_t StreamOpEnd = 0xF001;  // the end of the stream

#pragma pack(push, 1)
struct StreamCallRecord {
    uint16_t Op;
    int32_t Offset; // the called stream, from this record
};
#pragma pack(pop)
static_assert(offsetof(StreamCallRecord, Offset) == 2);
constexpr uint32_t StreamCallSize = 6;
static_assert(sizeof(StreamCallRecord) == StreamCallSize);

} // namespace host
