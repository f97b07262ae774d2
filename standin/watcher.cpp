// The watcher thread: reads and answers the message boxes the module shows,
// as a user would, and remembers their texts for the checks.
#include "standin/standin.h"

#include <algorithm>
#include <cstring>

namespace standin {

namespace {

CRITICAL_SECTION Lock;
HANDLE Watcher;
volatile LONG StopWatching;
std::vector<std::string> Shown;
std::vector<HWND> Answered; // boxes answered and not yet gone

// The module's own dialogs are the scenario's to drive, not the watcher's.
bool IsModuleDialog(const char* title) {
    return std::strcmp(title, "OrbivuePro Configuration") == 0 ||
           std::strcmp(title, "About Orbivue...") == 0;
}

BOOL CALLBACK FindMessageText(HWND child, LPARAM found) {
    char cls[32] = {};
    GetClassNameA(child, cls, sizeof cls);
    char text[512] = {};
    if (_stricmp(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        *reinterpret_cast<std::string*>(found) = text;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char cls[32] = {}, title[128] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (process != GetCurrentProcessId() || std::strcmp(cls, "#32770") != 0 ||
        !IsWindowVisible(window))
        return TRUE;
    GetWindowTextA(window, title, sizeof title);
    if (IsModuleDialog(title)) return TRUE;
    EnterCriticalSection(&Lock);
    bool seen = std::find(Answered.begin(), Answered.end(), window) != Answered.end();
    LeaveCriticalSection(&Lock);
    if (seen) return TRUE;
    std::string text;
    EnumChildWindows(window, FindMessageText, reinterpret_cast<LPARAM>(&text));
    // A dialog that closed while it was read gives empty texts: not a box to answer.
    if (!IsWindow(window) || !IsWindowVisible(window)) return TRUE;
    std::printf("  message box: \"%s\" (answered OK)\n", text.c_str());
    EnterCriticalSection(&Lock);
    Shown.push_back(text);
    Answered.push_back(window);
    LeaveCriticalSection(&Lock);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

DWORD WINAPI Watch(void* started) {
    SetEvent(started);
    while (!StopWatching) {
        EnterCriticalSection(&Lock);
        Answered.erase(
            std::remove_if(Answered.begin(), Answered.end(), [](HWND w) { return !IsWindow(w); }),
            Answered.end());
        LeaveCriticalSection(&Lock);
        EnumWindows(VisitWindow, 0);
        Sleep(5);
    }
    return 0;
}

} // namespace

void StartMessageBoxWatcher() {
    InitializeCriticalSection(&Lock);
    // Running before the module loads: a new thread first takes the loader
    // lock to start up, and the module shows its start-up boxes from its
    // entry point, under that lock. A watcher still starting then waits for
    // the box to close, and the box for the watcher.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Watcher = CreateThread(nullptr, 0, Watch, started, 0, nullptr);
    WaitForSingleObject(started, 10000);
    CloseHandle(started);
}

void StopMessageBoxWatcher() {
    // Ended between two looks, not in the middle of a window call: a thread
    // the process's end stops mid-call may hold a lock that the end needs.
    InterlockedExchange(&StopWatching, 1);
    WaitForSingleObject(Watcher, 10000);
}

std::vector<std::string> MessageBoxesShown() {
    EnterCriticalSection(&Lock);
    std::vector<std::string> copy = Shown;
    LeaveCriticalSection(&Lock);
    return copy;
}

} // namespace standin
