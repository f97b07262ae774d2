// Keyboard and mouse input of the internal pilot view, as events: the router
// reads the window's class and the modifiers and hands over what happened;
// the pilot view says whether it took it.
#pragma once

#include "pilot/cockpit.h"
#include "pilot/key_bindings.h"
#include "pilot/mouse.h"

#include <cstdint>

namespace pilot {

enum class InputKind : int32_t {
    Press,       // key or mouse button down
    Release,     // key or mouse button up
    PointerMove, // pointer moved over the view window
    Wheel,       // wheel turned over the view window
};

struct InputEvent {
    InputKind Kind;
    int32_t Code;       // Press/Release: virtual-key code or CodeMouseButtonLeft..Middle
    int32_t Modifiers;  // Press/Release: ModifierShift | ModifierControl | ModifierAlt
    int32_t WheelDelta; // Wheel: signed, 120 per notch, away from the user positive
    int32_t PointerX;   // PointerMove: position in the window's client area
    int32_t PointerY;
    int32_t ScreenX; // PointerMove: the pointer's place on the screen now
    int32_t ScreenY;
};

// Settings that a key asks the module to flip; the pilot view owns none of them.
constexpr uint32_t ToggleHeadLatency = 1;
constexpr uint32_t ToggleGroundTurbulence = 2;
constexpr uint32_t ToggleExternalView = 4;
constexpr uint32_t ToggleFlyBy = 8;
constexpr uint32_t ToggleInternalView = 16;

struct InputResult {
    int32_t Consumed;   // the host must not see the message
    uint32_t Toggles;   // the Toggle... settings to flip
    int32_t SaveSlot;   // 1..9: keep the cockpit eye there; 0 none
    int32_t RecallSlot; // 1..9: glide the cockpit eye to what that slot keeps; 0 none
    int32_t ZoomReset;  // the zoom back to 1: the eye's, or outside the walker's
};

// What the keys act on: the held movements, mouse look, and the cockpit eye
// (its glide back to the host's view).
struct PilotControls {
    HeldCommands& Held;
    MouseLook& Mouse;
    CockpitEye& Eye;
};

// The view the input comes in.
struct InputContext {
    int32_t ActiveViewKind;     // of the host's active view, 0 when there is none
    bool Outside;               // the pilot walks outside (the external view is on)
    bool SettingTogglesOffered; // the frame has run (see PilotInput)
};

// A key or button event (the pointer and the wheel go to pilot/mouse.h):
// every binding of its code, in table order, is pressed (those with exactly
// its modifiers) or released (those pressed, whatever the modifiers now). A
// binding that holds a movement or mouse look (DOUBLE) turns it on at the
// press and off at the release, in whatever view the release comes.
// The head latency and ground turbulence toggles answer only once the frame
// has run.
InputResult PilotInput(const PilotControls& controls, KeyBindingTable& bindings,
                       const InputEvent& event, const InputContext& context);

// While the internal view is off: only the bindings of ToggleFlyBy and
// ToggleInternalView answer, as the menu's switches do.
InputResult SwitchInput(const PilotControls& controls, KeyBindingTable& bindings,
                        const InputEvent& event);
// Whether any binding runs ToggleFlyBy or ToggleInternalView.
bool BindsSwitches(const KeyBindingTable& bindings);

// The host lost the keyboard to another program (or a dialog): the releases
// will go elsewhere, so every press ends now and every movement stops.
void ReleaseEverything(const PilotControls& controls, KeyBindingTable& bindings);
// The internal view went off: every movement stops, and the presses that held
// one end; the others (a switch's key still down) keep their release.
void EndHeldMovements(const PilotControls& controls, KeyBindingTable& bindings);

} // namespace pilot
