// The module's menu in the host's menu bar.
#pragma once

#include "module/settings.h"
#include "pilot/key_bindings.h"
#include "platform/os.h"

#include <cstdint>

namespace addon {

constexpr char ModuleMenuCaption[] = "Orbi&vuePro";

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

} // namespace addon
