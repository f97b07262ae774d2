// The user's settings, read from the registry at start-up and written back at
// shut-down.
#pragma once

#include "platform/os.h"

#include <cstdint>

namespace addon {

// A cockpit eye the pilot saved: offset (view units), heading and pitch
// (degrees), zoom. Stored as "SavedView1".."SavedView9", the six numbers in
// that order; a slot never saved, or stored as anything else, is not used.
struct SavedView {
    int32_t Used;
    double X, Y, Z, Heading, Pitch, Zoom;
};
constexpr int32_t SavedViewCount = 9;

struct ModuleSettings {
    int32_t FlyByActive;
    int32_t FlyByDuration;        // seconds
    int32_t FlyByRelAltitude;     // feet
    int32_t FlyByMinDistance;     // metres
    int32_t FlyByCameraPlacement; // 0 always right, 1 always left, 2 random
    int32_t FlyByTravelling;
    int32_t InternalViewActive;
    int32_t ExternalViewActive; // never stored: off at every start
    int32_t HeadLatencyOn;      // stored as "ViewTurbOn", the name the registry has always used
    int32_t GroundTurbOn;
    double HeadLatencyRate; // stored as "ViewTurbRate"
    double GroundTurbRate;
    double RunningSpeed; // metres per second
    // The module's own, beyond the first set; their defaults change nothing.
    double MouseLookRate; // degrees per pixel at zoom 1
    int32_t MouseLookInvert;
    SavedView SavedViews[SavedViewCount];
    // A bit per stored value that could not be read at load (in the order
    // they are stored): left as stored at shut-down unless it was changed
    // from the default it fell back to, so that a passing failure does not
    // put the default over what the pilot had.
    uint32_t Unread;
};

// The ranges the pilot view holds a setting to when it uses it, and the
// dialog when it stores one. A value stored outside them (set in the
// registry by hand) is kept, shown and saved as it is, but never used beyond
// them: a rate of -5 would tilt the eye without end, a running speed of
// 1e308 would put infinity into the host's records.
constexpr double MaxHeadLatencyRate = 5.0;
constexpr double MaxGroundTurbRate = 5.0;
constexpr double MaxRunningSpeed = 100.0; // metres per second

// value within 0..most; 0 when it is not a number.
double WithinRange(double value, double most);

// Mouse look's rate: held to this range at load and in the dialog.
constexpr double DefaultMouseLookRate = 0.15;
constexpr double LeastMouseLookRate = 0.01;
constexpr double MostMouseLookRate = 1.0;
double UsableMouseLookRate(double rate); // the default when not a number

// A saved view's numbers held to what the eye can show: the offset within
// +-256 view units, the heading within 0..360, the pitch within +-90, the
// zoom within 0.25..8; unused when any is not a number.
SavedView UsableSavedView(SavedView view);

constexpr char SettingsKeyPath[] =
    "SOFTWARE\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0\\Orbivue";

// One registry value as the two registry routines take it.
struct RegistryValue {
    os::Hkey Root;
    char KeyPath[300];
    char ValueName[300];
    char Data[300];
    int32_t Unreadable; // not read for another reason than its absence or size: unknown
};

// 1 when the value was read into Data as text, else 0: text values
// (REG_SZ, REG_EXPAND_SZ) as they are, a REG_DWORD as its number in decimal,
// and any other type not at all. Unreadable tells a failure that says nothing
// of what is stored (a refused or failing call) from a value that is absent,
// too long or of another type.
int ReadRegistryValue(RegistryValue& value);
// 1 when Data was written (the key is created when missing), else 0.
int WriteRegistryValue(const RegistryValue& value);

// Every setting at its default (the dialog's Defaults button shows these).
ModuleSettings DefaultSettings();

// Defaults, then every stored value over them. A stored flag other than 0
// means on and is kept as 1, so that the menu's toggle can switch it off.
void LoadSettings(ModuleSettings& settings);
// Every stored value, changed or not; a failed write does not stop the others.
// Whole numbers as "%d", reals as "%f" (or, where that text would be too long
// to read back, the shortest form that reads back exactly).
void SaveSettings(const ModuleSettings& settings);
// One saved view, written at once (a host that ends without unloading the
// module keeps it); 1 when written.
int SaveViewSlot(const ModuleSettings& settings, int32_t slot);

// The standard text-to-number conversions, the same in both builds: leading
// white space skipped, the number ends where it cannot go on, no number is 0.
int32_t TextToInt(const char* text);
double TextToDouble(const char* text);

} // namespace addon
