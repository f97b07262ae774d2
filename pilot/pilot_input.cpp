#include "pilot/pilot_input.h"

#include "host/view_record.h"

namespace pilot {

namespace {

void Flip(int32_t& flag) {
    flag = 1 - flag;
}

// The held flag a movement command flips, or null for the other commands.
int32_t* HeldFlag(HeldCommands& held, CommandId id) {
    switch (id) {
    case CommandId::PilotForward:
        return &held.Forward;
    case CommandId::PilotBackward:
        return &held.Backward;
    case CommandId::PilotStepRight:
        return &held.StepRight;
    case CommandId::PilotStepLeft:
        return &held.StepLeft;
    case CommandId::PilotHeadRight:
        return &held.HeadRight;
    case CommandId::PilotHeadLeft:
        return &held.HeadLeft;
    case CommandId::PilotHeadUp:
        return &held.HeadUp;
    case CommandId::PilotHeadDown:
        return &held.HeadDown;
    case CommandId::PilotCrouch:
        return &held.Crouch;
    case CommandId::PilotUp:
        return &held.Up;
    case CommandId::PilotDown:
        return &held.Down;
    default:
        return nullptr;
    }
}

// The frame's two setting toggles, offered what the command table did not take.
int32_t RunSettingToggle(const PilotViewState& state, const KeyBinding& entry, uint32_t& toggles) {
    if (!state.SettingTogglesReady) return 0;
    if (entry.Id == CommandId::ToggleHeadLatency) {
        toggles ^= ToggleHeadLatency;
        return 1;
    }
    if (entry.Id == CommandId::ToggleGroundTurbulence) {
        toggles ^= ToggleGroundTurbulence;
        return 1;
    }
    return 0;
}

} // namespace

int32_t RunCommand(PilotViewState& state, const KeyBinding& entry, int32_t activeViewKind,
                   uint32_t& toggles) {
    // While another kind of view is shown none of the table's commands works.
    if (activeViewKind != host::ViewKindCockpit && activeViewKind != host::ViewKindOutside)
        return 0;
    if (int32_t* held = HeldFlag(state.Held, entry.Id)) {
        Flip(*held);
        return 1;
    }
    switch (entry.Id) {
    case CommandId::ToggleMouseLook:
        if (state.MouseLook) {
            state.MouseLook = state.LastCursorX = state.LastCursorY = 0;
        } else {
            state.MouseLook = 1;
        }
        return 1;
    case CommandId::TogglePilot:
        // The module's own setting flips, so that the next tick keeps it and
        // the menu's check mark follows; the view sees it at once.
        Flip(state.ExternalView);
        toggles ^= ToggleExternalView;
        return 1;
    default:
        return 0; // ButtonClickLeft too: clicks reach the host
    }
}

int32_t MatchBindings(PilotViewState& state, KeyBindingTable& bindings, int32_t code,
                      int32_t modifiers, bool down, int32_t activeViewKind, uint32_t& toggles) {
    int32_t handled = 0;
    int32_t count = bindings.Count;
    if (count > bindings.Capacity) count = bindings.Capacity;
    if (count > KeyBindingCapacity) count = KeyBindingCapacity;
    for (int32_t i = 0; i < count; ++i) {
        KeyBinding& entry = bindings.Entries[i];
        if (entry.Code != code || entry.Modifiers != modifiers) continue;
        if (down) {
            if (entry.Pressed) { // the keyboard's auto-repeat: swallowed
                handled = 1;
                continue;
            }
            int32_t r = RunCommand(state, entry, activeViewKind, toggles);
            if (!r) r = RunSettingToggle(state, entry, toggles);
            if (r) entry.Pressed = handled = 1;
        } else if (entry.Pressed) {
            if (entry.OnRelease && !RunCommand(state, entry, activeViewKind, toggles))
                RunSettingToggle(state, entry, toggles);
            entry.Pressed = 0;
            handled = 1;
        }
    }
    return handled;
}

InputResult PilotInput(PilotViewState& state, KeyBindingTable& bindings, const InputEvent& event,
                       int32_t activeViewKind) {
    InputResult result{0, 0};
    switch (event.Kind) {
    case InputKind::Press:
    case InputKind::Release:
        result.Consumed =
            MatchBindings(state, bindings, event.Code, event.Modifiers,
                          event.Kind == InputKind::Press, activeViewKind, result.Toggles);
        break;
    case InputKind::PointerMove:
    case InputKind::Wheel:
        break; // the pointer and the wheel are not key bindings (see pilot/mouse.h)
    }
    return result;
}

} // namespace pilot
