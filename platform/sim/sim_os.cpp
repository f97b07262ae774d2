// The OS seam answered by a simulated machine (native build only).
#include "platform/sim/sim.h"
#include "platform/sim/sim_internal.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <utility>

namespace {

constexpr uint32_t kUiThread = 0x1234;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;

template <class H> H MakeHandle(uintptr_t space, size_t index) {
    return reinterpret_cast<H>(space + (index + 1) * 0x10);
}
template <class H> size_t HandleIndex(uintptr_t space, H handle) {
    uintptr_t v = reinterpret_cast<uintptr_t>(handle);
    if (v <= space || v >= space + 0x10000 || (v - space) % 0x10) return SIZE_MAX;
    return (v - space) / 0x10 - 1;
}
constexpr int KeyDown = 1, KeyTapped = 2; // a key's state in Machine::Keys

constexpr uintptr_t kWindows = 0x10000, kMenus = 0x20000, kHooks = 0x30000, kKeys = 0x40000,
                    kDialogs = 0x50000, kFiles = 0x60000, kCursors = 0x70000;

struct Window {
    std::string ClassName;
    int Width, Height;
    os::Hmenu Bar;
};

struct Dialog {
    uintptr_t TemplateId;
    os::DialogProc Proc;
    std::map<int, std::string> Texts;
    std::map<int, bool> Checks;
    bool Ended;
    os::Long Result;
    os::Long UserData;
};

struct RegValue {
    uint32_t Type;
    std::vector<uint8_t> Bytes;
};
struct RegKey {
    std::map<std::string, RegValue> Values; // by lower-case name
    std::vector<std::string> Order;         // names as first written
};

struct OpenKey {
    std::string Path; // lower case
    uint32_t Access;  // the rights it was opened with
};

struct Machine {
    std::vector<std::string> Calls;
    uint32_t Time = 0;
    std::map<int, int> Keys; // KeyDown | KeyTapped
    int KeyReads = 0;
    os::Point Cursor{};
    os::Hcursor CurrentCursor = nullptr;
    int CursorSets = 0;
    os::Hwnd Capture = nullptr;
    os::Hwnd Foreground = nullptr;
    std::vector<Window> Windows;
    std::vector<sim::MessageBoxShown> Boxes;
    std::vector<int> FailingHooks;
    std::vector<sim::InstalledHook> Hooks;
    int NextHookCalls = 0;
    bool LastSentRecordBlanked = false;
    int FailAt = 0;        // the failable call that fails, counted from 1; 0 none
    int FailableCalls = 0; // failable calls since FailAt was set
    sim::Failure FailureKind = sim::Failure::Transient;
    std::string FailedFunction; // "" until the chosen call has failed
    std::vector<std::vector<sim::MenuItem>> Menus;
    std::vector<bool> DestroyedMenus; // by menu index
    sim::DialogDriver Driver;
    std::vector<Dialog> Dialogs;
    std::vector<sim::DialogShown> DialogsShown;
    std::map<std::string, RegKey> Registry; // by lower-case path
    std::vector<std::string> DeniedKeys;
    std::vector<std::string> ReadOnlyKeys;
    std::vector<std::string> FailingWrites;
    std::vector<OpenKey> OpenKeys;            // by handle index; Path "" once closed
    std::map<std::string, std::string> Files; // by lower-case path
    struct OpenFile {
        std::string Bytes;
        size_t At;
        bool Open;
        std::string Path;
        uint32_t Access, Share;
    };
    std::vector<OpenFile> OpenFiles;
    std::vector<OpenFile> HeldElsewhere; // by other programs
};

// Whether an open with this access and sharing agrees with one already open.
bool SharingAgrees(const Machine::OpenFile& open, uint32_t access, uint32_t share) {
    auto allows = [](uint32_t sharing, uint32_t wanted) {
        return (!(wanted & os::GenericRead) || (sharing & os::FileShareRead)) &&
               (!(wanted & sim::GenericWrite) || (sharing & os::FileShareWrite));
    };
    return allows(open.Share, access) && allows(share, open.Access);
}

Machine& M() {
    static Machine machine;
    return machine;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Window* FindWindowOf(os::Hwnd h) {
    size_t i = HandleIndex(kWindows, h);
    return i < M().Windows.size() ? &M().Windows[i] : nullptr;
}
Dialog* FindDialog(os::Hwnd h) {
    size_t i = HandleIndex(kDialogs, h);
    return i < M().Dialogs.size() ? &M().Dialogs[i] : nullptr;
}
std::vector<sim::MenuItem>* FindMenu(os::Hmenu h) {
    size_t i = HandleIndex(kMenus, h);
    return i < M().Menus.size() && !M().DestroyedMenus[i] ? &M().Menus[i] : nullptr;
}
const OpenKey* FindOpenKey(os::Hkey h) {
    size_t i = HandleIndex(kKeys, h);
    if (i >= M().OpenKeys.size() || M().OpenKeys[i].Path.empty()) return nullptr;
    return &M().OpenKeys[i];
}
bool Listed(const std::vector<std::string>& list, const std::string& lowerPath) {
    return std::find(list.begin(), list.end(), lowerPath) != list.end();
}
// As a key's access list decides: refused outright, or refused any right beyond reading.
bool Denied(const std::string& lowerPath, uint32_t access) {
    if (Listed(M().DeniedKeys, lowerPath)) return true;
    return Listed(M().ReadOnlyKeys, lowerPath) && (access & ~os::KeyRead) != 0;
}
os::Hkey OpenHandle(const std::string& lowerPath, uint32_t access) {
    M().OpenKeys.push_back({lowerPath, access});
    return MakeHandle<os::Hkey>(kKeys, M().OpenKeys.size() - 1);
}
os::Hmenu NewMenu() {
    M().Menus.emplace_back();
    M().DestroyedMenus.push_back(false);
    return MakeHandle<os::Hmenu>(kMenus, M().Menus.size() - 1);
}
sim::InstalledHook* ActiveHook(int id) {
    auto& hooks = M().Hooks;
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it)
        if (it->Id == id && !it->Removed && it->ThreadId == kUiThread) return &*it;
    return nullptr;
}

// The fault sweep: true for the failable call chosen to fail and, when the
// failure persists, for every later call of the same function.
bool Fails(const char* function) {
    Machine& m = M();
    if (m.FailAt == 0) return false;
    bool chosen = ++m.FailableCalls == m.FailAt;
    bool persists = m.FailureKind == sim::Failure::Persistent && m.FailedFunction == function;
    if (!chosen && !persists) return false;
    m.FailedFunction = function;
    m.Calls.push_back(std::string("injected failure of ") + function);
    return true;
}

} // namespace

