#include "pilot/pilot_input.h"

#include "host/view_record.h"

namespace pilot {

namespace {

void Flip(int32_t& flag) {
    flag = 1 - flag;
}

bool IsPilotView(int32_t kind) {
    return kind == host::ViewKindCockpit || kind == host::ViewKindOutside;
}

// The held flag of a movement command, or null for the other commands.
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
    case CommandId::PilotZoomIn:
        return &held.ZoomIn;
    case CommandId::PilotZoomOut:
        return &held.ZoomOut;
    default:
        return nullptr;
    }
}

bool IsSwitch(CommandId id) {
    return id == CommandId::ToggleFlyBy || id == CommandId::ToggleInternalView;
}

// Slot 1..9 of a save or recall command, else 0.
int32_t SlotOf(CommandId id, CommandId first) {
    int32_t slot = int32_t(id) - int32_t(first) + 1;
    return slot >= 1 && slot <= SavedViewSlots ? slot : 0;
}

// Commands that ask the module to switch one of its settings: offered what
// the command table did not take, in any view. The first two only once the
// frame has run: until the first tick nothing but the command table answers.
int32_t RunSettingToggle(const KeyBinding& entry, bool settingTogglesOffered, InputResult& result) {
    uint32_t toggle = 0;
    switch (entry.Id) {
    case CommandId::ToggleHeadLatency:
        toggle = settingTogglesOffered ? ToggleHeadLatency : 0;
        break;
    case CommandId::ToggleGroundTurbulence:
        toggle = settingTogglesOffered ? ToggleGroundTurbulence : 0;
        break;
    case CommandId::ToggleFlyBy:
        toggle = ToggleFlyBy;
        break;
    case CommandId::ToggleInternalView:
        toggle = ToggleInternalView;
        break;
    default:
        break;
    }
    result.Toggles ^= toggle;
    return toggle != 0;
}

// The cockpit eye's own commands: only while the cockpit is shown from inside.
int32_t RunEyeCommand(const PilotControls& c, CommandId id, const InputContext& context,
                      InputResult& result) {
    if (context.ActiveViewKind != host::ViewKindCockpit || context.Outside) return 0;
    if (int32_t slot = SlotOf(id, CommandId::SaveView1)) {
        result.SaveSlot = slot;
        return 1;
    }
    if (int32_t slot = SlotOf(id, CommandId::RecallView1)) {
        result.RecallSlot = slot;
        return 1;
    }
    if (id == CommandId::PilotResetView && c.Eye.ViewCopyFilled) {
        StartGlide(c.Eye, c.Eye.HostPose);
        return 1;
    }
    return 0;
}

