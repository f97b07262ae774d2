#include "module/dialogs.h"

#include "module/resources/resource_ids.h"

#include <cstdio>

namespace addon {

namespace {

// ---- Procedure answers and dialog results -----------------------------------

constexpr os::Long kNotHandled = 0;
constexpr os::Long kHandled = 1;
constexpr os::Long kFocusLeftToSystem = 0; // WM_INITDIALOG: the procedure set no focus
constexpr os::Long kResultDone = 1;
constexpr os::Long kResultCancelled = 0;

uint16_t CommandId(os::Word wParam) {
    return uint16_t(wParam & 0xFFFF);
}

// One module dialog at a time: a second modal one inside it would store its
// settings only for the outer one's OK to overwrite them. A command for a
// dialog while one is open brings the open one to the front instead.
void ShowModuleDialog(ModuleState& module, uintptr_t templateId, os::Hwnd owner,
                      os::DialogProc proc) {
    ModuleUi& ui = module.Ui;
    if (ui.DialogOpen) {
        if (ui.Dialog) os::SetForegroundWindow(ui.Dialog);
        return;
    }
    ui.DialogOpen = 1;
    ui.Dialog = nullptr;
    os::DialogBoxParamA(module.Host.Instance, templateId, owner, proc,
                        reinterpret_cast<os::Long>(&module));
    ui.DialogOpen = 0;
    ui.Dialog = nullptr;
}

// The module record the dialog was opened with: handed over with
// WM_INITDIALOG and kept in the dialog's own word; null before that.
ModuleState* ModuleOf(os::Hwnd dialog, uint32_t message, os::Long lParam) {
    if (message == os::MsgInitDialog) {
        os::SetWindowLongA(dialog, os::DialogUserData, lParam);
        auto* module = reinterpret_cast<ModuleState*>(lParam);
        if (module) module->Ui.Dialog = dialog;
        return module;
    }
    return reinterpret_cast<ModuleState*>(os::GetWindowLongA(dialog, os::DialogUserData));
}

// Windows may fail to keep the record in the dialog's word, or to give it
// back. Without it the dialog's closing buttons still end it (as cancelled:
// there is nothing to store into), or the host's window would stay disabled
// behind it for good.
os::Long CloseWithoutRecord(os::Hwnd dialog, uint32_t message, os::Word wParam) {
    if (message != os::MsgCommand) return kNotHandled;
    uint16_t id = CommandId(wParam);
    if (id != ID_OK && id != ID_CANCEL && id != ID_CLOSE) return kNotHandled;
    os::EndDialog(dialog, kResultCancelled);
    return kHandled;
}

// ---- Showing settings -------------------------------------------------------

constexpr int kNoteCapacity = 400; // a path of 299 characters and what is said of it

// "%.2f" of the largest double: 309 digits, sign, point and two decimals.
constexpr int kRealTextCapacity = 320;

void ShowWhole(os::Hwnd dialog, int id, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", int(value));
    os::SetDlgItemTextA(dialog, id, text);
}

void ShowReal(os::Hwnd dialog, int id, double value) {
    char text[kRealTextCapacity];
    std::snprintf(text, sizeof text, "%.2f", value);
    os::SetDlgItemTextA(dialog, id, text);
}

void ShowCheck(os::Hwnd dialog, int id, int32_t flag) {
    os::CheckDlgButton(dialog, id, flag != 0 ? os::ButtonChecked : os::ButtonUnchecked);
}

// ---- Reading settings -------------------------------------------------------

int32_t ReadWhole(os::Hwnd dialog, int id) {
    char text[DialogTextCapacity] = {}; // stays empty if the item cannot be read
    os::GetDlgItemTextA(dialog, id, text, DialogTextCapacity);
    return TextToInt(text);
}

double ReadReal(os::Hwnd dialog, int id) {
    char text[DialogTextCapacity] = {};
    os::GetDlgItemTextA(dialog, id, text, DialogTextCapacity);
    return TextToDouble(text);
}

int32_t ReadCheck(os::Hwnd dialog, int id) {
    return os::IsDlgButtonChecked(dialog, id) == os::ButtonChecked ? 1 : 0;
}

int32_t Magnitude(int32_t value) {
    // The magnitude of INT32_MIN does not fit; the text conversion saturates
    // there for anything below it, so all of those give the largest distance.
    if (value == INT32_MIN) return INT32_MAX;
    return value < 0 ? -value : value;
}

// ---- Configuration dialog ---------------------------------------------------

// Indexed by FlyByCameraPlacement.
constexpr int kPlacementButtons[] = {ID_ALWAYS_RIGHT, ID_ALWAYS_LEFT, ID_RANDOM_SIDE};

void FillConfiguration(const ModuleSettings& s, os::Hwnd dialog) {
    ShowWhole(dialog, ID_FLYBY_DURATION, s.FlyByDuration);
    ShowWhole(dialog, ID_RELATIVE_ALTITUDE, s.FlyByRelAltitude);
    ShowWhole(dialog, ID_MIN_DISTANCE, s.FlyByMinDistance);
    for (int32_t side = 0; side < 3; ++side)
        ShowCheck(dialog, kPlacementButtons[side], s.FlyByCameraPlacement == side);
    ShowCheck(dialog, ID_TRAVELLING, s.FlyByTravelling);
    ShowReal(dialog, ID_HEAD_LATENCY_RATE, s.HeadLatencyRate);
    ShowReal(dialog, ID_GROUND_TURB_RATE, s.GroundTurbRate);
    ShowReal(dialog, ID_RUNNING_SPEED, s.RunningSpeed);
    ShowCheck(dialog, ID_HEAD_LATENCY_ON, s.HeadLatencyOn);
    ShowCheck(dialog, ID_GROUND_TURB_ON, s.GroundTurbOn);
    ShowReal(dialog, ID_MOUSE_LOOK_RATE, s.MouseLookRate);
    ShowCheck(dialog, ID_MOUSE_LOOK_INVERT, s.MouseLookInvert);
}

void StoreConfiguration(ModuleSettings& s, os::Hwnd dialog) {
    s.FlyByDuration = ReadWhole(dialog, ID_FLYBY_DURATION);
    s.FlyByRelAltitude = ReadWhole(dialog, ID_RELATIVE_ALTITUDE);
    s.FlyByMinDistance = Magnitude(ReadWhole(dialog, ID_MIN_DISTANCE));
    // No button checked (a placement out of range was shown): keep it.
    for (int32_t side = 0; side < 3; ++side)
        if (ReadCheck(dialog, kPlacementButtons[side])) s.FlyByCameraPlacement = side;
    s.FlyByTravelling = ReadCheck(dialog, ID_TRAVELLING);
    s.HeadLatencyRate = WithinRange(ReadReal(dialog, ID_HEAD_LATENCY_RATE), MaxHeadLatencyRate);
    s.GroundTurbRate = WithinRange(ReadReal(dialog, ID_GROUND_TURB_RATE), MaxGroundTurbRate);
    s.RunningSpeed = WithinRange(ReadReal(dialog, ID_RUNNING_SPEED), MaxRunningSpeed);
    s.HeadLatencyOn = ReadCheck(dialog, ID_HEAD_LATENCY_ON);
    s.GroundTurbOn = ReadCheck(dialog, ID_GROUND_TURB_ON);
    s.MouseLookRate = UsableMouseLookRate(ReadReal(dialog, ID_MOUSE_LOOK_RATE));
    s.MouseLookInvert = ReadCheck(dialog, ID_MOUSE_LOOK_INVERT);
}

} // namespace

os::Long OV_CALLBACK ConfigurationDialogProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                             os::Long lParam) {
    ModuleState* module = ModuleOf(dialog, message, lParam);
    if (!module) return CloseWithoutRecord(dialog, message, wParam);
    if (message == os::MsgInitDialog) {
        FillConfiguration(module->Settings, dialog);
        return kFocusLeftToSystem;
    }
    if (message != os::MsgCommand) return kNotHandled;
    switch (CommandId(wParam)) {
    case ID_OK:
        StoreConfiguration(module->Settings, dialog);
        os::EndDialog(dialog, kResultDone);
        break;
    case ID_CANCEL: // also Escape and the caption's close button
        os::EndDialog(dialog, kResultCancelled);
        break;
    case ID_DEFAULTS: // shown only: OK still decides
        FillConfiguration(DefaultSettings(), dialog);
        break;
    default: // the controls' own notifications
        break;
    }
    return kHandled;
}

