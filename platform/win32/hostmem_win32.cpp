// The host memory seam in the DLL: the host's memory is the process's own.
#include "platform/hostmem.h"

#include <windows.h>

namespace hostmem {

bool IsReadable(Addr address, uint32_t size) {
    return !::IsBadReadPtr(reinterpret_cast<const void*>(uintptr_t(address)), size);
}

} // namespace hostmem
