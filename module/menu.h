// The module's menu in the host's menu bar, and its two dialogs.
#pragma once

#include "module/settings.h"
#include "pilot/key_bindings.h"
#include "platform/os.h"

#include <cstdint>

namespace addon {

constexpr char ModuleMenuCaption[] = "Orbi&vuePro";

// Edit boxes are read as at most 31 characters.
constexpr int DialogTextCapacity = 32;

// Appends the "Orbi&vuePro" popup, built afresh, to the host's fourth menu,
// with check marks from settings. The popup appended last time (popup), and
// the separator before it, are taken out of that menu first if they are still
// there, and the old popup destroyed; popup then holds the new one.
// Each entry shows the first key bound to its command, after a tab, as
// Windows menus show their shortcuts.
void AddModuleMenu(const ModuleSettings& settings, const pilot::KeyBindingTable& bindings,
                   os::Hmenu& popup, os::Hwnd mainWindow);

// Takes the popup appended last (and the separator before it) out of the
// host's menu, if it is still there, and destroys it; popup is then null.
void RemoveModuleMenu(os::Hmenu& popup, os::Hwnd mainWindow);

// Modal; return when the dialog closes. The dialog procedures edit the
// module record's settings. While a module dialog is open, either only
// brings that one to the front.
void OpenConfigurationDialog(os::Hwnd owner);
void OpenAboutBox(os::Hwnd owner);

// The dialog procedures behind them.
os::Long OV_CALLBACK ConfigurationDialogProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                             os::Long lParam);
os::Long OV_CALLBACK AboutBoxProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                  os::Long lParam);

} // namespace addon