// The command table; 1 when it handled the entry's command.
int32_t RunCommand(const PilotControls& c, const KeyBinding& entry, const InputContext& context,
                   InputResult& result) {
    // While another kind of view is shown none of the table's commands works.
    if (!IsPilotView(context.ActiveViewKind)) return 0;
    if (int32_t* held = HeldFlag(c.Held, entry.Id)) {
        Flip(*held);
        return 1;
    }
    switch (entry.Id) {
    case CommandId::ToggleMouseLook:
        if (c.Mouse.On) {
            c.Mouse = MouseLook{};
        } else {
            c.Mouse.On = 1;
        }
        return 1;
    case CommandId::TogglePilot:
        result.Toggles ^= ToggleExternalView; // the module's setting: the menu's tick follows
        return 1;
    case CommandId::PilotZoomReset:
        result.ZoomReset = 1;
        return 1;
    default:
        return RunEyeCommand(c, entry.Id, context, result);
    }
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

void Hold(const PilotControls& c, CommandId id, int32_t on) {
    if (int32_t* held = HeldFlag(c.Held, id)) {
        *held = on;
    } else if (on) {
        c.Mouse.On = 1;
    } else {
        c.Mouse = MouseLook{};
    }
}

struct Dispatch {
    const PilotControls& Controls;
    const InputContext& Context;
    InputResult& Result;
};

int32_t Press(const Dispatch& d, KeyBinding& entry) {
    int32_t r = 0;
    if (HoldsCommand(entry)) {
        // While another kind of view is shown none of the table's commands works.
        if (IsPilotView(d.Context.ActiveViewKind)) {
            Hold(d.Controls, entry.Id, 1);
            r = 1;
        }
    } else {
        r = RunCommand(d.Controls, entry, d.Context, d.Result);
        if (!r) r = RunSettingToggle(entry, d.Context.SettingTogglesOffered, d.Result);
    }
    if (r) entry.Pressed = 1;
    return r;
}

// Ends what the press of entry began; 1 when there was such a press.
int32_t Release(const Dispatch& d, KeyBinding& entry) {
    if (!entry.Pressed) return 0;
    entry.Pressed = 0;
    if (HoldsCommand(entry))
        Hold(d.Controls, entry.Id, 0); // in any view: a held command must end
    else if (entry.OnRelease && !RunCommand(d.Controls, entry, d.Context, d.Result))
        RunSettingToggle(entry, d.Context.SettingTogglesOffered, d.Result);
    return 1;
}

// Every entry of bindings with the event's code, in table order, pressed
// (those with exactly its modifiers) or released (those pressed, whatever the
// modifiers: Shift taken to run, say); 1 when any of them handled it. Only
// the entries that pass take part.
template <class Passes>
int32_t MatchBindings(const Dispatch& d, KeyBindingTable& bindings, const InputEvent& event,
                      Passes passes) {
    int32_t handled = 0;
    // A key down again while a binding holds its press is the keyboard's
    // auto-repeat, whatever modifiers were added since (Shift taken to run):
    // no new press, and not the host's.
    if (event.Kind == InputKind::Press)
        for (int32_t i = 0, count = BindingsInUse(bindings); i < count; ++i) {
            const KeyBinding& entry = bindings.Entries[i];
            if (entry.Code == event.Code && entry.Pressed && passes(entry)) return 1;
        }
    for (int32_t i = 0, count = BindingsInUse(bindings); i < count; ++i) {
        KeyBinding& entry = bindings.Entries[i];
        if (entry.Code != event.Code || !passes(entry)) continue;
        if (event.Kind == InputKind::Press) {
            if (entry.Modifiers == event.Modifiers && Press(d, entry)) handled = 1;
        } else if (Release(d, entry)) {
            handled = 1;
        }
    }
    return handled;
}

bool IsKeyOrButton(const InputEvent& event) {
    return event.Kind == InputKind::Press || event.Kind == InputKind::Release;
}

} // namespace

InputResult PilotInput(const PilotControls& controls, KeyBindingTable& bindings,
                       const InputEvent& event, const InputContext& context) {
    InputResult result{};
    // The pointer and the wheel are not key bindings (see pilot/mouse.h).
    if (!IsKeyOrButton(event)) return result;
    Dispatch d{controls, context, result};
    result.Consumed = MatchBindings(d, bindings, event, [](const KeyBinding&) { return true; });
    return result;
}

InputResult SwitchInput(const PilotControls& controls, KeyBindingTable& bindings,
                        const InputEvent& event) {
    InputResult result{};
    if (!IsKeyOrButton(event)) return result;
    const InputContext none{0, false, false};
    Dispatch d{controls, none, result};
    result.Consumed =
        MatchBindings(d, bindings, event, [](const KeyBinding& e) { return IsSwitch(e.Id); });
    return result;
}

bool BindsSwitches(const KeyBindingTable& bindings) {
    for (int32_t i = 0, count = BindingsInUse(bindings); i < count; ++i)
        if (IsSwitch(bindings.Entries[i].Id)) return true;
    return false;
}

void EndHeldMovements(const PilotControls& controls, KeyBindingTable& bindings) {
    for (int32_t i = 0, count = BindingsInUse(bindings); i < count; ++i) {
        KeyBinding& entry = bindings.Entries[i];
        if (!entry.Pressed || !HoldsCommand(entry)) continue;
        Hold(controls, entry.Id, 0);
        entry.Pressed = 0;
    }
    controls.Held = HeldCommands{};
}

void ReleaseEverything(const PilotControls& controls, KeyBindingTable& bindings) {
    EndHeldMovements(controls, bindings);
    // The toggles' presses end too, running nothing.
    for (int32_t i = 0, count = BindingsInUse(bindings); i < count; ++i)
        bindings.Entries[i].Pressed = 0;
}

} // namespace pilot
