// The host simulator's side of the contract: its module records, its
// variable lookup function, the variable tokens and the fixed viewpoint words.
#pragma once

#include "platform/hostmem.h"

#include <cstddef>
#include <cstdint>

// ImportTable entry: the host fills in the table it registers under the id.
struct ImportEntry {
    uint32_t Id;
    uint32_t Table;
};

// Exported, undecorated, for the host to find by name.
extern "C" ImportEntry ImportTable[2];

namespace host {

using hostmem::Addr;

constexpr uint32_t PanelsTableId = 0x0F; // ImportTable id of the panels table
constexpr uint32_t LookupVarSlot = 160;  // byte offset of HostLookupVar in that table

// HostVarRecord: the host fills Value for the Token it is given.
#pragma pack(push, 4)
struct HostVarRecord {
    uint32_t Token;
    uint8_t HostOwnBefore[8];
    double Value;
    uint8_t HostOwnAfter[8];
};
#pragma pack(pop)
static_assert(sizeof(HostVarRecord) == 28);
static_assert(offsetof(HostVarRecord, Token) == 0);
static_assert(offsetof(HostVarRecord, HostOwnBefore) == 4);
static_assert(offsetof(HostVarRecord, Value) == 12);
static_assert(offsetof(HostVarRecord, HostOwnAfter) == 20);

// Variable tokens, with the units in which the host gives them.
constexpr uint32_t HostVarGroundAltitude = 0x02; // 1/256 metre
constexpr uint32_t HostVarOnGround = 0x3C;       // non-zero on the ground
constexpr uint32_t HostVarSpeed = 0x3D;          // km/h (x 1000/3600 gives m/s)
constexpr uint32_t HostVarLatitude = 0x47;       // metres north of the equator
constexpr uint32_t HostVarLongitude = 0x48;      // 2^48 units per turn, east positive
constexpr uint32_t HostVarAltitude = 0x49;       // metres
constexpr uint32_t HostVarPitch = 0x4D;          // degrees
constexpr uint32_t HostVarBank = 0x4F;           // degrees
constexpr uint32_t HostVarHeading = 0x56;        // degrees
constexpr uint32_t HostVarGroundSpeed = 0x340;   // metres per second

// The fixed viewpoint words in the host's memory.
constexpr Addr HostEyeLatitudeFraction = 0x20943D50;  // u32, fraction x 4294967295
constexpr Addr HostEyeLatitude = 0x20943D54;          // i32, whole metres north
constexpr Addr HostEyeLongitudeFraction = 0x20943D58; // u32, fraction x 4294967295
constexpr Addr HostEyeLongitude = 0x20943D5C;         // i32, 2^32 units per turn
constexpr Addr HostEyeAltitude = 0x20943D64;          // u16, metres

// Where the viewpoint is written; all zero until the module starts.
struct ViewpointWords {
    Addr LatitudeFraction;
    Addr Latitude;
    Addr LongitudeFraction;
    Addr Longitude;
    Addr Altitude;
};
extern ViewpointWords EyeWords;

// Points EyeWords at the fixed host words (start-up).
void SetViewpointWords();

// The table the host stored in ImportTable, 0 while it has stored none.
Addr HostPanelsTable();

// The address of HostLookupVar, or 0 when there is no table or no function in
// its slot; checked before every use so that an absent table costs nothing.
Addr FindLookupVar();

// Makes record a fresh request for token and has the host fill it in.
void LookupVar(Addr lookupVar, HostVarRecord& record, uint32_t token);

} // namespace host
