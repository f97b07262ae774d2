// The host simulator's side of the contract, as fixed as its executable: the
// module records it looks for, its variable lookup and tokens, the fixed
// words it keeps at absolute addresses, its windows and its per-frame message.
// The module, the stand-in host and the tests all take these from here.
#pragma once

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

// A 32-bit address in the host process (what the host-memory seam takes).
using Addr = uint32_t;

// ---- Module records ----------------------------------------------------------

constexpr uint32_t PanelsTableId = 0x0F; // ImportTable id of the panels table
constexpr uint32_t LookupVarSlot = 160;  // byte offset of the lookup function in that table

// Linkage: version, start, stop, 0, 0, flags, 0.
constexpr uint32_t LinkageVersion = 0x13;
constexpr uint32_t LinkageFlags = 0x800;

// ---- Variables ---------------------------------------------------------------

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
constexpr uint32_t HostVarPitch = 0x4D;          // degrees, positive nose down
constexpr uint32_t HostVarBank = 0x4F;           // degrees
constexpr uint32_t HostVarHeading = 0x56;        // degrees
constexpr uint32_t HostVarGroundSpeed = 0x340;   // metres per second

// ---- Fixed words -------------------------------------------------------------

// The viewpoint, written by the fly-by.
constexpr Addr HostEyeLatitudeFraction = 0x20943D50;  // u32, fraction x 4294967295
constexpr Addr HostEyeLatitude = 0x20943D54;          // i32, whole metres north
constexpr Addr HostEyeLongitudeFraction = 0x20943D58; // u32, fraction x 4294967295
constexpr Addr HostEyeLongitude = 0x20943D5C;         // i32, 2^32 units per turn
constexpr Addr HostEyeAltitude = 0x20943D64;          // u16, metres
constexpr Addr ViewpointBlock = HostEyeLatitudeFraction;
constexpr uint32_t ViewpointBlockSize = HostEyeAltitude + sizeof(uint16_t) - ViewpointBlock;

// In the host's executable image: the heads of its module list and view list.
constexpr Addr HostModuleListHead = 0x429C84;
constexpr Addr HostViewListHead = 0x429CF8;

// ---- Windows, messages, menu -------------------------------------------------

constexpr char MainWindowClass[] = "FS98MAIN";
constexpr char ViewWindowClass[] = "FS98CHILD";
constexpr uint32_t HostFrameMessage = 0x466; // WM_USER + 0x66, once per host frame
constexpr int HostMenuPosition = 3;          // the fourth entry of the host's menu bar

// ---- Registry ----------------------------------------------------------------

constexpr char HostKeyPath[] = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
constexpr char HostFolderValue[] = "EXE Path";
constexpr char DefaultHostFolder[] = "C:\\Program Files\\Microsoft Games\\FS2002";

} // namespace host
