#include "host/model.h"

#include "platform/hostmem.h"

#include "host/byte_source.h"

#include <cstring>

namespace host {

namespace {

bool Word(Addr address, Addr& value) {
    if (!hostmem::IsReadable(address, 4)) return false;
    value = hostmem::Load<uint32_t>(address);
    return true;
}

} // namespace

Addr FindModelBlock(Addr global, const char (&tag)[5]) {
    if (global == 0 || !hostmem::IsReadable(global + AircraftMarkerOffset, 4)) return 0;
    char marker[4];
    hostmem::Read(global + AircraftMarkerOffset, marker, 4);
    if (std::memcmp(marker, AircraftMarker, 4) != 0) return 0;
    Addr aircraft, block, model;
    if (!Word(global + UserAircraftOffset, aircraft) ||
        !hostmem::IsReadable(aircraft, UserAircraftRecordSize))
        return 0;
    block = hostmem::Load<uint32_t>(aircraft + UserAircraftModelBlock);
    if (!hostmem::IsReadable(block, ModelBlockSize)) return 0;
    model = hostmem::Load<uint32_t>(block + ModelBlockData);
    if (!hostmem::IsReadable(model, ModelDataHeaderSize)) return 0;
    char directory[4];
    hostmem::Read(model + ModelDirectoryTagAt, directory, 4);
    if (std::memcmp(directory, ModelDirectoryTag, 4) != 0) return 0;
    int32_t count = hostmem::Load<int32_t>(model + ModelDirectoryCountAt);
    if (count > ModelDirectoryLimit) count = ModelDirectoryLimit;
    CheckedReader reader;
    ByteSpan span;
    return FindInDirectory(CheckedBytes(reader), span, model + ModelDataHeaderSize, count, tag)
        .Block;
}

} // namespace host
