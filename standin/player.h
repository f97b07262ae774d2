// The scenario player: the state a scenario's steps share and the handlers
// of its verbs. The table of verbs and the player's core are in scenario.cpp;
// the verbs live by family in scenario_host.cpp, scenario_pilot.cpp,
// scenario_dialogs.cpp, scenario_checks.cpp and scenario_view_checks.cpp.
#pragma once

#include "standin/scenario.h"

#include <string>
#include <vector>

namespace standin::play {

constexpr DWORD kDialogWait = 20000; // milliseconds of real time; Wine may be emulated

struct Player {
    const Scenario& Script;
    int Fps = 20;
    double Time = 0.0;
    int Passed = 0, Failed = 0;
    bool Stop = false;
    std::vector<TraceRow> Trace;
    int LastLoggedSecond = -1;
    int StepLine = 0;          // the line of the step being played
    HWND Dialog = nullptr;     // the module's dialog that the pilot is at
    std::vector<HMENU> Popups; // the module's popup after each initmenu

    explicit Player(const Scenario& s) : Script(s) {}

    void Check(const Step& step, bool ok, const char* format, ...);
    void Frame();

    std::string BindingBase; // the default file, when the scenario took it
    std::string BindingWords;
    std::vector<int> HeldKeys;  // key codes down now
    std::vector<int> Modifiers; // modifier keys held down across steps
    SHORT HeldModifier(int vk) const {
        for (int m : Modifiers)
            if (m == vk) return SHORT(0x8000);
        return 0;
    }
    host::ViewRecord Marked[HostViewCount]{}; // the records at the last "mark view"
    LONG MenuCallsChecked = 0;
    bool Crouching() const {
        int crouch = KeyCodeOf("X"); // the default binding file's crouch
        for (int k : HeldKeys)
            if (k == crouch) return true;
        return false;
    }
    size_t CheckedUpTo = 0; // trace rows before the previous check
    bool InputReached = false;

    void Play(const Step& step);
    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendKey(const Step& step, UINT message, int code, bool repeat = false);
    HWND Item(const Step& step, size_t word);
    void CloseLeftoverDialogs();

    // The host, the aircraft and the flight (scenario_host.cpp).
    void StoreSetting(const Step& step);
    void HostStep(const Step& step);
    void SetFps(const Step& step);
    void Load(const Step& step);
    void Unload(const Step& step);
    void SetAircraft(const Step& step);
    void Run(const Step& step);
    void Command(const Step& step);
    void InitMenu(const Step& step);
    void Soak(const Step& step);

    // The pilot's keys, mouse and views (scenario_pilot.cpp).
    void Bindings(const Step& step);
    void Binding(const Step& step);
    void ShowHostView(const Step& step);
    void Mark(const Step& step);
    void Focus(const Step& step);
    void HoldModifier(const Step& step);
    void Pointer(const Step& step);
    void Button(const Step& step);
    void Wheel(const Step& step);
    void Key(const Step& step);

    // The pilot at the module's dialogs (scenario_dialogs.cpp).
    void AtDialog(const Step& step);

    // Checks (scenario_checks.cpp and, for the eye and the walk,
    // scenario_view_checks.cpp).
    void Expect(const Step& step);
    void ExpectViewpoint(const Step& step);
    void ExpectLookups(const Step& step);
    void ExpectRegistry(const Step& step);
    void ExpectRegistryCount(const Step& step);
    void ExpectMessageBox(const Step& step);
    void ExpectMessageBoxes(const Step& step);
    void ExpectDialogs(const Step& step);
    void ExpectMenu(const Step& step);
    void ExpectItem(const Step& step);
    void ExpectPointer(const Step& step);
    void ExpectInput(const Step& step);
    void ExpectHostMenu(const Step& step);
    void ExpectLabel(const Step& step);
    void ExpectEye(const Step& step);
    void ExpectFinite(const Step& step);
    void ExpectWalk(const Step& step);
};

std::string Word(const Step& step, size_t i);
double Number(const Step& step, size_t i);

// The module's settings key in the registry (scenario_host.cpp).
HKEY OpenSettings(bool create);
bool ReadSetting(const std::string& name, std::string& text);
// A key left read-only by an earlier run, made writable and removed.
void ForgetSettings();

} // namespace standin::play
