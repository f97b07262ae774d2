#include "module/menu.h"

namespace addon {

// The menu and the dialogs are not built yet: their commands do nothing.
void AddModuleMenu() {}
void OpenConfigurationDialog(os::Hwnd) {}
void OpenAboutBox(os::Hwnd) {}

} // namespace addon
