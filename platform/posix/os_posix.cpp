// The OS seam's files and registry on a POSIX system, for the native build of
// the checker (orbivue-bindings): files through the system's own calls, and a
// registry that holds nothing, so that the host's default folder is taken.
// Sharing has no meaning here: POSIX files are never locked against readers.
#include "platform/os.h"

#include <fcntl.h>
#include <unistd.h>

namespace os {

namespace {

// Handles are the descriptor plus one, so that no handle is null.
int Descriptor(Hfile file) {
    return int(reinterpret_cast<intptr_t>(file)) - 1;
}

} // namespace

Hfile CreateFileA(const char* path, uint32_t access, uint32_t, uint32_t disposition, uint32_t) {
    if (path == nullptr || access != GenericRead || disposition != OpenExisting)
        return InvalidFile();
    int descriptor = open(path, O_RDONLY);
    return descriptor < 0 ? InvalidFile() : reinterpret_cast<Hfile>(intptr_t(descriptor) + 1);
}

int ReadFile(Hfile file, void* buffer, uint32_t size, uint32_t* read) {
    ssize_t done = ::read(Descriptor(file), buffer, size);
    *read = done > 0 ? uint32_t(done) : 0;
    return done >= 0;
}

int CloseHandle(Hfile file) {
    return close(Descriptor(file)) == 0;
}

long RegOpenKeyExA(Hkey, const char*, uint32_t, uint32_t, Hkey* result) {
    *result = nullptr;
    return ErrorFileNotFound;
}

long RegCreateKeyExA(Hkey, const char*, uint32_t, uint32_t, Hkey* result) {
    *result = nullptr;
    return ErrorFileNotFound;
}

long RegQueryValueExA(Hkey, const char*, uint32_t*, uint8_t*, uint32_t*) {
    return ErrorFileNotFound;
}

long RegSetValueExA(Hkey, const char*, uint32_t, const uint8_t*, uint32_t) {
    return ErrorFileNotFound;
}

long RegCloseKey(Hkey) {
    return ErrorSuccess;
}

} // namespace os
