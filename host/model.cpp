#include "host/model.h"

#include <cstring>

namespace host {

namespace {

constexpr uint32_t PageSize = 0x1000;

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
    for (int32_t i = 0; i < count; ++i) {
        Addr entry = model + ModelDataHeaderSize + uint32_t(i) * ModelDirectoryEntrySize;
        struct {
            char Tag[4];
            int32_t Offset;
        } e;
        if (!ReadChecked(reader, entry, &e, sizeof e)) return 0;
        if (std::memcmp(e.Tag, tag, 4) == 0 && e.Offset != 0) return entry + uint32_t(e.Offset);
    }
    return 0;
}

bool ReadChecked(CheckedReader& reader, Addr address, void* out, uint32_t size) {
    uint64_t end = uint64_t(address) + size;
    if (size == 0 || end > 0x100000000ull) return size == 0;
    Addr first = address & ~(PageSize - 1);
    uint64_t last = (end + PageSize - 1) & ~uint64_t(PageSize - 1);
    bool known = false;
    for (const CheckedReader::Pages& p : reader.Known)
        if (p.First < p.End && first >= p.First && last <= p.End) {
            known = true;
            break;
        }
    if (!known) {
        // Whole pages are readable or not: check them whole and remember them.
        if (last <= 0xFFFFF000u && hostmem::IsReadable(first, uint32_t(last - first))) {
            reader.Known[reader.Next] = {first, Addr(last)};
            reader.Next = (reader.Next + 1) % CheckedReader::Stretches;
        } else if (!hostmem::IsReadable(address, size)) {
            return false;
        }
    }
    hostmem::Read(address, out, size);
    return true;
}

bool ReadCheckedBytes(void* context, Addr address, void* out, uint32_t size) {
    return ReadChecked(*static_cast<CheckedReader*>(context), address, out, size);
}

} // namespace host
