#include "module/router.h"

#include "host/contract.h"
#include "module/dialogs.h"
#include "module/frame.h"
#include "module/menu.h"
#include "module/pilot_view.h"

#include <cstring>

namespace addon {

namespace {

// Flags are on when not 0, so any other value than 0 and 1 turns off too
// (1 minus 7 would stay on; 1 minus the lowest int would overflow).
void Toggle(int32_t& flag) {
    flag = flag != 0 ? 0 : 1;
}

// 1 when id is one of the module's commands (carried out), else 0.
int RunMenuCommand(ModuleState& module, os::Hwnd window, uint16_t id) {
    ModuleSettings& s = module.Settings;
    switch (id) {
    case CommandActivateFlyBy:
        Toggle(s.FlyByActive);
        return 1;
    case CommandConfigure:
        OpenConfigurationDialog(module, window);
        return 1;
    case CommandInternalView:
        Toggle(s.InternalViewActive);
        return 1;
    case CommandExternalView:
        Toggle(s.ExternalViewActive);
        return 1;
    case CommandAbout:
        OpenAboutBox(module, window);
        return 1;
    default:
        return 0;
    }
}

// ---- Input events -------------------------------------------------------------

constexpr int kClassNameCapacity = 129; // 128 characters and the zero

bool ClassIs(const char* name, const char* expected) {
    return std::strcmp(name, expected) == 0;
}

int32_t HeldModifiers() {
    // Read at dispatch, not from the message: Shift, then Control, then Alt.
    int32_t modifiers = 0;
    if (os::GetAsyncKeyState(os::VkShift) < 0) modifiers |= pilot::ModifierShift;
    if (os::GetAsyncKeyState(os::VkControl) < 0) modifiers |= pilot::ModifierControl;
    if (os::GetAsyncKeyState(os::VkMenu) < 0) modifiers |= pilot::ModifierAlt;
    return modifiers;
}

struct KeyOrButton {
    uint32_t Message;
    int32_t Code; // 0: the virtual key of the first parameter
    bool Down;
};
constexpr KeyOrButton kKeysAndButtons[] = {
    {os::MsgKeyDown, 0, true},
    {os::MsgKeyUp, 0, false},
    // Windows sends a key held with Alt, and F10, as system keys.
    {os::MsgSysKeyDown, 0, true},
    {os::MsgSysKeyUp, 0, false},
    {os::MsgLButtonDown, pilot::CodeMouseButtonLeft, true},
    {os::MsgLButtonUp, pilot::CodeMouseButtonLeft, false},
    {os::MsgRButtonDown, pilot::CodeMouseButtonRight, true},
    {os::MsgRButtonUp, pilot::CodeMouseButtonRight, false},
    {os::MsgMButtonDown, pilot::CodeMouseButtonMiddle, true},
    {os::MsgMButtonUp, pilot::CodeMouseButtonMiddle, false},
};

const KeyOrButton* FindKeyOrButton(uint32_t message) {
    for (const KeyOrButton& k : kKeysAndButtons)
        if (k.Message == message) return &k;
    return nullptr;
}

bool IsKeyMessage(uint32_t message) {
    const KeyOrButton* k = FindKeyOrButton(message);
    return k && k->Code == 0;
}

bool IsButtonMessage(uint32_t message) {
    const KeyOrButton* k = FindKeyOrButton(message);
    return k && k->Code != 0;
}

// What a key asked of the module: settings switched, the eye kept in a slot
// (written at once) or glided to one.
void ApplyInput(ModuleState& module, const pilot::InputResult& result) {
    ModuleSettings& s = module.Settings;
    if (result.Toggles & pilot::ToggleHeadLatency) Toggle(s.HeadLatencyOn);
    if (result.Toggles & pilot::ToggleGroundTurbulence) Toggle(s.GroundTurbOn);
    if (result.Toggles & pilot::ToggleExternalView) Toggle(s.ExternalViewActive);
    if (result.Toggles & pilot::ToggleFlyBy) Toggle(s.FlyByActive);
    if (result.Toggles & pilot::ToggleInternalView) Toggle(s.InternalViewActive);
    if (result.SaveSlot) SaveEye(module, result.SaveSlot);
    if (result.RecallSlot) RecallEye(module, result.RecallSlot);
    if (result.ZoomReset) ResetZoom(module);
}

// The host lost the keyboard: to another program, or to a window of its own
// (a dialog). Key releases now go there, so held keys end here.
bool KeyboardLost(const ModuleState& module, os::Hwnd window, uint32_t message, os::Word first) {
    if (message == os::MsgActivateApp) return first == 0;
    return message == os::MsgActivate && (first & 0xFFFF) == 0 && window != nullptr &&
           window == module.Host.MainWindow;
}

// The frame as the module sees it: the time, and Shift for a pilot walking
// outside (down now: a tap between two frames must not run one).
FrameEvent MakeFrameEvent(const ModuleState& module) {
    const ModuleSettings& s = module.Settings;
    bool walking = s.InternalViewActive && s.ExternalViewActive;
    return {os::timeGetTime(), walking && os::GetAsyncKeyState(os::VkShift) < 0};
}

// After an Alt binding ran, the release of Alt itself must not reach the host
// as it is: its window would take it for a lone Alt's, a call for its menu.
bool AltReleaseAfterBinding(InputRouting& input, const pilot::InputEvent& event, int32_t consumed) {
    if (event.Code != os::VkMenu) {
        if (consumed && event.Kind == pilot::InputKind::Press &&
            (event.Modifiers & pilot::ModifierAlt))
            input.AltBindingRan = 1;
        return false;
    }
    bool swallow = event.Kind == pilot::InputKind::Release && input.AltBindingRan;
    if (event.Kind == pilot::InputKind::Release) input.AltBindingRan = 0;
    return swallow;
}

// switchesOnly: the internal view is off, and only the keys of the menu's
// switches are looked for.
int RoutePilotInput(ModuleState& module, os::Hwnd window, uint32_t message, os::Word first,
                    os::Long second, bool switchesOnly) {
    if (switchesOnly && !IsKeyMessage(message) && !IsButtonMessage(message)) return 0;
    pilot::InputEvent event;
    if (!MakeInputEvent(window, message, first, second, event)) return 0;
    if (event.Kind == pilot::InputKind::PointerMove) return PointerMoved(module, window, event);
    if (event.Kind == pilot::InputKind::Wheel) return WheelTurned(module, event.WheelDelta);
    const pilot::PilotControls controls = ControlsOf(module.Pilot);
    pilot::InputResult result =
        switchesOnly
            ? pilot::SwitchInput(controls, module.Bindings, event)
            : pilot::PilotInput(controls, module.Bindings, event,
                                {ActiveViewKind(module), module.Settings.ExternalViewActive != 0,
                                 module.Clock.Ticked != 0});
    ApplyInput(module, result);
    if (IsKeyMessage(message) && AltReleaseAfterBinding(module.Input, event, result.Consumed))
        return MessageAsNoKey;
    if (result.Consumed && IsButtonMessage(message)) {
        // A handled button keeps the pointer until its release.
        if (event.Kind == pilot::InputKind::Press)
            os::SetCapture(window);
        else
            os::ReleaseCapture();
    }
    return result.Consumed;
}

} // namespace

bool IsPilotInputMessage(uint32_t message) {
    return message == os::MsgMouseMove || message == os::MsgMouseWheel ||
           FindKeyOrButton(message) != nullptr;
}

bool MakeInputEvent(os::Hwnd window, uint32_t message, os::Word first, os::Long second,
                    pilot::InputEvent& event) {
    char name[kClassNameCapacity] = {};
    const bool named = os::GetClassNameA(window, name, kClassNameCapacity) != 0;
    // Keys of the main or the view window; the mouse only over the view. A
    // release in a window Windows cannot name still ends what its press
    // began: the movement would run on.
    const KeyOrButton* k = FindKeyOrButton(message);
    const bool key = k && k->Code == 0, release = k && !k->Down;
    bool view = ClassIs(name, host::ViewWindowClass);
    if (!view && !(key && ClassIs(name, host::MainWindowClass)) && !(release && !named))
        return false;

    event = pilot::InputEvent{};
    if (message == os::MsgMouseMove) {
        event.Kind = pilot::InputKind::PointerMove;
        event.PointerX = int32_t(uint32_t(second) & 0xFFFF);
        event.PointerY = int32_t((uint32_t(second) >> 16) & 0xFFFF);
        os::Point screen{};
        os::GetCursorPos(&screen); // where the pointer is now, not where the message says
        event.ScreenX = screen.X;
        event.ScreenY = screen.Y;
        return true;
    }
    if (message == os::MsgMouseWheel) {
        event.Kind = pilot::InputKind::Wheel;
        event.WheelDelta = int16_t(uint16_t((first >> 16) & 0xFFFF));
        return true;
    }
    if (!k) return false;
    event.Kind = k->Down ? pilot::InputKind::Press : pilot::InputKind::Release;
    event.Code = k->Code ? k->Code : int32_t(first);
    event.Modifiers = HeldModifiers();
    return true;
}

int DispatchHostMessage(ModuleState& module, os::Hwnd window, uint32_t message, os::Word first,
                        os::Long second) {
    if (message == host::HostFrameMessage)
        FrameTick(module, MakeFrameEvent(module)); // never consumed
    if (KeyboardLost(module, window, message, first)) {
        pilot::ReleaseEverything(ControlsOf(module.Pilot), module.Bindings); // never consumed
        module.Input.AltBindingRan = 0;
    }
    if (IsPilotInputMessage(message)) {
        if (module.Settings.InternalViewActive != 0)
            return RoutePilotInput(module, window, message, first, second, false);
        if (module.Input.BindsSwitches)
            return RoutePilotInput(module, window, message, first, second, true);
    }
    if (window == nullptr || window != module.Host.MainWindow) return 0;
    if (message == os::MsgInitMenu) {
        AddModuleMenu(module.Settings, module.Bindings, module.Ui.MenuPopup, window);
        return 0;
    }
    if (message == os::MsgCommand) return RunMenuCommand(module, window, uint16_t(first & 0xFFFF));
    return 0;
}

os::Long OV_CALLBACK CallWndProcHookProc(int code, os::Word flag, os::Long record) {
    if (code == os::HookActionCode) {
        auto* sent = reinterpret_cast<os::SentMessage*>(record);
        int outcome =
            DispatchHostMessage(Module, sent->Window, sent->Message, sent->WParam, sent->LParam);
        if (outcome == MessageAsNoKey) sent->WParam = 0;
        if (outcome == MessageConsumed) {
            // Windows delivers a sent message whatever the hook does to its
            // record; blanking it is all the module can do.
            sent->Window = nullptr;
            sent->Message = 0;
            return 0;
        }
    }
    return os::CallNextHookEx(Module.Host.CallWndHook, code, flag, record);
}

os::Long OV_CALLBACK GetMessageHookProc(int code, os::Word flag, os::Long record) {
    // A message only looked at (not removed) is dispatched later, when it is removed.
    if (code == os::HookActionCode && flag == os::PeekRemove) {
        auto* queued = reinterpret_cast<os::QueuedMessage*>(record);
        int outcome = DispatchHostMessage(Module, queued->Window, queued->Message, queued->WParam,
                                          queued->LParam);
        if (outcome == MessageAsNoKey) queued->WParam = 0;
        if (outcome == MessageConsumed) {
            queued->Window = nullptr;
            queued->Message = 0;
            return 0;
        }
    }
    return os::CallNextHookEx(Module.Host.GetMessageHook, code, flag, record);
}

} // namespace addon
