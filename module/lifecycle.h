// Start-up and shut-down of the module, and its module-wide handles.
#pragma once

#include "platform/os.h"

#include <cstdint>

namespace addon {

constexpr char HostKeyPath[] = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";
constexpr char HostFolderValue[] = "EXE Path";
constexpr char DefaultHostFolder[] = "C:\\Program Files\\Microsoft Games\\FS2002";
constexpr char HostMainWindowClass[] = "FS98MAIN";
constexpr char KeyBindingFilePattern[] = "%s\\OrbivuePro.cfg";
constexpr char KeyBindingSection[] = "Keyboard";
constexpr char WindowNotFoundText[] = "FS window not found";
constexpr char HookFailedText[] = "Orbivue: Unable to set hook";

extern os::Hinstance ModuleInstance;
extern char HostFolder[256];
extern char KeyBindingPath[300];
extern os::Hwnd HostMainWindow;
extern uint32_t HostUiThreadId;
extern os::Hhook CallWndHook;
extern os::Hhook GetMessageHook;

// Always completes, whatever fails on the way; always 1.
int ModuleAttach();
void ModuleDetach();

// What loading the library does to the module's state: every module-wide
// record back to its load-time value. The native tests load afresh with it.
void ClearModuleState();

} // namespace addon
