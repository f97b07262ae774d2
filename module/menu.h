// The module's menu in the host's menu bar, and its two dialogs.
#pragma once

#include "platform/os.h"

#include <cstdint>

namespace addon {

constexpr char ModuleMenuCaption[] = "Orbi&vuePro";
constexpr int HostMenuPosition = 3; // the fourth entry of the host's menu bar

// Appends the "Orbi&vuePro" popup, built afresh, to the host's fourth menu.
void AddModuleMenu();

// Modal; return when the dialog closes.
void OpenConfigurationDialog(os::Hwnd owner);
void OpenAboutBox(os::Hwnd owner);

} // namespace addon
