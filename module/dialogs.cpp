#include "module/menu.h"
#include "module/module.h"
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
void ShowModuleDialog(uintptr_t templateId, os::Hwnd owner, os::DialogProc proc) {
    ModuleUi& ui = Module.Ui;
    if (ui.DialogOpen) {
        if (ui.Dialog) os::SetForegroundWindow(ui.Dialog);
        return;
    }
    ui.DialogOpen = 1;
    ui.Dialog = nullptr;
    os::DialogBoxParamA(Module.Host.Instance, templateId, owner, proc, 0);
    ui.DialogOpen = 0;
    ui.Dialog = nullptr;
}

// ---- Showing settings -------------------------------------------------------

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
    ShowReal(dialog, ID_VIEW_TURB_RATE, s.ViewTurbRate);
    ShowReal(dialog, ID_GROUND_TURB_RATE, s.GroundTurbRate);
    ShowReal(dialog, ID_RUNNING_SPEED, s.RunningSpeed);
    ShowCheck(dialog, ID_VIEW_TURB_ON, s.ViewTurbOn);
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
    s.ViewTurbRate = WithinRange(ReadReal(dialog, ID_VIEW_TURB_RATE), MaxViewTurbRate);
    s.GroundTurbRate = WithinRange(ReadReal(dialog, ID_GROUND_TURB_RATE), MaxGroundTurbRate);
    s.RunningSpeed = WithinRange(ReadReal(dialog, ID_RUNNING_SPEED), MaxRunningSpeed);
    s.ViewTurbOn = ReadCheck(dialog, ID_VIEW_TURB_ON);
    s.GroundTurbOn = ReadCheck(dialog, ID_GROUND_TURB_ON);
    s.MouseLookRate = UsableMouseLookRate(ReadReal(dialog, ID_MOUSE_LOOK_RATE));
    s.MouseLookInvert = ReadCheck(dialog, ID_MOUSE_LOOK_INVERT);
}

} // namespace

os::Long OV_CALLBACK ConfigurationDialogProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                             os::Long) {
    if (message == os::MsgInitDialog) {
        Module.Ui.Dialog = dialog;
        FillConfiguration(Module.Settings, dialog);
        return kFocusLeftToSystem;
    }
    if (message != os::MsgCommand) return kNotHandled;
    switch (CommandId(wParam)) {
    case ID_OK:
        StoreConfiguration(Module.Settings, dialog);
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

void OpenConfigurationDialog(os::Hwnd owner) {
    ShowModuleDialog(DIALOG_CONFIGURATION, owner, &ConfigurationDialogProc);
}

// ---- About box --------------------------------------------------------------

os::Long OV_CALLBACK AboutBoxProc(os::Hwnd dialog, uint32_t message, os::Word wParam, os::Long) {
    if (message == os::MsgInitDialog) {
        Module.Ui.Dialog = dialog;
        return kFocusLeftToSystem; // nothing to fill in
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

void OpenAboutBox(os::Hwnd owner) {
    ShowModuleDialog(DIALOG_ABOUT, owner, &AboutBoxProc);
}

} // namespace addon
