// Checked access to the host's records: the one way the module reads and
// writes host memory beyond the variable lookup and the walks over the host's
// lists and streams. A record the host does not have there, whole, is
// neither read nor written.
#pragma once

#include "host/contract.h"

#include <cstdint>

namespace host {

// Whether the host has size bytes at address, readable and writable; false
// for address 0.
bool CanWrite(Addr address, uint32_t size);

// size bytes at address into out, when the host has them readable; false
// (out untouched) when not, or when address is 0.
bool ReadRecordBytes(Addr address, void* out, uint32_t size);
// size bytes of from over the host's at address, when it has them readable
// and writable; false (nothing written) when not, or when address is 0.
bool WriteRecordBytes(Addr address, const void* from, uint32_t size);

template <class Record> bool ReadRecord(Addr address, Record& out) {
    return ReadRecordBytes(address, &out, uint32_t(sizeof out));
}
template <class Record> bool WriteRecord(Addr address, const Record& from) {
    return WriteRecordBytes(address, &from, uint32_t(sizeof from));
}

} // namespace host
