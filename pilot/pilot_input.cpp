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

// A binding that holds its command while its key is down: DOUBLE on a
// movement or on mouse look. The press turns the command on and the release
// off, so two keys held for one command, or a release that came in another
// view or with other modifiers, can never leave it inverted.
bool HoldsCommand(const KeyBinding& entry) {
    HeldCommands any{};
    return entry.OnRelease &&
           (HeldFlag(any, entry.Id) != nullptr || entry.Id == CommandId::ToggleMouseLook);
}

void Hold(PilotViewState& state, CommandId id, int32_t on) {
    if (int32_t* held = HeldFlag(state.Held, id)) {
        *held = on;
    } else if (on) {
        state.MouseLook = 1;
    } else {
        state.MouseLook = state.LastCursorX = state.LastCursorY = 0;
    }
}

bool IsPilotView(int32_t kind) {
    return kind == host::ViewKindCockpit || kind == host::ViewKindOutside;
}

int32_t UsedEntries(const KeyBindingTable& bindings) {
    int32_t count = bindings.Count;
    if (count > bindings.Capacity) count = bindings.Capacity;
    if (count > KeyBindingCapacity) count = KeyBindingCapacity;
    return count < 0 ? 0 : count;
}

int32_t Press(PilotViewState& state, KeyBinding& entry, int32_t activeViewKind, uint32_t& toggles) {
    if (entry.Pressed) return 1; // the keyboard's auto-repeat: swallowed
    int32_t r = 0;
    if (HoldsCommand(entry)) {
        // While another kind of view is shown none of the table's commands works.
        if (IsPilotView(activeViewKind)) {
            Hold(state, entry.Id, 1);
            r = 1;
        }
    } else {
        r = RunCommand(state, entry, activeViewKind, toggles);
        if (!r) r = RunSettingToggle(state, entry, toggles);
    }
    if (r) entry.Pressed = 1;
    return r;
}

// Ends what the press of entry began; 1 when there was such a press.
int32_t Release(PilotViewState& state, KeyBinding& entry, int32_t activeViewKind,
                uint32_t& toggles) {
    if (!entry.Pressed) return 0;
    entry.Pressed = 0;
    if (HoldsCommand(entry))
        Hold(state, entry.Id, 0); // in any view: a held command must end
    else if (entry.OnRelease && !RunCommand(state, entry, activeViewKind, toggles))
        RunSettingToggle(state, entry, toggles);
    return 1;
}

} // namespace

int32_t RunCommand(PilotViewState& state, const KeyBinding& entry, int32_t activeViewKind,
                   uint32_t& toggles) {
    // While another kind of view is shown none of the table's commands works.
    if (!IsPilotView(activeViewKind)) return 0;
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
    for (int32_t i = 0, count = UsedEntries(bindings); i < count; ++i) {
        KeyBinding& entry = bindings.Entries[i];
        if (entry.Code != code) continue;
        // A press must have exactly the binding's modifiers; a release ends
        // the press whatever is held now (Shift taken to run, say).
        if (down) {
            if (entry.Modifiers == modifiers && Press(state, entry, activeViewKind, toggles))
                handled = 1;
        } else if (Release(state, entry, activeViewKind, toggles)) {
            handled = 1;
        }
    }
    return handled;
}

void ReleaseEverything(PilotViewState& state, KeyBindingTable& bindings) {
    for (int32_t i = 0, count = UsedEntries(bindings); i < count; ++i) {
        KeyBinding& entry = bindings.Entries[i];
        // Mouse look held by a button ends; the toggles run nothing.
        if (entry.Pressed && HoldsCommand(entry)) Hold(state, entry.Id, 0);
        entry.Pressed = 0;
    }
    state.Held = HeldCommands{};
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
