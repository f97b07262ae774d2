// The stand-in host's threads: the UI thread owns the host's windows, loads
// the module and runs the message loop (the module's hooks run here); the
// script thread plays the scenario; the watcher thread answers message boxes.
#include "standin/scenario.h"
#include "standin/standin.h"

#include <cstdio>
#include <cstring>

namespace standin {

HWND MainWindow;
HWND ViewWindow;
volatile LONG InputReachedHost;
volatile LONG HostMenuCalls;
HMODULE Module;
std::string LoadError;

namespace {

HWND ControlWindow; // the stand-in's own window for requests and markers
constexpr UINT kRequestMessage = WM_APP + 1;
constexpr UINT kMarkerMessage = WM_APP + 2;
HANDLE RequestDone;
HANDLE MarkerSeen;
bool RequestResult;

using Procedure = void (*)();

void CallLinkage(int word) {
    auto* linkage = reinterpret_cast<uint32_t*>(GetProcAddress(Module, "Linkage"));
    if (linkage && linkage[word]) reinterpret_cast<Procedure>(uintptr_t(linkage[word]))();
}

// The module record the host expects: version, start, stop, 0, 0, flags, 0.
bool LinkageIsTheHosts() {
    auto* linkage = reinterpret_cast<uint32_t*>(GetProcAddress(Module, "Linkage"));
    return linkage && linkage[0] == host::LinkageVersion && linkage[1] && linkage[2] &&
           linkage[3] == 0 && linkage[4] == 0 && linkage[5] == host::LinkageFlags &&
           linkage[6] == 0;
}

// What the host does when it loads a module: load it, hand over its panels
// table through ImportTable, call the start procedure named in Linkage.
bool LoadModule() {
    Module = LoadLibraryA(CurrentOptions().DllPath.c_str());
    if (!Module) {
        LoadError = "LoadLibrary failed with error " + std::to_string(GetLastError());
        return false;
    }
    SetModuleImage(Module);
    if (RedirectImports(Module, LoadError) < 0) return false;
    auto* importTable = reinterpret_cast<uint32_t*>(GetProcAddress(Module, "ImportTable"));
    if (!importTable || importTable[0] != host::PanelsTableId) {
        LoadError = "no ImportTable with the panels table id";
        return false;
    }
    if (importTable[1] != 0 || importTable[2] != 0 || importTable[3] != 0) {
        LoadError = "ImportTable's other words are not zero";
        return false;
    }
    if (!LinkageIsTheHosts()) {
        LoadError = "Linkage does not hold the host's words";
        return false;
    }
    if (CurrentScenario().ProvidePanelsTable) importTable[1] = PanelsTableAddress();
    CallLinkage(1);
    return true;
}

void UnloadModule() {
    if (!Module) return;
    CallLinkage(2);
    FreeLibrary(Module);
    Module = nullptr;
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRequestMessage) {
        switch (Request(wParam)) {
        case Request::Load:
            RequestResult = LoadModule();
            break;
        case Request::Unload:
            UnloadModule();
            RequestResult = true;
            break;
        case Request::Quit:
            PostQuitMessage(0);
            RequestResult = true;
            break;
        }
        SetEvent(RequestDone);
        return 0;
    }
    if (message == kMarkerMessage) {
        SetEvent(MarkerSeen);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_MOUSEWHEEL:
        InterlockedIncrement(&InputReachedHost);
        break;
    case WM_SYSCOMMAND:
        // The keyboard's call for the menu: counted, and not entered, since
        // the menu's own loop would hold the host's thread.
        if ((wParam & 0xFFF0) == SC_KEYMENU) {
            InterlockedIncrement(&HostMenuCalls);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HMENU HostMenuBar() {
    HMENU bar = CreateMenu();
    const char* titles[] = {"&File", "&World", "&Views", "&Aircraft", "&Options", "&Help"};
    for (const char* title : titles) {
        HMENU popup = CreatePopupMenu();
        AppendMenuA(popup, MF_STRING, 0x100, "(host item)");
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), title);
    }
    return bar;
}

bool CreateWindows(bool withMainWindow) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA cls = {};
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.lpfnWndProc = ControlProc;
    cls.lpszClassName = "OrbivueStandInControl";
    RegisterClassA(&cls);
    ControlWindow = CreateWindowA(cls.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);

