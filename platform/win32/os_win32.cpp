// The OS seam in the DLL: a thin pass-through to Windows, no logic.
#include "platform/os.h"

#include <windows.h>

#include <cstddef>

static_assert(sizeof(os::SentMessage) == sizeof(CWPSTRUCT));
static_assert(offsetof(os::SentMessage, LParam) == offsetof(CWPSTRUCT, lParam));
static_assert(offsetof(os::SentMessage, WParam) == offsetof(CWPSTRUCT, wParam));
static_assert(offsetof(os::SentMessage, Message) == offsetof(CWPSTRUCT, message));
static_assert(offsetof(os::SentMessage, Window) == offsetof(CWPSTRUCT, hwnd));
static_assert(sizeof(os::QueuedMessage) == sizeof(MSG));
static_assert(offsetof(os::QueuedMessage, Window) == offsetof(MSG, hwnd));
static_assert(offsetof(os::QueuedMessage, Message) == offsetof(MSG, message));
static_assert(offsetof(os::QueuedMessage, WParam) == offsetof(MSG, wParam));
static_assert(offsetof(os::QueuedMessage, LParam) == offsetof(MSG, lParam));
static_assert(sizeof(os::Point) == sizeof(POINT) && sizeof(os::Rect) == sizeof(RECT));

namespace {
HWND W(os::Hwnd h) {
    return reinterpret_cast<HWND>(h);
}
HMENU M(os::Hmenu h) {
    return reinterpret_cast<HMENU>(h);
}
HKEY K(os::Hkey h) {
    return reinterpret_cast<HKEY>(h);
}
HINSTANCE I(os::Hinstance h) {
    return reinterpret_cast<HINSTANCE>(h);
}
} // namespace

namespace os {

uint32_t timeGetTime() {
    return ::timeGetTime();
}
int16_t GetAsyncKeyState(int virtualKey) {
    return ::GetAsyncKeyState(virtualKey);
}
int GetCursorPos(Point* point) {
    return ::GetCursorPos(reinterpret_cast<POINT*>(point));
}
Hcursor LoadCursorA(Hinstance instance, uintptr_t cursorId) {
    return reinterpret_cast<Hcursor>(::LoadCursorA(I(instance), MAKEINTRESOURCEA(cursorId)));
}
Hcursor SetCursor(Hcursor cursor) {
    return reinterpret_cast<Hcursor>(::SetCursor(reinterpret_cast<HCURSOR>(cursor)));
}
Hwnd SetCapture(Hwnd window) {
    return reinterpret_cast<Hwnd>(::SetCapture(W(window)));
}
int ReleaseCapture() {
    return ::ReleaseCapture();
}

Hwnd FindWindowA(const char* className, const char* title) {
    return reinterpret_cast<Hwnd>(::FindWindowA(className, title));
}
int GetClassNameA(Hwnd window, char* name, int capacity) {
    return ::GetClassNameA(W(window), name, capacity);
}
int GetClientRect(Hwnd window, Rect* rect) {
    return ::GetClientRect(W(window), reinterpret_cast<RECT*>(rect));
}
int MessageBoxA(Hwnd owner, const char* text, const char* caption, uint32_t type) {
    return ::MessageBoxA(W(owner), text, caption, type);
}
Hinstance GetModuleHandleA(const char* name) {
    return reinterpret_cast<Hinstance>(::GetModuleHandleA(name));
}
int SetForegroundWindow(Hwnd window) {
    return ::SetForegroundWindow(W(window));
}
uint32_t GetCurrentThreadId() {
    return ::GetCurrentThreadId();
}

Hhook SetWindowsHookExA(int hookId, HookProc proc, Hinstance module, uint32_t threadId) {
    return reinterpret_cast<Hhook>(
        ::SetWindowsHookExA(hookId, reinterpret_cast<HOOKPROC>(proc), I(module), threadId));
}
Long CallNextHookEx(Hhook hook, int code, Word flag, Long record) {
    return ::CallNextHookEx(reinterpret_cast<HHOOK>(hook), code, flag, record);
}
int UnhookWindowsHookEx(Hhook hook) {
    return ::UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook));
}