void OpenConfigurationDialog(ModuleState& module, os::Hwnd owner) {
    ShowModuleDialog(module, DIALOG_CONFIGURATION, owner, &ConfigurationDialogProc);
}

// ---- About box --------------------------------------------------------------

// The note says which key binding file the module read at start-up, and how
// many bindings it found there, or why none.
void ShowKeyBindingLoad(os::Hwnd dialog, const HostLink& host) {
    const KeyBindingLoad& load = host.KeyBindings;
    char text[kNoteCapacity];
    const char* path = host.KeyBindingPath;
    if (load.Read == BindingFileRead::NotOpened)
        std::snprintf(text, sizeof text, "%s: not found or not readable, no key bindings", path);
    else if (!load.SectionFound)
        std::snprintf(text, sizeof text, "%s: no [Keyboard] section, no key bindings", path);
    else
        std::snprintf(text, sizeof text, "%s: %d key binding%s%s", path, int(load.Count),
                      load.Count == 1 ? "" : "s",
                      load.Read == BindingFileRead::ReadError ? " (a read error cut it short)"
                                                              : "");
    os::SetDlgItemTextA(dialog, ID_ABOUT_NOTE, text);
}

os::Long OV_CALLBACK AboutBoxProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                  os::Long lParam) {
    ModuleState* module = ModuleOf(dialog, message, lParam);
    if (!module) return CloseWithoutRecord(dialog, message, wParam);
    if (message == os::MsgInitDialog) {
        ShowKeyBindingLoad(dialog, module->Host);
        return kFocusLeftToSystem;
    }
    if (message != os::MsgCommand) return kNotHandled;
    switch (CommandId(wParam)) {
    case ID_CLOSE:
        os::EndDialog(dialog, kResultDone);
        break;
    case ID_CANCEL: // Escape and the caption's close button close it too
        os::EndDialog(dialog, kResultCancelled);
        break;
    default:
        break;
    }
    return kHandled;
}

void OpenAboutBox(ModuleState& module, os::Hwnd owner) {
    ShowModuleDialog(module, DIALOG_ABOUT, owner, &AboutBoxProc);
}

} // namespace addon
