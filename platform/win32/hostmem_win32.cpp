// The host memory seam in the DLL: the host's memory is the process's own.
#include "platform/hostmem.h"

#include <windows.h>

namespace hostmem {

bool IsReadable(Addr address, uint32_t size) {
    return !::IsBadReadPtr(reinterpret_cast<const void*>(uintptr_t(address)), size);
}

bool IsWritable(Addr address, uint32_t size) {
    constexpr DWORD writable =
        PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    uint64_t at = address, end = uint64_t(address) + size;
    while (at < end) {
        MEMORY_BASIC_INFORMATION info;
        if (!::VirtualQuery(reinterpret_cast<const void*>(uintptr_t(at)), &info, sizeof info) ||
            info.State != MEM_COMMIT || !(info.Protect & writable) || (info.Protect & PAGE_GUARD))
            return false;
        uint64_t regionEnd = uint64_t(uintptr_t(info.BaseAddress)) + info.RegionSize;
        if (regionEnd <= at) return false;
        at = regionEnd;
    }
    return true;
}

} // namespace hostmem
