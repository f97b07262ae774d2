// The host memory seam. Host memory is addressed by 32-bit host addresses.
// In the DLL these are plain pointers into the host process; natively they
// index a simulated 32-bit address space in which every access to unmapped
// memory is recorded as a fault (platform/sim), so the tests prove that the
// module never touches what the real host would fault on.
#pragma once

#include <cstdint>
#include <cstring>

namespace hostmem {

using Addr = uint32_t;

// True when size bytes from address can be read (IsBadReadPtr reports them good).
bool IsReadable(Addr address, uint32_t size);
// True when size bytes from address are committed writable memory; asks the
// memory manager, never probes.
bool IsWritable(Addr address, uint32_t size);

void Read(Addr address, void* out, uint32_t size);
// The size bytes at address where the module reads them in place; only for
// bytes found readable. Natively null (and a fault) for bytes not mapped.
const uint8_t* InPlace(Addr address, uint32_t size);
// Starts bringing the size bytes at address into the cache, for a read soon
// after. Reads nothing and cannot fault, readable or not: the processor drops
// a prefetch of memory it cannot reach.
void Prefetch(Addr address, uint32_t size);
void Write(Addr address, const void* in, uint32_t size);

// Calls a host function that takes one argument and removes it itself
// (__stdcall); the argument points into the module's own memory.
void CallStdcall1(Addr function, void* argument);

template <class T> T Load(Addr address) {
    T value;
    Read(address, &value, sizeof value);
    return value;
}

template <class T> void Store(Addr address, const T& value) {
    Write(address, &value, sizeof value);
}

} // namespace hostmem

#if defined(_WIN32) && !defined(ORBIVUE_SIMULATED_PLATFORM)
// In the DLL host memory is the process's own: accesses are inlined copies.
// (The Win32 build of the unit tests runs over the simulated platform.)
namespace hostmem {
inline void Read(Addr address, void* out, uint32_t size) {
    std::memcpy(out, reinterpret_cast<const void*>(uintptr_t(address)), size);
}
inline const uint8_t* InPlace(Addr address, uint32_t) {
    return reinterpret_cast<const uint8_t*>(uintptr_t(address));
}
inline void Prefetch(Addr address, uint32_t size) {
    uint64_t end = uint64_t(address) + size;
    for (uint64_t line = address & ~63u; line < end; line += 64)
        __builtin_prefetch(reinterpret_cast<const void*>(uintptr_t(line)));
}
inline void Write(Addr address, const void* in, uint32_t size) {
    std::memcpy(reinterpret_cast<void*>(uintptr_t(address)), in, size);
}
inline void CallStdcall1(Addr function, void* argument) {
    reinterpret_cast<void(__attribute__((stdcall))*)(void*)>(uintptr_t(function))(argument);
}
} // namespace hostmem
#endif
