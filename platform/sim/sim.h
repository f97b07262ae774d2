// The simulated platform of the native build: a machine that answers the OS
// seam and the host memory seam. Tests script it (clock, keys, cursor,
// windows, registry, host memory) and read back what the module did (message
// boxes, hooks, menus, dialogs, registry writes, host memory, faults).
#pragma once

#include "platform/hostmem.h"
#include "platform/os.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// A fresh machine: no windows, registry or host memory; clock and input at zero.
void Reset();

// Ordered log of the calls that change the world or show something, such as
// "SetWindowsHookExA 4", "MessageBoxA FS window not found", "UnhookWindowsHookEx 3".
const std::vector<std::string>& Calls();

// ---- Clock, input, cursor ---------------------------------------------------

void SetTime(uint32_t milliseconds);
void SetKeyDown(int virtualKey, bool down);
// Pressed and released again since GetAsyncKeyState last asked: up now, but
// the next call reports the press in its low bit.
void TapKey(int virtualKey);
int KeyStateReads(); // how many times GetAsyncKeyState was called
void SetCursorPos(int x, int y);
os::Hcursor CurrentCursor();
int CursorSets();                             // calls of SetCursor
os::Hcursor SystemCursor(uintptr_t cursorId); // the handle LoadCursorA gives for a system id
os::Hwnd CaptureWindow();
os::Hwnd ForegroundWindow(); // the last one brought to the front
void SetForegroundWindow(os::Hwnd window);

// ---- Windows, threads, modules ----------------------------------------------

os::Hwnd AddWindow(const char* className, int clientWidth = 800, int clientHeight = 600);
// A menu bar for the window with popups entries, each an empty popup menu.
os::Hmenu AddMenuBar(os::Hwnd window, int popups);
uint32_t UiThreadId();
os::Hinstance ExecutableHandle();

struct MessageBoxShown {
    os::Hwnd Owner;
    std::string Text;
    bool DefaultCaption; // no caption given
    uint32_t Type;
};
const std::vector<MessageBoxShown>& MessageBoxes();

// ---- Fault sweeps -------------------------------------------------------------

// The seam functions that Windows lets fail (those whose failure the module
// can see or suffer) fail as Windows reports it. Counting from now, from 1,
// the n-th call of any of them fails: once (Transient), or that call and
// every later call of the same function (Persistent: one service that stays
// broken while the rest of the session goes on). 0 switches it off.
enum class Failure { Transient, Persistent };
void FailCall(int n, Failure kind = Failure::Transient);
bool InjectedFailureHappened();
const std::string& FailedFunction(); // the function made to fail, "" while none has

// ---- Message hooks ----------------------------------------------------------

void FailHookInstall(int hookId);
struct InstalledHook {
    int Id;
    os::HookProc Proc;
    os::Hinstance Module;
    uint32_t ThreadId;
    bool Removed;
};
const std::vector<InstalledHook>& Hooks();
int NextHookCalls(); // calls of CallNextHookEx, the rest of the hook chain

// What the host would receive after the hooks ran: the (possibly blanked) message.
struct Delivered {
    os::Hwnd Window;
    uint32_t Message;
    os::Word WParam;
    bool Blanked() const { return Window == nullptr && Message == 0; }
};
// SendMessage to a window: runs the call-window hook with code 0 on a copy of
// the message; as in Windows the window gets the message whatever the hook did.
Delivered Send(os::Hwnd window, uint32_t message, os::Word wParam = 0, os::Long lParam = 0);
// Whether the hook blanked its copy of the last sent message (consumed it).
bool LastSentRecordBlanked();
// PeekMessage without removal: runs the get-message hook with flag 0.
Delivered Peek(os::Hwnd window, uint32_t message, os::Word wParam = 0, os::Long lParam = 0);
// GetMessage: runs the get-message hook with flag PM_REMOVE.
Delivered Get(os::Hwnd window, uint32_t message, os::Word wParam = 0, os::Long lParam = 0);
// Runs an installed hook with an arbitrary code (negative codes must pass through).
os::Long CallHook(int hookId, int code, os::Word flag, os::Long record);

// ---- Menus ------------------------------------------------------------------

