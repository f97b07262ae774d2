// The OS seam: exactly the Windows services the module uses, named after the
// Windows functions they stand for. The DLL passes them straight through to
// Windows (platform/win32); the native build answers them from a scriptable,
// observable simulation (platform/sim). Nothing else in the system includes
// <windows.h>.
#pragma once

#include <cstdint>

// Hook and dialog procedures are called by Windows with its callback calling
// convention; natively there is only one convention.
#if defined(_WIN32) && defined(__i386__)
#define OV_CALLBACK __attribute__((stdcall))
#else
#define OV_CALLBACK
#endif

namespace os {

// Opaque handles; only ever compared, stored and handed back.
using Hwnd = struct HwndTag*;
using Hmenu = struct HmenuTag*;
using Hhook = struct HhookTag*;
using Hkey = struct HkeyTag*;
using Hinstance = struct HinstanceTag*;
using Hfile = struct HfileTag*; // HANDLE of an open file
using Hcursor = struct HcursorTag*;

using Word = uintptr_t; // WPARAM
using Long = intptr_t;  // LPARAM, LRESULT, INT_PTR

struct Point {
    int32_t X, Y;
};

struct Rect {
    int32_t Left, Top, Right, Bottom;
};

// The system's record of a message sent to a window (CWPSTRUCT), field for field.
struct SentMessage {
    Long LParam;
    Word WParam;
    uint32_t Message;
    Hwnd Window;
};

// The system's record of a queued message (MSG), field for field.
struct QueuedMessage {
    Hwnd Window;
    uint32_t Message;
    Word WParam;
    Long LParam;
    uint32_t Time;
    Point Pt;
};

using HookProc = Long(OV_CALLBACK*)(int code, Word flag, Long record);
using DialogProc = Long(OV_CALLBACK*)(Hwnd dialog, uint32_t message, Word wParam, Long lParam);

// ---- Window messages and constants (Windows' values) ----------------------

constexpr uint32_t MsgInitDialog = 0x0110;
constexpr uint32_t MsgCommand = 0x0111;
constexpr uint32_t MsgInitMenu = 0x0116;
constexpr uint32_t MsgClose = 0x0010;
constexpr uint32_t MsgKeyDown = 0x0100;
constexpr uint32_t MsgKeyUp = 0x0101;
constexpr uint32_t MsgSysKeyDown = 0x0104; // a key with Alt held, or F10
constexpr uint32_t MsgSysKeyUp = 0x0105;
constexpr uint32_t MsgActivate = 0x0006;    // low word of the first parameter: 0 inactive
constexpr uint32_t MsgActivateApp = 0x001C; // first parameter 0: another program's turn
constexpr uint32_t MsgMouseMove = 0x0200;
constexpr uint32_t MsgLButtonDown = 0x0201;
constexpr uint32_t MsgLButtonUp = 0x0202;
constexpr uint32_t MsgRButtonDown = 0x0204;
constexpr uint32_t MsgRButtonUp = 0x0205;
constexpr uint32_t MsgMButtonDown = 0x0207;
constexpr uint32_t MsgMButtonUp = 0x0208;
constexpr uint32_t MsgMouseWheel = 0x020A;

constexpr int HookCallWndProc = 4; // WH_CALLWNDPROC
constexpr int HookGetMessage = 3;  // WH_GETMESSAGE
constexpr int HookActionCode = 0;  // HC_ACTION
constexpr Word PeekRemove = 1;     // PM_REMOVE, as the get-message hook's flag

constexpr uint32_t MbOk = 0x0;

constexpr uint32_t MenuString = 0x0000;     // MF_STRING
constexpr uint32_t MenuChecked = 0x0008;    // MF_CHECKED
constexpr uint32_t MenuPopup = 0x0010;      // MF_POPUP
constexpr uint32_t MenuByPosition = 0x0400; // MF_BYPOSITION
constexpr uint32_t MenuSeparator = 0x0800;  // MF_SEPARATOR
constexpr uint32_t MenuFailed = 0xFFFFFFFF; // GetMenuState, GetMenuItemID: no such item

constexpr uint32_t ButtonUnchecked = 0; // BST_UNCHECKED
constexpr uint32_t ButtonChecked = 1;   // BST_CHECKED

constexpr uintptr_t CursorArrow = 32512; // IDC_ARROW
constexpr uintptr_t CursorHand = 32649;  // IDC_HAND

constexpr int VkShift = 0x10;
constexpr int VkControl = 0x11;
constexpr int VkMenu = 0x12;

constexpr long ErrorSuccess = 0;
constexpr long ErrorFileNotFound = 2;             // ERROR_FILE_NOT_FOUND
constexpr long ErrorMoreData = 234;               // ERROR_MORE_DATA
constexpr uint32_t KeyQueryValue = 0x0001;        // KEY_QUERY_VALUE
constexpr uint32_t KeySetValue = 0x0002;          // KEY_SET_VALUE
constexpr uint32_t KeyRead = 0x20019;             // KEY_READ
constexpr uint32_t KeyWrite = 0x20006;            // KEY_WRITE
constexpr uint32_t RegOptionNonVolatile = 0;      // REG_OPTION_NON_VOLATILE
constexpr uint32_t RegSz = 1;                     // REG_SZ
constexpr uint32_t RegExpandSz = 2;               // REG_EXPAND_SZ
constexpr uint32_t RegDword = 4;                  // REG_DWORD (little-endian, as x86 keeps it)
constexpr uintptr_t LocalMachineKey = 0x80000002; // HKEY_LOCAL_MACHINE

inline Hkey HkeyLocalMachine() {
    return reinterpret_cast<Hkey>(LocalMachineKey);
}

// ---- Time, input, cursor, capture ---------------------------------------------------

uint32_t timeGetTime();
int16_t GetAsyncKeyState(int virtualKey);
int GetCursorPos(Point* point);
Hcursor LoadCursorA(Hinstance instance, uintptr_t cursorId);
Hcursor SetCursor(Hcursor cursor);
Hwnd SetCapture(Hwnd window);
int ReleaseCapture();

// ---- Windows, threads, modules ---------------------------------------------

Hwnd FindWindowA(const char* className, const char* title);
int GetClassNameA(Hwnd window, char* name, int capacity);
int GetClientRect(Hwnd window, Rect* rect);
int MessageBoxA(Hwnd owner, const char* text, const char* caption, uint32_t type);
Hinstance GetModuleHandleA(const char* name);
int SetForegroundWindow(Hwnd window);
uint32_t GetCurrentThreadId();

// ---- Message hooks ---------------------------------------------------------

Hhook SetWindowsHookExA(int hookId, HookProc proc, Hinstance module, uint32_t threadId);
Long CallNextHookEx(Hhook hook, int code, Word flag, Long record);
int UnhookWindowsHookEx(Hhook hook);

// ---- Menus -----------------------------------------------------------------

Hmenu GetMenu(Hwnd window);
Hmenu GetSubMenu(Hmenu menu, int position);
Hmenu CreatePopupMenu();
int AppendMenuA(Hmenu menu, uint32_t flags, uintptr_t idOrPopup, const char* text);
int GetMenuItemCount(Hmenu menu);
uint32_t GetMenuItemID(Hmenu menu, int position);
uint32_t GetMenuState(Hmenu menu, uint32_t item, uint32_t flags);
int RemoveMenu(Hmenu menu, uint32_t item, uint32_t flags);
int DestroyMenu(Hmenu menu);

// ---- Modal dialogs ---------------------------------------------------------

Long DialogBoxParamA(Hinstance instance, uintptr_t templateId, Hwnd owner, DialogProc proc,
                     Long param);
int EndDialog(Hwnd dialog, Long result);
// A dialog's own word (DWL_USER): where its procedure keeps what it was opened with.
constexpr int DialogUserData = 8;
Long SetWindowLongA(Hwnd window, int index, Long value);
Long GetWindowLongA(Hwnd window, int index);
int SetDlgItemTextA(Hwnd dialog, int itemId, const char* text);
uint32_t GetDlgItemTextA(Hwnd dialog, int itemId, char* text, int capacity);
int CheckDlgButton(Hwnd dialog, int buttonId, uint32_t check);
uint32_t IsDlgButtonChecked(Hwnd dialog, int buttonId);

// ---- Files -----------------------------------------------------------------

constexpr uint32_t GenericRead = 0x80000000; // GENERIC_READ
constexpr uint32_t FileShareRead = 0x1;      // FILE_SHARE_READ
constexpr uint32_t FileShareWrite = 0x2;     // FILE_SHARE_WRITE
constexpr uint32_t OpenExisting = 3;         // OPEN_EXISTING
constexpr uint32_t FileAttributeNormal = 0x80;
inline Hfile InvalidFile() {
    return reinterpret_cast<Hfile>(intptr_t(-1)); // INVALID_HANDLE_VALUE
}

Hfile CreateFileA(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t attributes);
int ReadFile(Hfile file, void* buffer, uint32_t size, uint32_t* read);
int CloseHandle(Hfile file);

// ---- Registry --------------------------------------------------------------

long RegOpenKeyExA(Hkey root, const char* subKey, uint32_t options, uint32_t access, Hkey* result);
long RegCreateKeyExA(Hkey root, const char* subKey, uint32_t options, uint32_t access,
                     Hkey* result);
long RegQueryValueExA(Hkey key, const char* valueName, uint32_t* type, uint8_t* data,
                      uint32_t* size);
long RegSetValueExA(Hkey key, const char* valueName, uint32_t type, const uint8_t* data,
                    uint32_t size);
long RegCloseKey(Hkey key);

} // namespace os