    cls.lpfnWndProc = HostWindowProc;
    cls.lpszClassName = host::MainWindowClass;
    cls.hbrBackground = HBRUSH(GetStockObject(GRAY_BRUSH));
    RegisterClassA(&cls);
    cls.lpszClassName = host::ViewWindowClass;
    cls.hbrBackground = HBRUSH(GetStockObject(BLACK_BRUSH));
    RegisterClassA(&cls);
    if (withMainWindow) {
        MainWindow =
            CreateWindowA(host::MainWindowClass, "Stand-in host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                          0, 0, 800, 600, nullptr, HostMenuBar(), instance, nullptr);
        ViewWindow = CreateWindowA(host::ViewWindowClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 780, 540,
                                   MainWindow, nullptr, instance, nullptr);
    } else {
        ViewWindow = CreateWindowA(host::ViewWindowClass, "View", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   0, 0, 640, 480, nullptr, nullptr, instance, nullptr);
    }
    return ControlWindow && ViewWindow && (!withMainWindow || MainWindow);
}

// A fault that nobody handles (in the module's code, say) ends the run with
// its code and place, instead of a hung or silently vanished host.
LONG WINAPI ReportFault(EXCEPTION_POINTERS* e) {
    std::printf("  FAIL  fault 0x%08lX at %p\n", e->ExceptionRecord->ExceptionCode,
                e->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    ExitProcess(3);
}

DWORD WINAPI ScriptThread(void*) {
    int failed = RunScenario(CurrentOptions());
    AskUiThread(Request::Quit);
    return DWORD(failed);
}

} // namespace

namespace {

volatile LONG Faults;
volatile uintptr_t ImageStart, ImageEnd;

LONG CALLBACK TranslateFault(EXCEPTION_POINTERS* pointers) {
    EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION)
        record->ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
    uintptr_t at = reinterpret_cast<uintptr_t>(record->ExceptionAddress);
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && at >= ImageStart && at < ImageEnd)
        InterlockedIncrement(&Faults);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

void WatchForFaults() {
    AddVectoredExceptionHandler(1, TranslateFault);
}

void SetModuleImage(HMODULE module) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    ImageStart = reinterpret_cast<uintptr_t>(base);
    ImageEnd = ImageStart + nt->OptionalHeader.SizeOfImage;
}

LONG ModuleFaults() {
    return Faults;
}

namespace {

// Real time the script thread waits for the UI thread at the most. A host
// that has not answered by then never will (a box no one answers, a dead
// lock): the run says what it waited for and ends, instead of hanging until
// the test runner kills it with the log unread.
constexpr DWORD kUiThreadWait = 60000;

void WaitForUiThread(HANDLE done, const char* what, unsigned long detail) {
    if (WaitForSingleObject(done, kUiThreadWait) == WAIT_OBJECT_0) return;
    std::printf("  FAIL  the host's UI thread did not take %s 0x%lX within %lu s: stuck, run "
                "ended\n",
                what, detail, kUiThreadWait / 1000);
    std::fflush(stdout);
    // Not ExitProcess: the stuck thread may hold a lock that ending the
    // process's libraries would wait for.
    TerminateProcess(GetCurrentProcess(), 3);
}

} // namespace

bool AskUiThread(Request request) {
    ResetEvent(RequestDone);
    PostMessageA(ControlWindow, kRequestMessage, WPARAM(request), 0);
    WaitForUiThread(RequestDone, "request", static_cast<unsigned long>(request));
    return RequestResult;
}

void PostAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Posted messages are retrieved in order: once the marker is seen, the
    // message before it has been through the hooks and the host's window.
    ResetEvent(MarkerSeen);
    PostMessageA(window ? window : ControlWindow, message, wParam, lParam);
    PostMessageA(ControlWindow, kMarkerMessage, 0, 0);
    WaitForUiThread(MarkerSeen, "message", message);
}

HWND FrameWindow() {
    return MainWindow ? MainWindow : ViewWindow;
}

} // namespace standin

int main(int argc, char** argv) {
    using namespace standin;
    if (argc < 4) {
        std::fprintf(stderr, "usage: orbivue-standin SCENARIO OrbivuePro.dll OUTPUT-FOLDER\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetUnhandledExceptionFilter(ReportFault);
    Options& options = CurrentOptions();
    options = {argv[1], argv[2], argv[3]};
    std::string error;
    if (!ReadScenario(options.ScenarioPath, CurrentScenario(), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const Scenario& scenario = CurrentScenario();
    if (!PrepareHostMemory(error) ||
        !PrepareHostLists(scenario.HostModuleList, scenario.HostViewList, error) ||
        !CreateWindows(scenario.HostMainWindow)) {
        std::fprintf(stderr, "stand-in host: %s\n",
                     error.empty() ? "cannot create windows" : error.c_str());
        return 2;
    }
    RequestDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    MarkerSeen = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    StartMessageBoxWatcher();
    WatchForFaults();
    HANDLE script = CreateThread(nullptr, 0, ScriptThread, nullptr, 0, nullptr);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    WaitForSingleObject(script, INFINITE);
    StopMessageBoxWatcher();
    DWORD failed = 0;
    GetExitCodeThread(script, &failed);
    return failed ? 1 : 0;
}
