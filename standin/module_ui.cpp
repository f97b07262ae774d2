// The module's menu and dialogs as a user meets them, read and driven from
// the script thread while the UI thread owns them.
#include "standin/standin.h"

#include <cstring>

namespace standin {

namespace {

constexpr char kPopupCaption[] = "Orbi&vuePro";
constexpr int kHostMenuWithPopup = 3; // the fourth entry of the menu bar

bool IsSeparator(HMENU menu, int position) {
    UINT state = GetMenuState(menu, UINT(position), MF_BYPOSITION);
    return state != UINT(-1) && (state & MF_SEPARATOR);
}

} // namespace

ModuleMenu ReadModuleMenu() {
    ModuleMenu found;
    HMENU bar = MainWindow ? GetMenu(MainWindow) : nullptr;
    HMENU host = bar ? GetSubMenu(bar, kHostMenuWithPopup) : nullptr;
    int count = host ? GetMenuItemCount(host) : 0;
    for (int i = 0; i < count; ++i) {
        found.Separators += IsSeparator(host, i);
        char text[64] = {};
        GetMenuStringA(host, UINT(i), text, sizeof text, MF_BYPOSITION);
        HMENU popup = GetSubMenu(host, i);
        if (!popup || std::strcmp(text, kPopupCaption) != 0) continue;
        ++found.Copies;
        if (i == 0 || !IsSeparator(host, i - 1)) found.EachAfterSeparator = false;
        found.AtEnd = i == count - 1;
        found.Last = popup;
    }
    return found;
}

MenuEntry ReadMenuEntry(HMENU popup, int position) {
    MenuEntry entry;
    UINT state = GetMenuState(popup, UINT(position), MF_BYPOSITION);
    if (state == UINT(-1)) return entry;
    char text[64] = {};
    GetMenuStringA(popup, UINT(position), text, sizeof text, MF_BYPOSITION);
    entry.Exists = true;
    entry.Text = text;
    entry.Id = GetMenuItemID(popup, position);
    entry.Separator = state & MF_SEPARATOR;
    entry.Checked = state & MF_CHECKED;
    entry.Greyed = state & (MF_GRAYED | MF_DISABLED);
    entry.Popup = GetSubMenu(popup, position) != nullptr;
    return entry;
}

HWND WaitForDialog(const char* title, DWORD milliseconds) {
    // The dialog exists once the command is taken; it shows when its loop idles.
    DWORD start = GetTickCount();
    do {
        HWND dialog = FindWindowA("#32770", title);
        if (dialog && IsWindowVisible(dialog)) return dialog;
        Sleep(10);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

bool WaitUntilGone(HWND window, DWORD milliseconds) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= milliseconds) return false;
        Sleep(10);
    }
    return true;
}

namespace {

struct LabelSearch {
    const char* Text;
    bool Found;
};

BOOL CALLBACK FindLabel(HWND child, LPARAM wanted) {
    auto* search = reinterpret_cast<LabelSearch*>(wanted);
    char cls[16] = {}, text[256] = {};
    GetClassNameA(child, cls, sizeof cls);
    GetWindowTextA(child, text, sizeof text);
    if (_stricmp(cls, "Static") == 0 && std::strstr(text, search->Text)) {
        search->Found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool DialogHasLabel(HWND dialog, const char* text) {
    LabelSearch search{text, false};
    EnumChildWindows(dialog, FindLabel, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

} // namespace standin
