// The user aircraft's model data, found through GLOBAL.DLL.
#pragma once

#include "host/contract.h"

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

} // namespace host
