// The one module record: every piece of state the module keeps from load to
// unload, in one place. The DLL has one static instance, set to its load-time
// values by the loader itself (constant initialisation, no constructor runs);
// the entry points (library entry, hooks, dialog procedures) reach it, and
// everything below them takes references to the parts it uses. Tests build
// their own.
#pragma once

#include "camera/flyby.h"
#include "host/discovery.h"
#include "host/random.h"
#include "module/binding_file.h"
#include "module/settings.h"
#include "pilot/cockpit.h"
#include "pilot/key_bindings.h"
#include "pilot/mouse.h"
#include "platform/os.h"
#include "walk/outside.h"

#include <cstdint>

namespace addon {

// What became of the key binding file at start-up, for the About box.
struct KeyBindingLoad {
    BindingFileRead Read;
    int32_t SectionFound; // the file has a "[Keyboard]" header
    int32_t Count;        // bindings loaded
};

// What the module knows of the host process and Windows.
struct HostLink {
    os::Hinstance Instance; // this library's, for its dialogs
    char HostFolder[256];
    char KeyBindingPath[300];
    KeyBindingLoad KeyBindings;
    os::Hwnd MainWindow; // "FS98MAIN", null when there is none
    uint32_t UiThreadId; // both hooks watch this thread only
    os::Hhook CallWndHook;
    os::Hhook GetMessageHook;
};

// The frame's clock.
struct FrameClock {
    uint32_t PreviousFrameTime; // milliseconds, as timeGetTime gave them
    float FrameStep;            // seconds since the previous tick, at most 1.0
    // The head latency and ground turbulence keys answer once the frame has
    // run: until the first tick nothing but the command table does.
    int32_t Ticked;
    int32_t PilotViewRan; // the last tick ran the pilot view
};

// The module's own windows in the host's: its popup in the host's menu and
// its one modal dialog at a time.
struct ModuleUi {
    os::Hmenu MenuPopup; // the popup last appended to the host's menu
    int32_t DialogOpen;  // from asking for a dialog until it has closed
    os::Hwnd Dialog;     // that dialog, from its WM_INITDIALOG on
};

// What the router keeps between messages.
struct InputRouting {
    // An Alt binding ran since Alt went down: Alt's own release must not
    // open the host's menu, as it would after a lone Alt.
    int32_t AltBindingRan;
    // A binding of ToggleFlyBy or ToggleInternalView: their keys are looked
    // for while the internal view is off too.
    int32_t BindsSwitches;
};

// The pilot view's clock: seconds of the current pilot frame and since the last.
struct PilotClock {
    double Seconds;
    double TimeStep;
    uint32_t PreviousTime; // milliseconds, as the frame gave them
};

// The internal pilot view: each part owned by its feature, the clock by the
// module. Zero at load, never cleared as a whole again, so it survives
// switching the view off and on.
struct PilotView {
    PilotClock Clock;
    pilot::CockpitEye Eye;
    pilot::HeldCommands Held;
    pilot::MouseLook Mouse;
    walk::Walker Walker;
};

struct ModuleState {
    HostLink Host;
    ModuleSettings Settings;
    ModuleUi Ui;
    InputRouting Input;
    FrameClock Clock;
    camera::AircraftState Aircraft; // refreshed only while the fly-by is on
    camera::FlyByState FlyBy;
    host::RandomSequence Random;   // shared by the fly-by and the ground turbulence
    host::HostLibraries Libraries; // what the pilot view found in the host process
    PilotView Pilot;
    pilot::KeyBindingTable Bindings;
};

extern ModuleState Module;

} // namespace addon
