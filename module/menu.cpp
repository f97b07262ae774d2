#include "module/menu.h"

#include "host/contract.h"
#include "module/router.h"

namespace addon {

namespace {

// One entry of the popup: a command, or a separator when Text is null. The
// check mark follows the flag, if there is one.
struct MenuEntry {
    const char* Text;
    uint16_t Id;
    int32_t ModuleSettings::*CheckedBy;
};
constexpr MenuEntry kEntries[] = {
    {"Activate Fly-by", CommandActivateFlyBy, &ModuleSettings::FlyByActive},
    {"Internal pilot view", CommandInternalView, &ModuleSettings::InternalViewActive},
    {"External pilot view", CommandExternalView, &ModuleSettings::ExternalViewActive},
    {"Configure...", CommandConfigure, nullptr},
    {nullptr, 0, nullptr},
    {"About...", CommandAbout, nullptr},
};

bool IsSeparator(os::Hmenu menu, int position) {
    uint32_t state = os::GetMenuState(menu, uint32_t(position), os::MenuByPosition);
    return state != os::MenuFailed && !os::GetSubMenu(menu, position) &&
           (state & os::MenuSeparator) != 0;
}

// A host that keeps its menu would show one more copy at every opening, and
// keep every old popup. One that rebuilt its menu destroyed the old popup
// with it: its handle is then no longer in the menu, and is left alone. The
// popup is known by its handle and its first command, so that a host popup
// that got the old handle's value is never taken for it.
void RemovePreviousPopup(os::Hmenu hostMenu, os::Hmenu& previous) {
    if (!previous) return;
    for (int i = os::GetMenuItemCount(hostMenu) - 1; i >= 0; --i) {
        if (os::GetSubMenu(hostMenu, i) != previous ||
            os::GetMenuItemID(previous, 0) != kEntries[0].Id)
            continue;
        os::RemoveMenu(hostMenu, uint32_t(i), os::MenuByPosition);
        if (i > 0 && IsSeparator(hostMenu, i - 1))
            os::RemoveMenu(hostMenu, uint32_t(i - 1), os::MenuByPosition);
        os::DestroyMenu(previous);
        break;
    }
    previous = nullptr;
}

// The host's fourth menu, where the module's popup goes; null when there is none.
os::Hmenu HostMenu(os::Hwnd mainWindow) {
    if (!mainWindow) return nullptr;
    os::Hmenu bar = os::GetMenu(mainWindow);
    return bar ? os::GetSubMenu(bar, host::HostMenuPosition) : nullptr;
}

} // namespace

void RemoveModuleMenu(os::Hmenu& popup, os::Hwnd mainWindow) {
    if (os::Hmenu hostMenu = HostMenu(mainWindow)) RemovePreviousPopup(hostMenu, popup);
    popup = nullptr;
}

void AddModuleMenu(const ModuleSettings& settings, os::Hmenu& modulePopup, os::Hwnd mainWindow) {
    // The host's menu is looked up first: a popup that could not be placed
    // would belong to no menu and never be freed.
    os::Hmenu hostMenu = HostMenu(mainWindow);
    if (!hostMenu) return;
    RemovePreviousPopup(hostMenu, modulePopup);
    os::Hmenu popup = os::CreatePopupMenu();
    if (!popup) return;

    for (const MenuEntry& e : kEntries) {
        if (!e.Text) {
            os::AppendMenuA(popup, os::MenuSeparator, 0, nullptr);
            continue;
        }
        bool checked = e.CheckedBy && settings.*e.CheckedBy != 0;
        os::AppendMenuA(popup, os::MenuString | (checked ? os::MenuChecked : 0), e.Id, e.Text);
    }
    os::AppendMenuA(hostMenu, os::MenuSeparator, 0, nullptr);
    if (os::AppendMenuA(hostMenu, os::MenuPopup, reinterpret_cast<uintptr_t>(popup),
                        ModuleMenuCaption))
        modulePopup = popup;
    else
        os::DestroyMenu(popup); // belongs to no menu
}

} // namespace addon
