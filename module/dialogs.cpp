#include "module/lifecycle.h"
#include "module/menu.h"
#include "module/resources/resource_ids.h"
#include "module/settings.h"

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

double AtLeastZero(double value) {
    return value < 0.0 ? 0.0 : value;
}

double Limited(double value, double highest) {
    return value > highest ? highest : AtLeastZero(value);
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

void FillConfiguration(os::Hwnd dialog) {
    ShowWhole(dialog, ID_FLYBY_DURATION, Settings.FlyByDuration);
    ShowWhole(dialog, ID_RELATIVE_ALTITUDE, Settings.FlyByRelAltitude);
    ShowWhole(dialog, ID_MIN_DISTANCE, Settings.FlyByMinDistance);
    for (int32_t side = 0; side < 3; ++side)
        ShowCheck(dialog, kPlacementButtons[side], Settings.FlyByCameraPlacement == side);
    ShowCheck(dialog, ID_TRAVELLING, Settings.FlyByTravelling);
    ShowReal(dialog, ID_VIEW_TURB_RATE, Settings.ViewTurbRate);
    ShowReal(dialog, ID_GROUND_TURB_RATE, Settings.GroundTurbRate);
    ShowReal(dialog, ID_RUNNING_SPEED, Settings.RunningSpeed);
    ShowCheck(dialog, ID_VIEW_TURB_ON, Settings.ViewTurbOn);
    ShowCheck(dialog, ID_GROUND_TURB_ON, Settings.GroundTurbOn);
}

void StoreConfiguration(os::Hwnd dialog) {
    Settings.FlyByDuration = ReadWhole(dialog, ID_FLYBY_DURATION);
    Settings.FlyByRelAltitude = ReadWhole(dialog, ID_RELATIVE_ALTITUDE);
    Settings.FlyByMinDistance = Magnitude(ReadWhole(dialog, ID_MIN_DISTANCE));
    // No button checked (a placement out of range was shown): keep it.
    for (int32_t side = 0; side < 3; ++side)
        if (ReadCheck(dialog, kPlacementButtons[side])) Settings.FlyByCameraPlacement = side;
    Settings.FlyByTravelling = ReadCheck(dialog, ID_TRAVELLING);
    Settings.ViewTurbRate = Limited(ReadReal(dialog, ID_VIEW_TURB_RATE), MaxViewTurbRate);
    Settings.GroundTurbRate = Limited(ReadReal(dialog, ID_GROUND_TURB_RATE), MaxGroundTurbRate);
    Settings.RunningSpeed = AtLeastZero(ReadReal(dialog, ID_RUNNING_SPEED));
    Settings.ViewTurbOn = ReadCheck(dialog, ID_VIEW_TURB_ON);
    Settings.GroundTurbOn = ReadCheck(dialog, ID_GROUND_TURB_ON);
}

} // namespace

os::Long OV_CALLBACK ConfigurationDialogProc(os::Hwnd dialog, uint32_t message, os::Word wParam,
                                             os::Long) {
    if (message == os::MsgInitDialog) {
        FillConfiguration(dialog);
        return kFocusLeftToSystem;
    }
    if (message != os::MsgCommand) return kNotHandled;
    switch (CommandId(wParam)) {
    case ID_OK:
        StoreConfiguration(dialog);
        os::EndDialog(dialog, kResultDone);
        break;
    case ID_CANCEL: // also Escape and the caption's close button
        os::EndDialog(dialog, kResultCancelled);
        break;
    default: // the controls' own notifications
        break;
    }
    return kHandled;
}

void OpenConfigurationDialog(os::Hwnd owner) {
    os::DialogBoxParamA(ModuleInstance, DIALOG_CONFIGURATION, owner, &ConfigurationDialogProc, 0);
}

// ---- About box --------------------------------------------------------------

os::Long OV_CALLBACK AboutBoxProc(os::Hwnd dialog, uint32_t message, os::Word wParam, os::Long) {
    if (message == os::MsgInitDialog) return kFocusLeftToSystem; // nothing to fill in
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
    os::DialogBoxParamA(ModuleInstance, DIALOG_ABOUT, owner, &AboutBoxProc, 0);
}

} // namespace addon
