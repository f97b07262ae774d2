#include "module/menu.h"

#include "host/contract.h"
#include "module/router.h"
#include "module/text.h"

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

// "Shift+Ctrl+Numpad 8": the modifiers, then the key's name as the binding
// file spells it, each word capitalised.
void AppendKeyText(char* text, size_t capacity, const pilot::KeyBinding& binding) {
    size_t length = std::strlen(text);
    auto append = [&](const char* part) {
        for (; *part != '\0' && length + 1 < capacity; ++part) text[length++] = *part;
        text[length] = '\0';
    };
    append("\t");
    if (binding.Modifiers & pilot::ModifierShift) append("Shift+");
    if (binding.Modifiers & pilot::ModifierControl) append("Ctrl+");
    if (binding.Modifiers & pilot::ModifierAlt) append("Alt+");
    pilot::KeyNameText name = pilot::NameKeyCode(binding.Code);
    bool wordStart = true;
    for (const char* c = name.Text; *c != '\0'; ++c) {
        char out = *c == '_' ? ' ' : *c;
        if (!wordStart && out >= 'A' && out <= 'Z') out = char(out - 'A' + 'a');
        wordStart = out == ' ';
        const char one[2] = {out, '\0'};
        append(one);
    }
}

// The entry's text, with the first key bound to its command, if any.
void EntryText(const MenuEntry& e, const pilot::KeyBindingTable& bindings,
               char (&text)[kEntryTextCapacity]) {
    CopyText(text, sizeof text, e.Text);
    if (e.Key == pilot::CommandId::None) return;
    int32_t count =
        bindings.Count < pilot::KeyBindingCapacity ? bindings.Count : pilot::KeyBindingCapacity;
    for (int32_t i = 0; i < count; ++i) {
        const pilot::KeyBinding& b = bindings.Entries[i];
        if (b.Id != e.Key || pilot::NameKeyCode(b.Code).Text[0] == '\0') continue;
        AppendKeyText(text, sizeof text, b);
        return;
    }
}

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

void AddModuleMenu(const ModuleSettings& settings, const pilot::KeyBindingTable& bindings,
                   os::Hmenu& modulePopup, os::Hwnd mainWindow) {
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
        char text[kEntryTextCapacity];
        EntryText(e, bindings, text);
        os::AppendMenuA(popup, os::MenuString | (checked ? os::MenuChecked : 0), e.Id, text);
    }
    os::AppendMenuA(hostMenu, os::MenuSeparator, 0, nullptr);
    if (os::AppendMenuA(hostMenu, os::MenuPopup, reinterpret_cast<uintptr_t>(popup),
                        ModuleMenuCaption))
        modulePopup = popup;
    else
        os::DestroyMenu(popup); // belongs to no menu
}

} // namespace addon
