// What the pilot view finds inside the host process: the host's libraries in
// its module list (and the records at fixed offsets in them), and the active
// view in its view list. Every host word is checked before it is read, and
// every walk is bounded: a host without these lists, or with a list that
// loops, leaves the pilot view idle.
#pragma once

#include "host/contract.h"
#include "host/view_record.h"

#include <cstdint>

namespace host {

constexpr char G3dLibraryName[] = "G3D.DLL";
constexpr char GlobalLibraryName[] = "GLOBAL.DLL";

// Module list entry: next entry, file name, (unused), base value, (unused).
constexpr uint32_t ModuleEntrySize = 20;
constexpr uint32_t ModuleEntryNext = 0;
constexpr uint32_t ModuleEntryName = 4;
constexpr uint32_t ModuleEntryBase = 12;
constexpr int32_t ModuleListLimit = 4096; // more entries than any host loads

// Records at fixed offsets from the libraries' base values.
constexpr uint32_t SceneObjectTableOffset = 679472; // G3D.DLL
constexpr uint32_t HostViewMatrixOffset = 679040;   // G3D.DLL
constexpr uint32_t EyePositionRecordOffset = 13744; // GLOBAL.DLL
constexpr uint32_t EyeAttitudeRecordOffset = 13768; // GLOBAL.DLL

// View list: array of view windows at 32, their count at 40; each window
// holds its view record's address at 28; the record's kind is at 32.
constexpr uint32_t ViewListSize = 44;
constexpr uint32_t ViewListArray = 32;
constexpr uint32_t ViewListCount = 40;
constexpr uint32_t ViewWindowSize = 32;
constexpr uint32_t ViewWindowRecord = 28;
constexpr uint32_t ViewRecordBytes = ViewRecordSize;
constexpr uint32_t ViewRecordKind = offsetof(ViewRecord, Kind);
constexpr int32_t ViewListLimit = 256; // more view windows than any host opens

struct HostLibraries {
    Addr ModuleList; // head of the module list, 0 when it cannot be read
    Addr ViewList;   // the view list, 0 when it cannot be read
    Addr G3dModuleBase;
    Addr GlobalModuleBase;
    Addr SceneObjectTable;
    Addr HostViewMatrix;
    Addr EyePositionRecord;
    Addr EyeAttitudeRecord;
};

// Reads both list heads and, while a library is still missing, walks the
// module list for it (names without regard to case, any other passed over, the
// first one found kept for good). 0 when the module list cannot be read.
int DiscoverHost(HostLibraries& libraries);

// The active view: the first view record of kind 1 or 1250, readable whole.
struct ActiveView {
    Addr Record; // 0: none
    int32_t Kind;
};
ActiveView FindActiveView(Addr viewList);

// Reads a zero-terminated host text into text (capacity bytes, always
// terminated), stopping at the first byte that cannot be read.
void ReadHostText(Addr address, char* text, uint32_t capacity);

} // namespace host
