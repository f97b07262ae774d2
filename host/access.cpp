#include "host/access.h"

#include "platform/hostmem.h"

namespace host {

bool ReadRecordBytes(Addr address, void* out, uint32_t size) {
    if (address == 0 || !hostmem::IsReadable(address, size)) return false;
    hostmem::Read(address, out, size);
    return true;
}

bool CanWrite(Addr address, uint32_t size) {
    // Writing where the host has nothing, or only reads, would be an access
    // violation in the host's own thread.
    return address != 0 && hostmem::IsReadable(address, size) && hostmem::IsWritable(address, size);
}

bool WriteRecordBytes(Addr address, const void* from, uint32_t size) {
    if (!CanWrite(address, size)) return false;
    hostmem::Write(address, from, size);
    return true;
}

} // namespace host
