// The user aircraft's model data, found through GLOBAL.DLL.
#pragma once

#include "host/byte_source.h"
#include "host/contract.h"
#include "host/stream.h"

#include <cstddef>
#include <cstring>

#include <cstdint>

namespace host {

constexpr uint32_t AircraftMarkerOffset = 16864; // "0", "8", "S", "F"
constexpr uint32_t UserAircraftOffset = 16860;   // address of the user aircraft's record
constexpr char AircraftMarker[4] = {'0', '8', 'S', 'F'};
constexpr uint32_t UserAircraftRecordSize = 296;
constexpr uint32_t UserAircraftModelBlock = 292; // word: the model block
constexpr uint32_t ModelBlockSize = 24;
constexpr uint32_t ModelBlockData = 4; // word: the model data
constexpr uint32_t ModelDataHeaderSize = 16;
constexpr char ModelDirectoryTag[4] = {'P', 'N', 'T', 'R'}; // at 8; entry count at 12
constexpr uint32_t ModelDirectoryTagAt = 8;
constexpr uint32_t ModelDirectoryCountAt = 12;
constexpr uint32_t ModelDirectoryEntrySize = 8; // four-byte tag, i32 offset from the entry
constexpr int32_t ModelDirectoryLimit = 4096;   // more blocks than any model has

// The block tagged tag in the user aircraft's model directory (the first
// entry with that tag and an offset other than 0), or 0 when there is none or
// any step of the way cannot be read.
Addr FindModelBlock(Addr globalModuleBase, const char (&tag)[5]);

// ---- Model directories ---------------------------------------------------------------

// A directory's entries, back to back from entries, count of them (the
// caller bounds it): the first one tagged tag with an offset other than 0
// gives the block at that entry's address plus its offset. Block is 0 when
// none does, or an entry cannot be read (then the walk stops there);
// EntriesRead counts the entries looked at, the failed one included.
struct DirectoryFind {
    Addr Block;
    int32_t EntriesRead;
};
inline DirectoryFind FindInDirectory(const ByteSource& bytes, ByteSpan& span, Addr entries,
                                     int32_t count, const char* tag) {
    for (int32_t i = 0; i < count; ++i) {
        uint64_t at = uint64_t(entries) + uint64_t(i) * ModelDirectoryEntrySize;
        const uint8_t* entry = at + ModelDirectoryEntrySize <= 0x100000000ull
                                   ? View(bytes, span, Addr(at), ModelDirectoryEntrySize)
                                   : nullptr;
        if (!entry) return {0, i + 1};
        int32_t offset = Field<int32_t>(entry + 4);
        if (std::memcmp(entry, tag, 4) == 0 && offset != 0)
            return {Addr(at) + uint32_t(offset), i + 1};
    }
    return {0, count > 0 ? count : 0};
}

// ---- The cockpit's event stream ("EVNT") ---------------------------------------------

// Calls and ends as in every stream (host/stream.h), and event spheres: a
// control of the cockpit the pointer may point at.
constexpr uint16_t EventOpSphere = 0xF003;
constexpr uint16_t EventSphereKindControl = 1;

#pragma pack(push, 1)
struct EventSphereRecord {
    uint16_t Op;
    uint16_t Length; // the next record, from this one, on a hit
    uint32_t Skip;   // on a miss, the next record lies this much further
    uint16_t Kind;
    float Centre[3]; // from the stream's base point
    float Radius;
    uint32_t Codes[3]; // the events of mouse buttons 0, 1, 2
};
#pragma pack(pop)
static_assert(offsetof(EventSphereRecord, Length) == 2);
static_assert(offsetof(EventSphereRecord, Skip) == 4);
static_assert(offsetof(EventSphereRecord, Kind) == 8);
static_assert(offsetof(EventSphereRecord, Centre) == 10);
static_assert(offsetof(EventSphereRecord, Radius) == 22);
static_assert(offsetof(EventSphereRecord, Codes) == 26);
constexpr uint32_t EventSphereSize = 38;
static_assert(sizeof(EventSphereRecord) == EventSphereSize);

} // namespace host
