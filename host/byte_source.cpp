#include "host/byte_source.h"

namespace host {

namespace {

constexpr uint32_t PageSize = 0x1000;

} // namespace

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
