#include "module/menu.h"

#include "host/contract.h"
#include "module/router.h"
#include "module/text.h"

#include <cstdio>
#include <cstring>

namespace addon {

namespace {

// One entry of the popup: a command, or a separator when Text is null. The
// check mark follows the flag, if there is one.
struct MenuEntry {
    const char* Text;
    uint16_t Id;
    int32_t ModuleSettings::*CheckedBy;
    pilot::CommandId Key; // the key command that does the same, shown after a tab
};
constexpr MenuEntry kEntries[] = {
    {"Activate Fly-by", CommandActivateFlyBy, &ModuleSettings::FlyByActive,
     pilot::CommandId::ToggleFlyBy},
    {"Internal pilot view", CommandInternalView, &ModuleSettings::InternalViewActive,
     pilot::CommandId::ToggleInternalView},
    {"External pilot view", CommandExternalView, &ModuleSettings::ExternalViewActive,
     pilot::CommandId::TogglePilot},
    {"Configure...", CommandConfigure, nullptr, pilot::CommandId::None},
    {nullptr, 0, nullptr, pilot::CommandId::None},
    {"About...", CommandAbout, nullptr, pilot::CommandId::None},
};

constexpr size_t kEntryTextCapacity = 96;

// The entry's text, with the first key bound to its command, if any.
void EntryText(const MenuEntry& e, const pilot::KeyBindingTable& bindings,
               char (&text)[kEntryTextCapacity]) {
    CopyText(text, sizeof text, e.Text);
    if (e.Key == pilot::CommandId::None) return;
    for (int32_t i = 0, count = pilot::BindingsInUse(bindings); i < count; ++i) {
        const pilot::KeyBinding& b = bindings.Entries[i];
        const pilot::KeyDisplayText key = pilot::DisplayKey(b);
        if (b.Id != e.Key || key.Text[0] == '\0') continue;
        // As Windows menus show their shortcuts: after a tab.
        size_t length = std::strlen(text);
        std::snprintf(text + length, sizeof text - length, "\t%s", key.Text);
        return;
    }
}

bool IsSeparator(os::Hmenu menu, int position) {
    uint32_t state = os::GetMenuState(menu, uint32_t(position), os::MenuByPosition);
    return state != os::MenuFailed && !os::GetSubMenu(menu, position) &&
           (state & os::MenuSeparator) != 0;
}

enum class Removal { Done, NotFound, Failed };

// One attempt at taking the popup out of the host's menu and destroying it.
// The popup is known by its handle and its first command, so that a host
// popup that got an old handle's value is never taken for it.
Removal TryRemovePopup(os::Hmenu hostMenu, os::Hmenu popup) {
    int count = os::GetMenuItemCount(hostMenu);
    if (count < 0) return Removal::Failed;
    for (int i = count - 1; i >= 0; --i) {
        if (os::GetSubMenu(hostMenu, i) != popup || os::GetMenuItemID(popup, 0) != kEntries[0].Id)
            continue;
        if (!os::RemoveMenu(hostMenu, uint32_t(i), os::MenuByPosition)) return Removal::Failed;
        if (i > 0 && IsSeparator(hostMenu, i - 1))
            os::RemoveMenu(hostMenu, uint32_t(i - 1), os::MenuByPosition);
        // Out of the menu it can no longer be found: destroyed now or never.
        return os::DestroyMenu(popup) || os::DestroyMenu(popup) ? Removal::Done : Removal::Failed;
    }
    return Removal::NotFound;
}

// A host that keeps its menu would show one more copy at every opening, and
// keep every old popup. One that rebuilt its menu destroyed the old popup
// with it: its handle is then no longer in the menu, and is forgotten. A call
// that fails on the way gets a second attempt, so that it neither leaves the
// popup behind nor hides it; previous stays set while it is still there.
void RemovePreviousPopup(os::Hmenu hostMenu, os::Hmenu& previous) {
    if (!previous) return;
    Removal first = TryRemovePopup(hostMenu, previous);
    if (first == Removal::Done) {
        previous = nullptr;
        return;
    }
    Removal second = TryRemovePopup(hostMenu, previous);
    if (second == Removal::Done || (first == Removal::NotFound && second == Removal::NotFound))
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
    if (!popup) return;
    // The last chance: a popup left in the host's menu would outlive the library.
    os::Hmenu hostMenu = HostMenu(mainWindow);
    if (!hostMenu) hostMenu = HostMenu(mainWindow);
    if (hostMenu) RemovePreviousPopup(hostMenu, popup);
    popup = nullptr;
}

void AddModuleMenu(const ModuleSettings& settings, const pilot::KeyBindingTable& bindings,
                   os::Hmenu& modulePopup, os::Hwnd mainWindow) {
    // The host's menu is looked up first: a popup that could not be placed
    // would belong to no menu and never be freed.
    os::Hmenu hostMenu = HostMenu(mainWindow);
    if (!hostMenu) return;
    RemovePreviousPopup(hostMenu, modulePopup);
    if (modulePopup) return; // still there: shown as it is rather than twice
    os::Hmenu popup = os::CreatePopupMenu();
    if (!popup) return;

    // A popup without all its entries (without the first it would not be
    // known again) is not shown; the next opening builds it afresh.
    bool whole = true;
    for (const MenuEntry& e : kEntries) {
        if (!e.Text) {
            whole = os::AppendMenuA(popup, os::MenuSeparator, 0, nullptr) && whole;
            continue;
        }
        bool checked = e.CheckedBy && settings.*e.CheckedBy != 0;
        char text[kEntryTextCapacity];
        EntryText(e, bindings, text);
        whole =
            os::AppendMenuA(popup, os::MenuString | (checked ? os::MenuChecked : 0), e.Id, text) &&
            whole;
    }
    if (whole) os::AppendMenuA(hostMenu, os::MenuSeparator, 0, nullptr);
    if (whole && os::AppendMenuA(hostMenu, os::MenuPopup, reinterpret_cast<uintptr_t>(popup),
                                 ModuleMenuCaption))
        modulePopup = popup;
    else if (!os::DestroyMenu(popup)) // belongs to no menu: one more try
        os::DestroyMenu(popup);
}

} // namespace addon