Hmenu GetMenu(Hwnd window) {
    return reinterpret_cast<Hmenu>(::GetMenu(W(window)));
}
Hmenu GetSubMenu(Hmenu menu, int position) {
    return reinterpret_cast<Hmenu>(::GetSubMenu(M(menu), position));
}
Hmenu CreatePopupMenu() {
    return reinterpret_cast<Hmenu>(::CreatePopupMenu());
}
int AppendMenuA(Hmenu menu, uint32_t flags, uintptr_t idOrPopup, const char* text) {
    return ::AppendMenuA(M(menu), flags, idOrPopup, text);
}
int GetMenuItemCount(Hmenu menu) {
    return ::GetMenuItemCount(M(menu));
}
uint32_t GetMenuItemID(Hmenu menu, int position) {
    return ::GetMenuItemID(M(menu), position);
}
uint32_t GetMenuState(Hmenu menu, uint32_t item, uint32_t flags) {
    return ::GetMenuState(M(menu), item, flags);
}
int RemoveMenu(Hmenu menu, uint32_t item, uint32_t flags) {
    return ::RemoveMenu(M(menu), item, flags);
}
int DestroyMenu(Hmenu menu) {
    return ::DestroyMenu(M(menu));
}

Long DialogBoxParamA(Hinstance instance, uintptr_t templateId, Hwnd owner, DialogProc proc,
                     Long param) {
    return ::DialogBoxParamA(I(instance), MAKEINTRESOURCEA(templateId), W(owner),
                             reinterpret_cast<DLGPROC>(proc), param);
}
int EndDialog(Hwnd dialog, Long result) {
    return ::EndDialog(W(dialog), result);
}
Long SetWindowLongA(Hwnd window, int index, Long value) {
    return ::SetWindowLongA(W(window), index, value);
}
Long GetWindowLongA(Hwnd window, int index) {
    return ::GetWindowLongA(W(window), index);
}
int SetDlgItemTextA(Hwnd dialog, int itemId, const char* text) {
    return ::SetDlgItemTextA(W(dialog), itemId, text);
}
uint32_t GetDlgItemTextA(Hwnd dialog, int itemId, char* text, int capacity) {
    return ::GetDlgItemTextA(W(dialog), itemId, text, capacity);
}
int CheckDlgButton(Hwnd dialog, int buttonId, uint32_t check) {
    return ::CheckDlgButton(W(dialog), buttonId, check);
}
uint32_t IsDlgButtonChecked(Hwnd dialog, int buttonId) {
    return ::IsDlgButtonChecked(W(dialog), buttonId);
}

Hfile CreateFileA(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes) {
    return reinterpret_cast<Hfile>(
        ::CreateFileA(path, access, share, nullptr, disposition, attributes, nullptr));
}
int ReadFile(Hfile file, void* buffer, uint32_t size, uint32_t* read) {
    DWORD done = 0;
    BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &done, nullptr);
    *read = done;
    return ok;
}
int CloseHandle(Hfile file) {
    return ::CloseHandle(reinterpret_cast<HANDLE>(file));
}

long RegOpenKeyExA(Hkey root, const char* subKey, uint32_t options, uint32_t access, Hkey* result) {
    return ::RegOpenKeyExA(K(root), subKey, options, access, reinterpret_cast<HKEY*>(result));
}
long RegCreateKeyExA(Hkey root, const char* subKey, uint32_t options, uint32_t access,
                     Hkey* result) {
    char emptyClass[] = "";
    return ::RegCreateKeyExA(K(root), subKey, 0, emptyClass, options, access, nullptr,
                             reinterpret_cast<HKEY*>(result), nullptr);
}
long RegQueryValueExA(Hkey key, const char* valueName, uint32_t* type, uint8_t* data,
                      uint32_t* size) {
    return ::RegQueryValueExA(K(key), valueName, nullptr, reinterpret_cast<DWORD*>(type), data,
                              reinterpret_cast<DWORD*>(size));
}
long RegSetValueExA(Hkey key, const char* valueName, uint32_t type, const uint8_t* data,
                    uint32_t size) {
    return ::RegSetValueExA(K(key), valueName, 0, type, data, size);
}
long RegCloseKey(Hkey key) {
    return ::RegCloseKey(K(key));
}

} // namespace os
