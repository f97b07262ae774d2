// The host memory seam answered by a simulated 32-bit address space (native
// build only). Tests map the regions the host would have; every access
// outside them is a fault, recorded instead of crashing.
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

#include <cstdio>
#include <map>
#include <vector>

namespace {

struct Region {
    hostmem::Addr Base;
    std::vector<uint8_t> Bytes;
    bool Writable;
};

// Pages taken away or left only readable inside the regions: [First, End).
struct Protection {
    uint64_t First, End;
    bool Readable;
};

constexpr uint32_t kPageSize = 0x1000;

struct AddressSpace {
    std::vector<Region> Regions;
    std::vector<Protection> Protections;
    sim::HostAccessHook Hook;
    size_t LastFound = 0; // where the last search ended: reads come in runs
    std::map<hostmem::Addr, std::function<void(void*)>> Functions;
    int Faults = 0;
    std::string LastFault;
    int ReadableChecks = 0;
};

AddressSpace& S() {
    static AddressSpace space;
    return space;
}

// The region found last, as plain values: the reads of a walk come in runs,
// and the benchmarks time walks over this memory. Empty when End is 0.
struct Recent {
    hostmem::Addr Base;
    uint64_t End;
    uint8_t* Bytes;
};
Recent Last;

// Where the size bytes at address lie in the region found last, or null.
uint8_t* Recently(hostmem::Addr address, uint32_t size) {
    if (address >= Last.Base && uint64_t(address) + size <= Last.End)
        return Last.Bytes + (address - Last.Base);
    return nullptr;
}

// The region holding [address, address + size), or null.
Region* Find(hostmem::Addr address, uint32_t size) {
    uint64_t end = uint64_t(address) + size;
    auto holds = [&](const Region& r) {
        return address >= r.Base && end <= uint64_t(r.Base) + r.Bytes.size();
    };
    std::vector<Region>& regions = S().Regions;
    size_t& last = S().LastFound;
    if (!(last < regions.size() && holds(regions[last]))) {
        size_t i = 0;
        while (i < regions.size() && !holds(regions[i])) ++i;
        if (i == regions.size()) return nullptr;
        last = i;
    }
    Region& r = regions[last];
    Last = {r.Base, uint64_t(r.Base) + r.Bytes.size(), r.Bytes.data()};
    return &r;
}

// Whether a protection refuses this access to [address, address + size).
bool Refused(hostmem::Addr address, uint32_t size, bool write) {
    uint64_t end = uint64_t(address) + size;
    for (const Protection& p : S().Protections)
        if (address < p.End && p.First < end && (write || !p.Readable)) return true;
    return false;
}

// The region where the module may read [address, address + size), or null.
Region* Readable(hostmem::Addr address, uint32_t size) {
    Region* r = Find(address, size);
    return r && !Refused(address, size, false) ? r : nullptr;
}

void Fault(const char* what, hostmem::Addr address, uint32_t size) {
    char text[96];
    std::snprintf(text, sizeof text, "%s of %u bytes at 0x%08X", what, size, address);
    ++S().Faults;
    S().LastFault = text;
}

} // namespace

namespace hostmem {

bool IsReadable(Addr address, uint32_t size) {
    ++S().ReadableChecks;
    if (size == 0) return true;
    if (Refused(address, size, false)) return false;
    return Recently(address, size) || Find(address, size) != nullptr;
}

bool IsWritable(Addr address, uint32_t size) {
    Region* r = Find(address, size);
    return size == 0 || (r && r->Writable && !Refused(address, size, true));
}

void Read(Addr address, void* out, uint32_t size) {
    if (S().Hook) S().Hook(address, size, false);
    if (Region* r = Readable(address, size))
        std::memcpy(out, &r->Bytes[address - r->Base], size);
    else {
        std::memset(out, 0, size);
        Fault("read", address, size);
    }
}

const uint8_t* InPlace(Addr address, uint32_t size) {
    if (S().Hook) S().Hook(address, size, false);
    if (!Refused(address, size, false)) {
        if (const uint8_t* bytes = Recently(address, size)) return bytes;
        if (Region* r = Find(address, size)) return &r->Bytes[address - r->Base];
    }
    Fault("read in place", address, size);
    return nullptr;
}

void Prefetch(Addr address, uint32_t size) {
    // Only what is mapped and readable: a prefetch never faults.
    if (Refused(address, size, false)) return;
    const uint8_t* bytes = Recently(address, size);
    if (!bytes) {
        Region* r = Find(address, size);
        if (!r) return;
        bytes = &r->Bytes[address - r->Base];
    }
    uintptr_t first = reinterpret_cast<uintptr_t>(bytes);
    for (uintptr_t line = first & ~uintptr_t(63); line < first + size; line += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(line));
}

void Write(Addr address, const void* in, uint32_t size) {
    if (S().Hook) S().Hook(address, size, true);
    Region* r = Find(address, size);
    if (r && r->Writable && !Refused(address, size, true))
        std::memcpy(&r->Bytes[address - r->Base], in, size);
    else
        Fault(Readable(address, size) ? "write to read-only memory" : "write", address, size);
}

void CallStdcall1(Addr function, void* argument) {
    auto it = S().Functions.find(function);
    if (it == S().Functions.end())
        Fault("call", function, 0);
    else
        it->second(argument);
}

} // namespace hostmem

namespace sim {

void detail::ResetHostMemory() {
    S() = AddressSpace{};
    Last = {};
}

void MapHost(hostmem::Addr base, uint32_t size, bool writable) {
    // As in a real address space no two mappings share a byte (so the search
    // may start anywhere).
    uint64_t end = uint64_t(base) + size;
    for (const Region& r : S().Regions)
        if (base < uint64_t(r.Base) + r.Bytes.size() && r.Base < end) {
            std::fprintf(stderr, "test error: host range 0x%08X+%u overlaps one mapped\n", base,
                         size);
            std::abort();
        }
    S().Regions.push_back({base, std::vector<uint8_t>(size), writable});
}
void UnmapHost(hostmem::Addr base) {
    Last = {}; // its bytes may go
    auto& regions = S().Regions;
    for (auto it = regions.begin(); it != regions.end(); ++it)
        if (it->Base == base) {
            regions.erase(it);
            return;
        }
}
uint8_t* HostBytes(hostmem::Addr address, uint32_t size) {
    Region* r = Find(address, size);
    if (!r) {
        std::fprintf(stderr, "test error: host range 0x%08X+%u is not mapped\n", address, size);
        std::abort();
    }
    return &r->Bytes[address - r->Base];
}
void MapHostFunction(hostmem::Addr address, std::function<void(void*)> function) {
    S().Functions[address] = std::move(function);
}
void ProtectHostPages(hostmem::Addr address, uint32_t size, PageAccess access) {
    uint64_t first = address & ~(kPageSize - 1);
    uint64_t end = (uint64_t(address) + size + kPageSize - 1) & ~uint64_t(kPageSize - 1);
    S().Protections.push_back({first, end, access == PageAccess::ReadOnly});
}
void SetHostAccessHook(HostAccessHook hook) {
    S().Hook = std::move(hook);
}
int HostFaults() {
    return S().Faults;
}
std::string LastHostFault() {
    return S().LastFault;
}
int HostReadableChecks() {
    return S().ReadableChecks;
}

} // namespace sim