// ============================================================================
// The seam
// ============================================================================

namespace os {

uint32_t timeGetTime() {
    return M().Time;
}
int16_t GetAsyncKeyState(int virtualKey) {
    ++M().KeyReads;
    auto key = M().Keys.find(virtualKey); // no insertion: the module's side never allocates
    if (key == M().Keys.end()) return 0;
    // As Windows: the top bit while down, the low bit once after a press since the last call.
    int16_t state =
        int16_t((key->second & KeyDown ? 0x8000 : 0) | (key->second & KeyTapped ? 1 : 0));
    key->second &= ~KeyTapped;
    return state;
}
int GetCursorPos(Point* point) {
    if (Fails("GetCursorPos")) return 0;
    *point = M().Cursor;
    return 1;
}
Hcursor LoadCursorA(Hinstance instance, uintptr_t cursorId) {
    if (Fails("LoadCursorA")) return nullptr;
    return instance ? nullptr : sim::SystemCursor(cursorId);
}
Hcursor SetCursor(Hcursor cursor) {
    ++M().CursorSets;
    return std::exchange(M().CurrentCursor, cursor);
}
Hwnd SetCapture(Hwnd window) {
    return std::exchange(M().Capture, window);
}
int ReleaseCapture() {
    M().Capture = nullptr;
    return 1;
}

Hwnd FindWindowA(const char* className, const char*) {
    if (Fails("FindWindowA")) return nullptr;
    auto& w = M().Windows;
    for (size_t i = 0; i < w.size(); ++i)
        if (className && w[i].ClassName == className) return MakeHandle<Hwnd>(kWindows, i);
    return nullptr;
}
int GetClassNameA(Hwnd window, char* name, int capacity) {
    if (Fails("GetClassNameA")) return 0;
    const Window* w = FindWindowOf(window);
    if (!w || capacity <= 0) return 0;
    size_t n = std::min(w->ClassName.size(), size_t(capacity - 1));
    std::memcpy(name, w->ClassName.data(), n);
    name[n] = 0;
    return int(n);
}
int GetClientRect(Hwnd window, Rect* rect) {
    if (Fails("GetClientRect")) return 0;
    const Window* w = FindWindowOf(window);
    if (!w) return 0;
    *rect = Rect{0, 0, w->Width, w->Height};
    return 1;
}
int MessageBoxA(Hwnd owner, const char* text, const char* caption, uint32_t type) {
    if (Fails("MessageBoxA")) return 0;
    M().Boxes.push_back({owner, text ? text : "", caption == nullptr, type});
    M().Calls.push_back(std::string("MessageBoxA ") + (text ? text : ""));
    return 1; // IDOK
}
Hinstance GetModuleHandleA(const char* name) {
    if (Fails("GetModuleHandleA")) return nullptr;
    return name ? nullptr : sim::ExecutableHandle();
}
int SetForegroundWindow(Hwnd window) {
    if (Fails("SetForegroundWindow")) return 0;
    M().Foreground = window;
    M().Calls.push_back("SetForegroundWindow");
    return window ? 1 : 0;
}
uint32_t GetCurrentThreadId() {
    return kUiThread;
}

Hhook SetWindowsHookExA(int hookId, HookProc proc, Hinstance module, uint32_t threadId) {
    if (Fails("SetWindowsHookExA")) return nullptr;
    M().Calls.push_back("SetWindowsHookExA " + std::to_string(hookId));
    auto& failing = M().FailingHooks;
    if (std::find(failing.begin(), failing.end(), hookId) != failing.end()) return nullptr;
    M().Hooks.push_back({hookId, proc, module, threadId, false});
    return MakeHandle<Hhook>(kHooks, M().Hooks.size() - 1);
}
Long CallNextHookEx(Hhook, int, Word, Long) {
    ++M().NextHookCalls;
    return 0;
}
int UnhookWindowsHookEx(Hhook hook) {
    if (Fails("UnhookWindowsHookEx")) return 0;
    size_t i = HandleIndex(kHooks, hook);
    if (i >= M().Hooks.size() || M().Hooks[i].Removed) return 0;
    M().Hooks[i].Removed = true;
    M().Calls.push_back("UnhookWindowsHookEx " + std::to_string(M().Hooks[i].Id));
    return 1;
}

Hmenu GetMenu(Hwnd window) {
    if (Fails("GetMenu")) return nullptr;
    const Window* w = FindWindowOf(window);
    return w ? w->Bar : nullptr;
}
Hmenu GetSubMenu(Hmenu menu, int position) {
    if (Fails("GetSubMenu")) return nullptr;
    auto* items = FindMenu(menu);
    if (!items || position < 0 || size_t(position) >= items->size()) return nullptr;
    return (*items)[size_t(position)].Popup;
}
Hmenu CreatePopupMenu() {
    if (Fails("CreatePopupMenu")) return nullptr;
    return NewMenu();
}
int AppendMenuA(Hmenu menu, uint32_t flags, uintptr_t idOrPopup, const char* text) {
    if (Fails("AppendMenuA")) return 0;
    auto* items = FindMenu(menu);
    if (!items) {
        // Windows would fail quietly; tests want to see the attempt.
        M().Calls.push_back("AppendMenuA to no menu");
        return 0;
    }
    sim::MenuItem item{flags, 0, text && !(flags & MenuSeparator) ? text : "", nullptr};
    if (flags & MenuPopup)
        item.Popup = reinterpret_cast<Hmenu>(idOrPopup);
    else
        item.Id = idOrPopup;
    items->push_back(item);
    return 1;
}

int GetMenuItemCount(Hmenu menu) {
    if (Fails("GetMenuItemCount")) return -1;
    auto* items = FindMenu(menu);
    return items ? int(items->size()) : -1;
}
uint32_t GetMenuItemID(Hmenu menu, int position) {
    if (Fails("GetMenuItemID")) return MenuFailed;
    auto* items = FindMenu(menu);
    if (!items || position < 0 || size_t(position) >= items->size()) return MenuFailed;
    const sim::MenuItem& item = (*items)[size_t(position)];
    return item.Flags & MenuPopup ? MenuFailed : uint32_t(item.Id);
}
uint32_t GetMenuState(Hmenu menu, uint32_t item, uint32_t flags) {
    if (Fails("GetMenuState")) return MenuFailed;
    auto* items = FindMenu(menu);
    if (!items || !(flags & MenuByPosition) || item >= items->size()) return MenuFailed;
    const sim::MenuItem& entry = (*items)[item];
    // A popup's state has the number of its items in its second byte, as in Windows.
    uint32_t state = entry.Flags & ~MenuPopup & 0xFFFF;
    if (entry.Flags & MenuPopup) {
        auto* sub = FindMenu(entry.Popup);
        state = (entry.Flags & 0xFF) | uint32_t(sub ? sub->size() & 0xFF : 0) << 8;
    }
    return state;
}
int RemoveMenu(Hmenu menu, uint32_t item, uint32_t flags) {
    if (Fails("RemoveMenu")) return 0;
    auto* items = FindMenu(menu);
    if (!items || !(flags & MenuByPosition) || item >= items->size()) return 0;
    items->erase(items->begin() + item);
    M().Calls.push_back("RemoveMenu");
    return 1;
}
int DestroyMenu(Hmenu menu) {
    if (Fails("DestroyMenu")) return 0;
    auto* items = FindMenu(menu);
    if (!items) return 0;
    // With its popups, as Windows does.
    std::vector<sim::MenuItem> entries = *items;
    M().DestroyedMenus[HandleIndex(kMenus, menu)] = true;
    M().Calls.push_back("DestroyMenu");
    for (const sim::MenuItem& e : entries)
        if (e.Flags & MenuPopup) DestroyMenu(e.Popup);
    return 1;
}

Long DialogBoxParamA(Hinstance instance, uintptr_t templateId, Hwnd owner, DialogProc proc,
                     Long param) {
    if (Fails("DialogBoxParamA")) return -1; // no dialog was made
    M().Calls.push_back("DialogBoxParamA " + std::to_string(templateId));
    M().Dialogs.push_back({templateId, proc, {}, {}, false, 0, 0});
    Hwnd dialog = MakeHandle<Hwnd>(kDialogs, M().Dialogs.size() - 1);
    proc(dialog, MsgInitDialog, 0, param);
    if (M().Driver && !FindDialog(dialog)->Ended) M().Driver(dialog, templateId);
    Dialog* d = FindDialog(dialog);
    Long result = d->Ended ? d->Result : -1;
    if (!d->Ended) M().Calls.push_back("dialog left open");
    M().DialogsShown.push_back({templateId, owner, instance, result});
    return result;
}
int EndDialog(Hwnd dialog, Long result) {
    if (Fails("EndDialog")) return 0;
    Dialog* d = FindDialog(dialog);
    if (!d) return 0;
    d->Ended = true;
    d->Result = result;
    return 1;
}
Long SetWindowLongA(Hwnd window, int index, Long value) {
    if (Fails("SetWindowLongA")) return 0;
    Dialog* d = FindDialog(window);
    if (!d || index != DialogUserData) return 0; // only dialogs keep a word here
    Long previous = d->UserData;
    d->UserData = value;
    return previous;
}
Long GetWindowLongA(Hwnd window, int index) {
    if (Fails("GetWindowLongA")) return 0;
    Dialog* d = FindDialog(window);
    return d && index == DialogUserData ? d->UserData : 0;
}
int SetDlgItemTextA(Hwnd dialog, int itemId, const char* text) {
    if (Fails("SetDlgItemTextA")) return 0;
    Dialog* d = FindDialog(dialog);
    if (!d) return 0;
    d->Texts[itemId] = text ? text : "";
    return 1;
}
uint32_t GetDlgItemTextA(Hwnd dialog, int itemId, char* text, int capacity) {
    if (Fails("GetDlgItemTextA")) return 0;
    Dialog* d = FindDialog(dialog);
    if (!d || capacity <= 0) return 0;
    const std::string& s = d->Texts[itemId];
    size_t n = std::min(s.size(), size_t(capacity - 1));
    std::memcpy(text, s.data(), n);
    text[n] = 0;
    return uint32_t(n);
}
int CheckDlgButton(Hwnd dialog, int buttonId, uint32_t check) {
    if (Fails("CheckDlgButton")) return 0;
    Dialog* d = FindDialog(dialog);
    if (!d) return 0;
    d->Checks[buttonId] = check == ButtonChecked;
    return 1;
}
uint32_t IsDlgButtonChecked(Hwnd dialog, int buttonId) {
    Dialog* d = FindDialog(dialog);
    return d && d->Checks[buttonId] ? ButtonChecked : ButtonUnchecked;
}

Hfile CreateFileA(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t) {
    if (Fails("CreateFileA")) return InvalidFile();
    auto it = M().Files.find(Lower(path ? path : ""));
    if (it == M().Files.end() || access != GenericRead || disposition != OpenExisting)
        return InvalidFile();
    for (const auto* list : {&M().OpenFiles, &M().HeldElsewhere})
        for (const Machine::OpenFile& f : *list)
            if (f.Open && f.Path == it->first && !SharingAgrees(f, access, share))
                return InvalidFile(); // ERROR_SHARING_VIOLATION
    M().OpenFiles.push_back({it->second, 0, true, it->first, access, share});
    return MakeHandle<Hfile>(kFiles, M().OpenFiles.size() - 1);
}
int ReadFile(Hfile file, void* buffer, uint32_t size, uint32_t* read) {
    *read = 0;
    if (Fails("ReadFile")) return 0;
    size_t i = HandleIndex(kFiles, file);
    if (i >= M().OpenFiles.size() || !M().OpenFiles[i].Open) return 0;
    auto& f = M().OpenFiles[i];
    size_t n = std::min(size_t(size), f.Bytes.size() - f.At);
    if (n) std::memcpy(buffer, f.Bytes.data() + f.At, n);
    f.At += n;
    *read = uint32_t(n);
    return 1;
}
int CloseHandle(Hfile file) {
    size_t i = HandleIndex(kFiles, file);
    if (i >= M().OpenFiles.size() || !M().OpenFiles[i].Open) return 0;
    M().OpenFiles[i].Open = false;
    return 1;
}

long RegOpenKeyExA(Hkey root, const char* subKey, uint32_t, uint32_t access, Hkey* result) {
    *result = nullptr;
    if (Fails("RegOpenKeyExA")) return kErrorAccessDenied;
    std::string path = Lower(subKey ? subKey : "");
    if (root != HkeyLocalMachine()) return kErrorInvalidHandle;
    if (Denied(path, access)) return kErrorAccessDenied;
    if (!M().Registry.count(path)) return ErrorFileNotFound;
    *result = OpenHandle(path, access);
    return ErrorSuccess;
}
long RegCreateKeyExA(Hkey root, const char* subKey, uint32_t, uint32_t access, Hkey* result) {
    *result = nullptr;
    if (Fails("RegCreateKeyExA")) return kErrorAccessDenied;
    std::string path = Lower(subKey ? subKey : "");
    if (root != HkeyLocalMachine()) return kErrorInvalidHandle;
    if (Denied(path, access)) return kErrorAccessDenied;
    M().Registry[path];
    M().Calls.push_back("RegCreateKeyExA " + path);
    *result = OpenHandle(path, access);
    return ErrorSuccess;
}
long RegQueryValueExA(Hkey key, const char* valueName, uint32_t* type, uint8_t* data,
                      uint32_t* size) {
    if (Fails("RegQueryValueExA")) return kErrorAccessDenied;
    const OpenKey* open = FindOpenKey(key);
    if (!open) return kErrorInvalidHandle;
    if (!(open->Access & KeyQueryValue)) return kErrorAccessDenied;
    auto& values = M().Registry[open->Path].Values;
    auto it = values.find(Lower(valueName ? valueName : ""));
    if (it == values.end()) return ErrorFileNotFound;
    const RegValue& v = it->second;
    if (type) *type = v.Type;
    if (!data) {
        if (size) *size = uint32_t(v.Bytes.size());
        return ErrorSuccess;
    }
    if (!size) return kErrorInvalidHandle;
    if (*size < v.Bytes.size()) {
        *size = uint32_t(v.Bytes.size());
        return ErrorMoreData;
    }
    if (!v.Bytes.empty()) std::memcpy(data, v.Bytes.data(), v.Bytes.size());
    *size = uint32_t(v.Bytes.size());
    return ErrorSuccess;
}
long RegSetValueExA(Hkey key, const char* valueName, uint32_t type, const uint8_t* data,
                    uint32_t size) {
    if (Fails("RegSetValueExA")) return kErrorAccessDenied;
    const OpenKey* open = FindOpenKey(key);
    if (!open) return kErrorInvalidHandle;
    if (!(open->Access & KeySetValue)) return kErrorAccessDenied;
    std::string name = valueName ? valueName : "";
    auto& failing = M().FailingWrites;
    if (std::find(failing.begin(), failing.end(), name) != failing.end()) return kErrorAccessDenied;
    sim::RegPutBytes(open->Path, name, type, std::vector<uint8_t>(data, data + size));
    M().Calls.push_back("RegSetValueExA " + name);
    return ErrorSuccess;
}
long RegCloseKey(Hkey key) {
    size_t i = HandleIndex(kKeys, key);
    if (i >= M().OpenKeys.size() || M().OpenKeys[i].Path.empty()) return kErrorInvalidHandle;
    M().OpenKeys[i].Path.clear();
    return ErrorSuccess;
}

} // namespace os

