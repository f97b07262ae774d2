// The library as the host and Windows see it: the entry point and the two
// exported records. Everything with logic in it lives in the portable files.
#include "module/host.h"
#include "module/lifecycle.h"

#include <windows.h>

namespace {
// The host's own start and stop calls: all work is tied to load and unload.
void ModuleStart() {}
void ModuleStop() {}
} // namespace

struct ModuleLinkage {
    uint32_t Version;
    void (*Start)();
    void (*Stop)();
    uint32_t Reserved1;
    uint32_t Reserved2;
    uint32_t Flags;
    uint32_t Reserved3;
};
static_assert(sizeof(ModuleLinkage) == 28);

extern "C" ModuleLinkage Linkage;
ModuleLinkage Linkage = {0x13, &ModuleStart, &ModuleStop, 0, 0, 0x800, 0};

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        addon::ModuleInstance = reinterpret_cast<os::Hinstance>(instance);
        DisableThreadLibraryCalls(instance);
        addon::ModuleAttach();
    } else if (reason == DLL_PROCESS_DETACH) {
        addon::ModuleDetach();
    }
    return TRUE;
}
