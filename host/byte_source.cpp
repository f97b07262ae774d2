#include "host/byte_source.h"

#include "platform/hostmem.h"

namespace host {

namespace {

constexpr uint32_t PageSize = 0x1000;

bool CheckedSpanOf(void* context, Addr address, uint32_t size, ByteSpan& out) {
    return CheckedSpan(*static_cast<CheckedReader*>(context), address, size, out);
}

void Prefetch(void*, Addr address, uint32_t size) {
    hostmem::Prefetch(address, size);
}

} // namespace

bool CheckedSpan(CheckedReader& reader, Addr address, uint32_t size, ByteSpan& out) {
    uint64_t end = uint64_t(address) + size;
    if (size == 0 || end > 0x100000000ull) return false;
    for (const CheckedReader::Stretch& p : reader.Known)
        if (p.First < p.End && address >= p.First && end <= p.End) {
            out = {p.First, p.End - p.First, p.Bytes};
            return true;
        }
    // Whole pages are readable or not: check them whole. Only where they are
    // not all readable, and the bytes are, check and keep just the bytes.
    Addr first = address & ~(PageSize - 1);
    uint64_t last = (end + PageSize - 1) & ~uint64_t(PageSize - 1);
    if (last > 0xFFFFF000u || !hostmem::IsReadable(first, uint32_t(last - first))) {
        if (!hostmem::IsReadable(address, size)) return false;
        first = address, last = end;
    }
    const uint8_t* bytes = hostmem::InPlace(first, uint32_t(last - first));
    if (!bytes) return false;
    reader.Known[reader.Next] = {first, Addr(last), bytes};
    reader.Next = (reader.Next + 1) % CheckedReader::Stretches;
    out = {first, Addr(last) - first, bytes};
    return true;
}

bool ReadChecked(CheckedReader& reader, Addr address, void* out, uint32_t size) {
    if (size == 0) return true;
    ByteSpan span;
    const uint8_t* bytes = View(CheckedBytes(reader), span, address, size);
    if (!bytes) return false;
    std::memcpy(out, bytes, size);
    return true;
}

ByteSource CheckedBytes(CheckedReader& reader) {
    return {&CheckedSpanOf, &reader, &Prefetch};
}

} // namespace host
