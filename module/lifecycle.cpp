#include "module/lifecycle.h"

#include "host/contract.h"
#include "module/menu.h"
#include "module/pilot_view.h"
#include "module/router.h"
#include "pilot/pilot_input.h"

namespace addon {

// Constant-initialised: the loader maps its load-time values, no constructor runs.
constinit ModuleState Module{};

namespace {

void InstallHooks(HostLink& host) {
    // Hooks on this thread only, registered to the host's executable.
    os::Hinstance executable = os::GetModuleHandleA(nullptr);
    host.CallWndHook = os::SetWindowsHookExA(os::HookCallWndProc, &CallWndProcHookProc, executable,
                                             host.UiThreadId);
    host.GetMessageHook =
        os::SetWindowsHookExA(os::HookGetMessage, &GetMessageHookProc, executable, host.UiThreadId);
    if (!host.CallWndHook) os::MessageBoxA(nullptr, HookFailedText, nullptr, os::MbOk);
    if (!host.GetMessageHook) os::MessageBoxA(nullptr, HookFailedText, nullptr, os::MbOk);
}

// The "Keyboard" section of the key binding file, read in chunks through the
// loader; a file that cannot be opened leaves the table as it is, and a read
// error ends the file where it stands: what was read is kept.
KeyBindingLoad LoadKeyBindingFile(const char* path, pilot::KeyBindingTable& table) {
    pilot::BindingLoader loader;
    pilot::BeginBindings(loader, KeyBindingSection, table, nullptr);
    BindingFileRead read = ReadKeyBindingFile(path, loader);
    return {read, loader.SectionsOpened > 0, table.Count};
}

// A hook left behind would call into the library after it is gone, at the
// host's next message: one more try before giving up on it.
void RemoveHook(os::Hhook& hook) {
    if (!hook) return;
    if (os::UnhookWindowsHookEx(hook) || os::UnhookWindowsHookEx(hook)) hook = nullptr;
}

} // namespace

int ModuleAttach(ModuleState& module) {
    HostLink& host = module.Host;
    FindHostFolder(host.HostFolder, sizeof host.HostFolder);
    LoadSettings(module.Settings);
    host.MainWindow = os::FindWindowA(host::MainWindowClass, nullptr);
    if (!host.MainWindow) os::MessageBoxA(nullptr, WindowNotFoundText, nullptr, os::MbOk);
    host.UiThreadId = os::GetCurrentThreadId();
    InstallHooks(host);
    module.Pilot = PilotView{};
    FormKeyBindingPath(host.KeyBindingPath, sizeof host.KeyBindingPath, host.HostFolder);
    host.KeyBindings = LoadKeyBindingFile(host.KeyBindingPath, module.Bindings);
    module.Input.BindsSwitches = pilot::BindsSwitches(module.Bindings);
    return 1;
}

void ModuleDetach(ModuleState& module) {
    // What the module took of the host goes back before the library goes:
    // the walk's view record, and its popup in the host's menu.
    EndWalk(module);
    RemoveModuleMenu(module.Ui.MenuPopup, module.Host.MainWindow);
    SaveSettings(module.Settings);
    RemoveHook(module.Host.CallWndHook);
    RemoveHook(module.Host.GetMessageHook);
}

} // namespace addon