struct MenuItem {
    uint32_t Flags;
    uintptr_t Id;
    std::string Text;
    os::Hmenu Popup; // for MF_POPUP items
};
std::vector<MenuItem> MenuItems(os::Hmenu menu);
bool MenuExists(os::Hmenu menu); // created and not destroyed
int MenusAlive();
os::Hmenu MenuBar(os::Hwnd window);

// ---- Modal dialogs ----------------------------------------------------------

// Called while a dialog is open, after its WM_INITDIALOG; it plays the user.
using DialogDriver = std::function<void(os::Hwnd dialog, uintptr_t templateId)>;
void SetDialogDriver(DialogDriver driver);
os::Long ClickButton(os::Hwnd dialog, int controlId); // WM_COMMAND to the dialog procedure
std::string ItemText(os::Hwnd dialog, int controlId);
void TypeText(os::Hwnd dialog, int controlId, const std::string& text);
bool IsChecked(os::Hwnd dialog, int controlId);
void SetChecked(os::Hwnd dialog, int controlId, bool checked);
bool DialogEnded(os::Hwnd dialog);
struct DialogShown {
    uintptr_t TemplateId;
    os::Hwnd Owner;
    os::Hinstance Instance;
    os::Long Result;
};
const std::vector<DialogShown>& Dialogs();

// ---- Files ------------------------------------------------------------------

void PutFile(const std::string& path, const std::string& bytes);
int OpenFiles(); // opened and not closed

// Another program holds the file open with this access (os::GenericRead,
// GenericWrite) and sharing (os::FileShareRead, FileShareWrite,
// FileShareDelete): opening it succeeds only where both sides' access and
// sharing agree, as in Windows.
constexpr uint32_t GenericWrite = 0x40000000; // GENERIC_WRITE
constexpr uint32_t FileShareDelete = 0x4;     // FILE_SHARE_DELETE
void HoldFile(const std::string& path, uint32_t access, uint32_t share);

// ---- Registry (HKEY_LOCAL_MACHINE) ------------------------------------------

void RegPutText(const std::string& keyPath, const std::string& name, const std::string& text);
void RegPutBytes(const std::string& keyPath, const std::string& name, uint32_t type,
                 const std::vector<uint8_t>& bytes);
bool RegHasKey(const std::string& keyPath);
std::optional<std::string> RegText(const std::string& keyPath, const std::string& name);
int RegValueCount(const std::string& keyPath);
std::vector<std::string> RegValueNames(const std::string& keyPath); // in order of first write
void RegDenyOpen(const std::string& keyPath);                       // opening is refused
// Opening or creating it with any right beyond KEY_READ is refused; a handle
// is refused the queries and writes its rights do not cover.
void RegMakeReadOnly(const std::string& keyPath);
void RegFailWrite(const std::string& name); // setting this value fails
int RegOpenHandles();                       // keys opened or created and not closed

// ---- Host memory ------------------------------------------------------------

void MapHost(hostmem::Addr base, uint32_t size, bool writable = true);
void UnmapHost(hostmem::Addr base);
// Direct view of mapped host memory for the test; the range must be mapped.
uint8_t* HostBytes(hostmem::Addr address, uint32_t size);
template <class T> T PeekHost(hostmem::Addr address) {
    T value;
    std::memcpy(&value, HostBytes(address, sizeof value), sizeof value);
    return value;
}
template <class T> void PokeHost(hostmem::Addr address, const T& value) {
    std::memcpy(HostBytes(address, sizeof value), &value, sizeof value);
}
// A host function at address: called by hostmem::CallStdcall1.
void MapHostFunction(hostmem::Addr address, std::function<void(void*)> function);
// Takes the pages holding [address, address + size) away from the module, or
// leaves them only readable, inside whatever region maps them (as
// VirtualProtect would); the test's own view (HostBytes, PeekHost) still
// reaches them.
enum class PageAccess { None, ReadOnly };
void ProtectHostPages(hostmem::Addr address, uint32_t size, PageAccess access);
// Called with every read and write of host memory through the seam, faults
// included (not with readability checks); empty switches it off.
using HostAccessHook = std::function<void(hostmem::Addr address, uint32_t size, bool write)>;
void SetHostAccessHook(HostAccessHook hook);
int HostFaults();
std::string LastHostFault();
int HostReadableChecks(); // calls of hostmem::IsReadable

} // namespace sim
