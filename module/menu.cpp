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

} // namespace

void AddModuleMenu(const ModuleSettings& settings, os::Hwnd mainWindow) {
    // The host's menu is looked up first: a popup that could not be placed
    // would belong to no menu and never be freed.
    if (!mainWindow) return;
    os::Hmenu bar = os::GetMenu(mainWindow);
    os::Hmenu hostMenu = bar ? os::GetSubMenu(bar, host::HostMenuPosition) : nullptr;
    if (!hostMenu) return;
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
    os::AppendMenuA(hostMenu, os::MenuPopup, reinterpret_cast<uintptr_t>(popup), ModuleMenuCaption);
}

} // namespace addon