// ============================================================================
// The test's side
// ============================================================================

namespace sim {

void Reset() {
    M() = Machine{};
    detail::ResetHostMemory();
}

const std::vector<std::string>& Calls() {
    return M().Calls;
}

void SetTime(uint32_t milliseconds) {
    M().Time = milliseconds;
}
void SetKeyDown(int virtualKey, bool down) {
    int& key = M().Keys[virtualKey];
    key = (down ? KeyDown | KeyTapped : 0) | (key & KeyTapped);
}
void TapKey(int virtualKey) {
    M().Keys[virtualKey] = KeyTapped;
}
int KeyStateReads() {
    return M().KeyReads;
}
void SetCursorPos(int x, int y) {
    M().Cursor = os::Point{x, y};
}
os::Hcursor CurrentCursor() {
    return M().CurrentCursor;
}
int CursorSets() {
    return M().CursorSets;
}
os::Hcursor SystemCursor(uintptr_t cursorId) {
    return reinterpret_cast<os::Hcursor>(kCursors + cursorId);
}
os::Hwnd CaptureWindow() {
    return M().Capture;
}
os::Hwnd ForegroundWindow() {
    return M().Foreground;
}
void SetForegroundWindow(os::Hwnd window) {
    M().Foreground = window;
}

os::Hwnd AddWindow(const char* className, int clientWidth, int clientHeight) {
    M().Windows.push_back({className, clientWidth, clientHeight, nullptr});
    return MakeHandle<os::Hwnd>(kWindows, M().Windows.size() - 1);
}
os::Hmenu AddMenuBar(os::Hwnd window, int popups) {
    // The host's own: never one of the failing calls of a fault sweep.
    os::Hmenu bar = NewMenu();
    for (int i = 0; i < popups; ++i) {
        os::Hmenu popup = NewMenu(); // before the bar's items are reached: they may move
        FindMenu(bar)->push_back({os::MenuPopup, 0, "Menu " + std::to_string(i), popup});
    }
    FindWindowOf(window)->Bar = bar;
    return bar;
}
uint32_t UiThreadId() {
    return kUiThread;
}
os::Hinstance ExecutableHandle() {
    return reinterpret_cast<os::Hinstance>(uintptr_t(0x400000));
}
const std::vector<MessageBoxShown>& MessageBoxes() {
    return M().Boxes;
}

void FailCall(int n, Failure kind) {
    M().FailAt = n;
    M().FailableCalls = 0;
    M().FailureKind = kind;
    M().FailedFunction.clear();
}
bool InjectedFailureHappened() {
    return !M().FailedFunction.empty();
}
const std::string& FailedFunction() {
    return M().FailedFunction;
}

void FailHookInstall(int hookId) {
    M().FailingHooks.push_back(hookId);
}
const std::vector<InstalledHook>& Hooks() {
    return M().Hooks;
}
int NextHookCalls() {
    return M().NextHookCalls;
}

Delivered Send(os::Hwnd window, uint32_t message, os::Word wParam, os::Long lParam) {
    // The hook sees a copy: whatever it does to it, the window gets the message.
    os::SentMessage record{lParam, wParam, message, window};
    if (InstalledHook* hook = ActiveHook(os::HookCallWndProc))
        hook->Proc(os::HookActionCode, 0, reinterpret_cast<os::Long>(&record));
    M().LastSentRecordBlanked = record.Window == nullptr && record.Message == 0;
    return {window, message, wParam};
}
bool LastSentRecordBlanked() {
    return M().LastSentRecordBlanked;
}
static Delivered Queue(os::Word flag, os::Hwnd window, uint32_t message, os::Word wParam,
                       os::Long lParam) {
    os::QueuedMessage record{window, message, wParam, lParam, M().Time, os::Point{}};
    if (InstalledHook* hook = ActiveHook(os::HookGetMessage))
        hook->Proc(os::HookActionCode, flag, reinterpret_cast<os::Long>(&record));
    return {record.Window, record.Message, record.WParam};
}
Delivered Peek(os::Hwnd window, uint32_t message, os::Word wParam, os::Long lParam) {
    return Queue(0, window, message, wParam, lParam);
}
Delivered Get(os::Hwnd window, uint32_t message, os::Word wParam, os::Long lParam) {
    return Queue(os::PeekRemove, window, message, wParam, lParam);
}
os::Long CallHook(int hookId, int code, os::Word flag, os::Long record) {
    InstalledHook* hook = ActiveHook(hookId);
    return hook ? hook->Proc(code, flag, record) : 0;
}

bool MenuExists(os::Hmenu menu) {
    return FindMenu(menu) != nullptr;
}
int MenusAlive() {
    return int(std::count(M().DestroyedMenus.begin(), M().DestroyedMenus.end(), false));
}
std::vector<MenuItem> MenuItems(os::Hmenu menu) {
    auto* items = FindMenu(menu);
    return items ? *items : std::vector<MenuItem>{};
}
os::Hmenu MenuBar(os::Hwnd window) {
    const Window* w = FindWindowOf(window);
    return w ? w->Bar : nullptr;
}

void SetDialogDriver(DialogDriver driver) {
    M().Driver = std::move(driver);
}
os::Long ClickButton(os::Hwnd dialog, int controlId) {
    Dialog* d = FindDialog(dialog);
    if (!d || d->Ended) return 0;
    return d->Proc(dialog, os::MsgCommand, os::Word(controlId), 0);
}
std::string ItemText(os::Hwnd dialog, int controlId) {
    Dialog* d = FindDialog(dialog);
    return d ? d->Texts[controlId] : std::string();
}
void TypeText(os::Hwnd dialog, int controlId, const std::string& text) {
    if (Dialog* d = FindDialog(dialog)) d->Texts[controlId] = text;
}
bool IsChecked(os::Hwnd dialog, int controlId) {
    Dialog* d = FindDialog(dialog);
    return d && d->Checks[controlId];
}
void SetChecked(os::Hwnd dialog, int controlId, bool checked) {
    if (Dialog* d = FindDialog(dialog)) d->Checks[controlId] = checked;
}
bool DialogEnded(os::Hwnd dialog) {
    Dialog* d = FindDialog(dialog);
    return d && d->Ended;
}
const std::vector<DialogShown>& Dialogs() {
    return M().DialogsShown;
}

void PutFile(const std::string& path, const std::string& bytes) {
    M().Files[Lower(path)] = bytes;
}
int OpenFiles() {
    return int(std::count_if(M().OpenFiles.begin(), M().OpenFiles.end(),
                             [](const Machine::OpenFile& f) { return f.Open; }));
}
void HoldFile(const std::string& path, uint32_t access, uint32_t share) {
    M().HeldElsewhere.push_back({"", 0, true, Lower(path), access, share});
}

void RegPutText(const std::string& keyPath, const std::string& name, const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    RegPutBytes(keyPath, name, os::RegSz, bytes);
}
void RegPutBytes(const std::string& keyPath, const std::string& name, uint32_t type,
                 const std::vector<uint8_t>& bytes) {
    RegKey& key = M().Registry[Lower(keyPath)];
    std::string lower = Lower(name);
    if (!key.Values.count(lower)) key.Order.push_back(name);
    key.Values[lower] = RegValue{type, bytes};
}
bool RegHasKey(const std::string& keyPath) {
    return M().Registry.count(Lower(keyPath)) != 0;
}
std::optional<std::string> RegText(const std::string& keyPath, const std::string& name) {
    auto key = M().Registry.find(Lower(keyPath));
    if (key == M().Registry.end()) return std::nullopt;
    auto value = key->second.Values.find(Lower(name));
    if (value == key->second.Values.end()) return std::nullopt;
    const auto& b = value->second.Bytes;
    return std::string(b.begin(), std::find(b.begin(), b.end(), uint8_t(0)));
}
int RegValueCount(const std::string& keyPath) {
    auto key = M().Registry.find(Lower(keyPath));
    return key == M().Registry.end() ? 0 : int(key->second.Values.size());
}
std::vector<std::string> RegValueNames(const std::string& keyPath) {
    auto key = M().Registry.find(Lower(keyPath));
    return key == M().Registry.end() ? std::vector<std::string>{} : key->second.Order;
}
void RegDenyOpen(const std::string& keyPath) {
    M().DeniedKeys.push_back(Lower(keyPath));
}
void RegMakeReadOnly(const std::string& keyPath) {
    M().ReadOnlyKeys.push_back(Lower(keyPath));
}
void RegFailWrite(const std::string& name) {
    M().FailingWrites.push_back(name);
}
int RegOpenHandles() {
    return int(std::count_if(M().OpenKeys.begin(), M().OpenKeys.end(),
                             [](const OpenKey& k) { return !k.Path.empty(); }));
}

} // namespace sim
