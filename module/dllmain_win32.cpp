// The library as the host and Windows see it: the entry point and the two
// exported records. Everything with logic in it lives in the portable files.
#include "host/contract.h"
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
ModuleLinkage Linkage = {
    host::LinkageVersion, &ModuleStart, &ModuleStop, 0, 0, host::LinkageFlags, 0};

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        addon::Module.Host.Instance = reinterpret_cast<os::Hinstance>(instance);
        DisableThreadLibraryCalls(instance);
        addon::ModuleAttach(addon::Module);
    } else if (reason == DLL_PROCESS_DETACH) {
        addon::ModuleDetach(addon::Module);
    }
    return TRUE;
}
