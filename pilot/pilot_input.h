// Keyboard and mouse input of the internal pilot view, as events: the router
// reads the window's class and the modifiers and hands over what happened;
// the pilot view says whether it took it.
#pragma once

#include "pilot/key_bindings.h"
#include "pilot/pilot_state.h"

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
};

// Settings that a key asks the module to flip; the pilot view owns none of them.
constexpr uint32_t ToggleHeadLatency = 1;
constexpr uint32_t ToggleGroundTurbulence = 2;
constexpr uint32_t ToggleExternalView = 4;

struct InputResult {
    int32_t Consumed; // the host must not see the message
    uint32_t Toggles; // ToggleHeadLatency | ToggleGroundTurbulence | ToggleExternalView
};

// activeViewKind is the kind of the host's active view (0 when there is none).
InputResult PilotInput(PilotViewState& state, KeyBindingTable& bindings, const InputEvent& event,
                       int32_t activeViewKind);

// Every entry of bindings with code, in table order, pressed (those with
// exactly these modifiers) or released (those pressed, whatever the
// modifiers); 1 when any of them handled it. A binding that holds a movement
// or mouse look (DOUBLE) turns it on at the press and off at the release, in
// whatever view the release comes.
int32_t MatchBindings(PilotViewState& state, KeyBindingTable& bindings, int32_t code,
                      int32_t modifiers, bool down, int32_t activeViewKind, uint32_t& toggles);

// The host lost the keyboard to another program (or a dialog): the releases
// will go elsewhere, so every press ends now and every movement stops.
void ReleaseEverything(PilotViewState& state, KeyBindingTable& bindings);

// The command table; 1 when it handled the entry's command.
int32_t RunCommand(PilotViewState& state, const KeyBinding& entry, int32_t activeViewKind,
                   uint32_t& toggles);

} // namespace pilot
