// The stand-in host: a Win32 program that plays the flight simulator's side
// of the module's contract, loads the real OrbivuePro.dll and drives it
// through scenarios at simulated time.
#pragma once

#include "host/viewpoint.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace standin {

constexpr double Pi = 3.14159265358979323846;

// ---- The simulated flight and what the host serves from it -----------------

struct Aircraft {
    double Latitude, Longitude;  // degrees
    double Altitude;             // metres
    double Heading, Pitch, Bank; // degrees
    double Speed;                // km/h along the flight path
    double TurnRate;             // degrees per second
    double ClimbRate;            // metres per second
    double GroundAltitude;       // metres
    bool OnGround;
};

extern Aircraft Flight;

// Advances the flight by seconds along its heading, turn and climb.
void Fly(double seconds);

// Host memory the module reads and writes: the fixed words and the panels table.
bool PrepareHostMemory(std::string& error);
// The host's variable lookup serves Flight; it logs the tokens of each frame.
std::vector<uint32_t>& LookupsThisFrame();
uint32_t PanelsTableAddress();

// The five viewpoint words read back with the module's own decoder.
using Viewpoint = host::DecodedViewpoint;
Viewpoint ReadViewpoint();

// ---- What the module sees of Windows through its import table ---------------

extern volatile DWORD SimulatedTime; // milliseconds
extern volatile SHORT KeyStates[256];
extern volatile POINT Cursor;
// Points the DLL's imports of timeGetTime, GetAsyncKeyState and GetCursorPos,
// those of them it has, at the above; the number redirected.
int RedirectImports(HMODULE dll, std::string& error);

// ---- Windows ----------------------------------------------------------------

extern HWND MainWindow;
extern HWND ViewWindow;
constexpr UINT HostFrameMessage = host::HostFrameMessage;

// Message boxes the module showed, dismissed by the watcher thread.
void StartMessageBoxWatcher();
std::vector<std::string> MessageBoxesShown();

// ---- The module's menu and dialogs, as the user sees them -------------------

// The "Orbi&vuePro" popups in the host's fourth menu (one more per opening).
struct ModuleMenu {
    int Copies = 0;
    int Separators = 0; // in the whole menu (the stand-in's host has none of its own)
    bool EachAfterSeparator = true;
    bool AtEnd = false; // the last copy is the menu's last item
    HMENU Last = nullptr;
};
ModuleMenu ReadModuleMenu();

struct MenuEntry {
    bool Exists = false;
    std::string Text;
    UINT Id = 0;
    bool Separator = false, Checked = false, Greyed = false, Popup = false;
};
MenuEntry ReadMenuEntry(HMENU popup, int position);

// A visible dialog of that title, or null when none showed within the time.
HWND WaitForDialog(const char* title, DWORD milliseconds);
bool WaitUntilGone(HWND window, DWORD milliseconds);
// Whether one of the dialog's labels contains the text.
bool DialogHasLabel(HWND dialog, const char* text);

struct WindowPicture {
    int Width = 0, Height = 0;
    int Colours = 0; // distinct colours seen, counted up to 8
};
// Draws the window, frame and all, into a PNG file.
bool SaveWindowPicture(HWND window, const std::string& path, WindowPicture& picture);

// ---- Scenarios --------------------------------------------------------------

struct Options {
    std::string ScenarioPath;
    std::string DllPath;
    std::string OutputFolder;
};

// Runs a scenario on the script thread; the result is the number of failed checks.
int RunScenario(const Options& options);

// Asks the UI thread to run a request and waits until it has (load, unload, ...).
enum class Request { Load = 1, Unload, Quit };
bool AskUiThread(Request request);
// Posts a message to a window and waits until the UI thread has retrieved it.
void PostAndWait(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The loaded module, its records, and what loading it reported.
extern HMODULE Module;
extern std::string LoadError;

} // namespace standin
