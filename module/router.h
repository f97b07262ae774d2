// The two message hooks and the router behind them: every entry into the
// module after start-up arrives here, on the host's user-interface thread.
// The router turns keyboard and mouse messages into the pilot view's input
// events, so nothing below it decodes a window message.
#pragma once

#include "module/module.h"
#include "pilot/pilot_input.h"
#include "platform/os.h"

#include <cstdint>

namespace addon {

// Menu command ids (low 16 bits of WM_COMMAND's first parameter).
constexpr uint16_t CommandActivateFlyBy = 0x7800;
constexpr uint16_t CommandConfigure = 0x7801;
constexpr uint16_t CommandInternalView = 0x7802;
constexpr uint16_t CommandExternalView = 0x7803;
constexpr uint16_t CommandAbout = 0x7804;

os::Long OV_CALLBACK CallWndProcHookProc(int code, os::Word flag, os::Long record);
os::Long OV_CALLBACK GetMessageHookProc(int code, os::Word flag, os::Long record);

// What the hooks do with a message the module has seen.
constexpr int MessageForHost = 0;  // the host handles it as usual
constexpr int MessageConsumed = 1; // blanked: the host must not act on it
// A key release the host gets as the release of no key (code 0): Alt let go
// after an Alt binding ran. The host's window then forgets that Alt went down
// alone (blanking it would leave that in its memory, so that the next lone
// Alt would open no menu) and opens no menu now.
constexpr int MessageAsNoKey = 2;

int DispatchHostMessage(ModuleState& module, os::Hwnd window, uint32_t message, os::Word first,
                        os::Long second);

// True for the keyboard and mouse messages that the pilot view takes.
bool IsPilotInputMessage(uint32_t message);

// The pilot view's event for a pilot input message, when the window is one
// whose input the pilot view takes; reads the window's class name and, for
// keys and buttons, the modifiers held now.
bool MakeInputEvent(os::Hwnd window, uint32_t message, os::Word first, os::Long second,
                    pilot::InputEvent& event);

} // namespace addon
