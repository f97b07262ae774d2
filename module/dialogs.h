// The module's two dialogs: the configuration dialog and the About box.
#pragma once

#include "module/module.h"
#include "platform/os.h"

#include <cstdint>

namespace addon {

// Edit boxes are read as at most 31 characters.
constexpr int DialogTextCapacity = 32;

// Modal; return when the dialog closes. The dialog procedures work on the
// module record they are opened with. While a module dialog is open, either
// only brings that one to the front.
void OpenConfigurationDialog(ModuleState& module, os::Hwnd owner);
void OpenAboutBox(ModuleState& module, os::Hwnd owner);

// The dialog procedures behind them.
os::Long OV_CALLBACK ConfigurationDialogProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                             os::Long lParam);
os::Long OV_CALLBACK AboutBoxProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                  os::Long lParam);

} // namespace addon
