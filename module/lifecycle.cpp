#include "module/lifecycle.h"

#include "camera/flyby.h"
#include "camera/frame_tick.h"
#include "module/dispatch.h"
#include "module/host.h"
#include "module/key_bindings.h"
#include "module/random.h"
#include "module/settings.h"
#include "module/text.h"
#include "pilot/pilot_state.h"

#include <cstdio>
#include <cstring>

namespace addon {

os::Hinstance ModuleInstance;
char HostFolder[256];
char KeyBindingPath[300];
os::Hwnd HostMainWindow;
uint32_t HostUiThreadId;
os::Hhook CallWndHook;
os::Hhook GetMessageHook;

namespace {

void FindHostFolder() {
    RegistryValue value{};
    value.Root = os::HkeyLocalMachine();
    CopyText(value.KeyPath, sizeof value.KeyPath, HostKeyPath);
    CopyText(value.ValueName, sizeof value.ValueName, HostFolderValue);
    const char* folder = ReadRegistryValue(value) ? value.Data : DefaultHostFolder;
    CopyText(HostFolder, sizeof HostFolder, folder);
}

void InstallHooks() {
    // Hooks on this thread only, registered to the host's executable.
    os::Hinstance host = os::GetModuleHandleA(nullptr);
    CallWndHook =
        os::SetWindowsHookExA(os::HookCallWndProc, &CallWndProcHookProc, host, HostUiThreadId);
    GetMessageHook =
        os::SetWindowsHookExA(os::HookGetMessage, &GetMessageHookProc, host, HostUiThreadId);
    if (!CallWndHook) os::MessageBoxA(nullptr, HookFailedText, nullptr, os::MbOk);
    if (!GetMessageHook) os::MessageBoxA(nullptr, HookFailedText, nullptr, os::MbOk);
}

} // namespace

int ModuleAttach() {
    FindHostFolder();
    LoadSettings();
    HostMainWindow = os::FindWindowA(HostMainWindowClass, nullptr);
    if (!HostMainWindow) os::MessageBoxA(nullptr, WindowNotFoundText, nullptr, os::MbOk);
    HostUiThreadId = os::GetCurrentThreadId();
    host::SetViewpointWords();
    InstallHooks();
    std::memset(&pilot::ViewState, 0, sizeof pilot::ViewState);
    std::snprintf(KeyBindingPath, sizeof KeyBindingPath, KeyBindingFilePattern, HostFolder);
    // Loading the "Keyboard" section of KeyBindingPath belongs here; it arrives
    // with the pilot view's input, until then the table stays empty.
    pilot::ViewState.Bindings = &KeyBindings;
    return 1;
}

void ModuleDetach() {
    SaveSettings();
    if (CallWndHook) os::UnhookWindowsHookEx(CallWndHook);
    if (GetMessageHook) os::UnhookWindowsHookEx(GetMessageHook);
}

void ClearModuleState() {
    ModuleInstance = nullptr;
    std::memset(HostFolder, 0, sizeof HostFolder);
    std::memset(KeyBindingPath, 0, sizeof KeyBindingPath);
    HostMainWindow = nullptr;
    HostUiThreadId = 0;
    CallWndHook = nullptr;
    GetMessageHook = nullptr;
    Settings = ModuleSettings{};
    host::EyeWords = host::ViewpointWords{};
    ImportTable[0] = {host::PanelsTableId, 0};
    ImportTable[1] = {0, 0};
    KeyBindings = KeyBindingTable{KeyBindingCapacity, 0, {}};
    pilot::ViewState = pilot::PilotViewState{};
    camera::PreviousFrameTime = 0;
    camera::FrameStep = 0.0f;
    camera::AircraftPosition = camera::GeoPosition{};
    camera::AircraftPitch = camera::AircraftHeading = camera::AircraftSpeed = 0.0;
    std::memset(camera::FlyByVars, 0, sizeof camera::FlyByVars);
    camera::FlyBy = camera::FlyByState{};
    RandState = RandStateAtLoad;
}

} // namespace addon
