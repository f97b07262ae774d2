// The stand-in host: a Win32 program that plays the flight simulator's side
// of the module's contract, loads the real OrbivuePro.dll and drives it
// through scenarios at simulated time.
#pragma once

#include "host/units.h"
#include "host/view_record.h"
#include "host/viewpoint.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace standin {

constexpr double Pi = host::Pi;

// ---- The simulated flight and what the host serves from it -----------------

struct Aircraft {
    double Latitude, Longitude;  // degrees
    double Altitude;             // metres
    double Heading, Pitch, Bank; // degrees; the host counts pitch positive nose down and bank
                                 // positive left wing down
    double Speed;                // km/h along the flight path
    double TurnRate;             // degrees per second
    double ClimbRate;            // metres per second
    double GroundAltitude;       // metres
    double OnGround;             // non-zero while rolling on the ground
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

// ---- Host records, byte by byte ---------------------------------------------

inline uint32_t AddressOf(const void* p) {
    return uint32_t(reinterpret_cast<uintptr_t>(p));
}

// Lays out a host record or stream, little-endian and unaligned as the host
// reads it.
struct ByteWriter {
    uint8_t* Out;
    size_t At = 0;
    template <class T> void Put(T value) {
        std::memcpy(Out + At, &value, sizeof value);
        At += sizeof value;
    }
    template <class T> void PutAt(size_t at, T value) {
        std::memcpy(Out + at, &value, sizeof value);
    }
};

// ---- The host's side of the pilot view --------------------------------------

// The module list (naming G3D.DLL and GLOBAL.DLL) and the view list with its
// three view windows: cockpit (kind 1), another kind (7), outside (1250).
enum class ListSetUp { Present, Absent, Unreadable };
bool PrepareHostLists(ListSetUp moduleList, ListSetUp viewList, std::string& error);
// The user aircraft in GLOBAL.DLL, its model's "EVNT" stream listing three
// cockpit switches (done by PrepareHostLists).
void PrepareUserAircraft();
uint32_t G3dBase();
uint32_t GlobalBase();
// Which view the host shows: "cockpit", "other", "outside" or "none".
bool ShowView(const std::string& which);
host::ViewRecord& CockpitRecord();
// Every view record of the host: cockpit, the other kind, outside.
constexpr int HostViewCount = 3;
host::ViewRecord& HostViewRecord(int index);

// The cockpit view record as the host reads it.
struct EyeReading {
    double Heading, Pitch, Bank; // degrees, from the rotation rows
    float Rows[3][3];            // the rotation rows as written
    double Position[3];          // (reference + offset) / 256
    uint16_t HeadingWord;
    int16_t ZoomWord;
    int32_t Kind;
    double Aspect; // the view's width over its height
};
EyeReading ReadEye();

// The scene around the aircraft's start (standin/scene.h), laid out in the
// host's memory for the ground probe: objects with flat roofs, one on nested
// spheres, one without geometry.
void PrepareScene(uint8_t* g3d, host::ViewRecord& cockpit);
// The scene's highest surface under a point (the ground where there is none).
double SceneGroundUnder(double latitude, double longitude);

// What the outside walk wrote into the host.
struct WalkReading {
    bool Written;
    double Latitude, Longitude, Altitude; // the eye position record, in the host's degrees
    double WalkLatitude;                  // the same in the walk's own degree
    host::EyeAttitude Attitude;
    float ViewMatrix[16];
    host::CameraBlock Camera;
    host::CameraSubBlock Sub;
};
WalkReading ReadWalk();

// The key binding file in the host's folder, and "EXE Path" pointing there.
bool PlaceBindingFile(const std::string& text, std::string& error);
// The binding file held open from now on, for reading and writing and sharing
// all three ways, as an editor or a sync tool holds it.
bool HoldBindingFile(std::string& error);
void ForgetHostFolder();
// The code a binding of this key name binds (the module's own reading); 0 none.
int KeyCodeOf(const std::string& name);

// Key and button messages that reached the host's windows, and the times the
// keyboard called for the host's menu (a lone Alt or F10 released).
extern volatile LONG InputReachedHost;
extern volatile LONG HostMenuCalls;

// Faults raised by the module's own code: none may happen. Under qemu's
// emulation Wine reports a page fault as an illegal instruction, which the
// system's own probes (IsBadReadPtr) would not catch; the handler turns it
// back into the access violation Windows raises.
void WatchForFaults();
void SetModuleImage(HMODULE module);
LONG ModuleFaults();

// ---- What the module sees of Windows through its import table ---------------

extern volatile DWORD SimulatedTime; // milliseconds
extern volatile SHORT KeyStates[256];
extern volatile POINT Cursor;
extern volatile HCURSOR CursorSet; // the last pointer shape the module set, or null
// Points the DLL's imports of timeGetTime, GetAsyncKeyState, GetCursorPos and
// SetCursor, those of them it has, at the above; the number redirected.
int RedirectImports(HMODULE dll, std::string& error);

// ---- Windows ----------------------------------------------------------------

extern HWND MainWindow;
extern HWND ViewWindow;
constexpr UINT HostFrameMessage = host::HostFrameMessage;

// Message boxes the module showed, dismissed by the watcher thread.
void StartMessageBoxWatcher();
void StopMessageBoxWatcher();
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
