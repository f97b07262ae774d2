// Reading and playing scenarios on the script thread.
//
//   # comment                          anything after '#' (outside quotes)
//   host main-window off               set-up: no "FS98MAIN" window
//   host panels-table off              set-up: the host hands over no panels table
//   host module-list off | unreadable  set-up: no module list (its head word is 0), or
//                                      one on a page no one may read
//   host view-list off | unreadable    set-up: likewise the view list
//   host settings-key read-only        from here on the module's key may be read, not
//                                      changed (as an access list allowing only reading)
//   registry NAME "TEXT"               a stored setting before the module loads
//   registry NAME dword N              one stored as a number (REG_DWORD)
//   fps N                              simulated frames per second (default 20)
//   load / unload                      the host loads or unloads the module
//   aircraft at LAT LON                place the aircraft (degrees)
//   aircraft alt M heading H speed KMH pitch P bank B turn DEG/S climb M/S
//   run SECONDS                        fly, one host frame message per frame (while a
//                                      dialog is open, its own loop takes them)
//   command ID [to view]               WM_COMMAND to the main (or view) window; one
//                                      that opens a dialog returns while it is open
//   initmenu                           WM_INITMENU to the main window
//   soak FRAMES [seed N]               random flights, commands and dialogs, each frame
//                                      checked (standin/soak.cpp); passes without anomalies
//
// The pilot view:
//   bindings default                   the key binding file shipped beside the DLL (or one
//                                      folder up, as installed), in the host's folder
//                                      ("EXE Path" points there)
//   bindings held-open                 from here on the binding file is held open for
//                                      reading and writing, shared all ways (an editor)
//   binding WORD                       one more word in a file of its own (after a
//                                      "[Keyboard]" header), e.g. PilotForward=W,DOUBLE;
//                                      after "bindings default", in a section of their
//                                      own after the default file
//   view cockpit|other|outside|none    which view the host shows (kinds 1, 7, 1250)
//   key down|up|press NAME [shift] [control] [alt] [to view]
//                                      a key message to the main (or view) window, with
//                                      those modifiers held; press is down then up
//   key repeat NAME ...                another key-down while held (auto-repeat); with
//                                      Alt held, and for F10, these are system-key
//                                      messages, as Windows sends them
//   modifier shift|control|alt down|up held from now on, e.g. to run while walking; Alt
//                                      also sends its own system-key message
//   focus lost | back                  another program takes the keyboard (the host's
//                                      windows get WM_ACTIVATE and WM_ACTIVATEAPP), or
//                                      gives it back; key releases meanwhile go there
//   hold NAME for SECONDS [shift] ...  down, fly SECONDS, up
//   aircraft ... on-ground 1           rolling on the ground (0: airborne)
//   pointer at X Y                     the mouse moves over the view window to (X, Y) of
//                                      its client area (also its screen position)
//   button down|up left|right|middle   a mouse button over the view window
//   wheel N                            N notches (negative: toward the pilot)
//   pointer burst N | wheel burst N    N pointer messages where the pointer is, or N
//                                      wheel messages of one notch up and down in turn,
//                                      between two frames (a fast mouse)
//
// The pilot at the module's dialogs (IDs are the dialog's item ids):
//   dialog "TITLE" opens               waits for it: modal, owned by the main window
//   type "TEXT" into ID                replaces the text of a box
//   tick ID / untick ID                sets or clears a check box or radio button
//   click ID                           clicks a button (a radio button clears its group)
//   screenshot NAME                    saves the dialog as OUTPUT-FOLDER/NAME.png
//   dialog closes                      waits until it is gone
//
// Checks:
//   expect viewpoint LAT LON alt M within METRES
//   expect lookups 47 48 ... | none    tokens looked up in the last frame
//   expect registry NAME "TEXT" | missing
//   expect registry-count N            values under the module's key
//   expect messagebox "TEXT" times N   message boxes shown with that text
//   expect messageboxes N              message boxes shown in all
//   expect dialogs N                   the module's dialogs that exist (owned by the
//                                      main window), open or still being made
//   expect menu copies N               "Orbi&vuePro" popups in the host's fourth menu,
//                                      each after a separator (and no other separator
//                                      there), the last at its end
//   expect menu entries N              entries of the last popup
//   expect menu earlier-popups destroyed  the popups seen after earlier initmenu
//                                      steps are no menus any more
//   expect menu [POS] "TEXT" [ID] checked | unchecked
//                                      an entry of the last popup (POS from 1, else
//                                      found by text; a bound key after \t), enabled
//   expect menu POS separator
//   expect box ID "TEXT"               the text of a box of the open dialog
//   expect button ID checked | unchecked
//   expect label "TEXT"                a label of the open dialog contains TEXT
//   expect key reached | swallowed     whether the last key message reached the host
//   expect eye heading|pitch|bank DEG within DEG
//                                      the cockpit view record's rotation rows
//   expect eye heading-word DEG within DEG
//   expect eye position X Y Z within U (reference + offset) / 256, view units
//   expect eye zoom-word N
//   expect eye untouched               the cockpit record as the host set it up
//   expect pointer hand | arrow | unchanged
//                                      the shape the module gave the pointer at the
//                                      last pointer step
//   expect input reached | swallowed   whether the last mouse message reached the host
//   expect host-menu opened | unopened whether the keyboard called for the host's menu
//                                      since the previous such check
//   expect host-values finite          every eye, walker, camera-block and view-matrix
//                                      value the host held after each frame since the
//                                      previous check
//   expect eye within DEG              the eye's pitch and bank stayed within DEG of level
//                                      over those frames
//
// The outside walk:
//   mark view                          remembers the host's view records as they are
//   expect view kind N | as-marked     the cockpit view record
//   expect views as-marked             every view record, byte for byte
//   expect walker at LAT LON within M  the eye position the walk wrote
//   expect walker eye|feet ALT within M
//   expect camera-block at-walker      the view's camera block and sub-block
//   expect view-matrix set | untouched the scene's view matrix
//   expect eye shakes                  the eye's pitch moved by more than 0.2 degrees
//                                      over the frames since the previous check
#include "standin/scenario.h"

#include "module/settings.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace standin {

namespace {

constexpr DWORD kStartOfTime = 1000000; // the host's machine has been up for a while
constexpr DWORD kDialogWait = 20000;    // milliseconds of real time; Wine may be emulated

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

    void Check(const Step& step, bool ok, const char* format, ...) {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        if (ok) {
            ++Passed;
            std::printf("  ok    line %d: %s\n", step.Line, text);
        } else {
            ++Failed;
            std::printf("  FAIL  line %d: %s\n", step.Line, text);
        }
    }

    void Frame() {
        double dt = 1.0 / Fps;
        SimulatedTime = SimulatedTime + DWORD(1000 / Fps);
        Time += dt;
        Fly(dt);
        LookupsThisFrame().clear();
        PostAndWait(FrameWindow(), HostFrameMessage, 0, 0);
        TraceRow row{Time,
                     StepLine,
                     Flight,
                     Module != nullptr,
                     ReadViewpoint(),
                     int(LookupsThisFrame().size()),
                     ReadEye(),
                     ReadWalk(),
                     Crouching()};
        Trace.push_back(row);
        int second = int(std::floor(Time + 1e-9));
        if (second != LastLoggedSecond) {
            LastLoggedSecond = second;
            std::printf("%s\n", DescribeRow(row).c_str());
        }
    }

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

    void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SendKey(const Step& step, UINT message, int code, bool repeat = false);
    void PilotStep(const Step& step);
    void ExpectEye(const Step& step);
    void ExpectFinite(const Step& step);
    void ExpectWalk(const Step& step);
    void Play(const Step& step);
    void AtDialog(const Step& step);
    void CloseLeftoverDialogs();
    void Expect(const Step& step);
    void ExpectMenu(const Step& step);
    HWND Item(const Step& step, size_t word);
};

std::string Word(const Step& step, size_t i) {
    return i < step.Words.size() ? step.Words[i] : "";
}
double Number(const Step& step, size_t i) {
    return std::strtod(Word(step, i).c_str(), nullptr);
}

HKEY OpenSettings(bool create) {
    HKEY key = nullptr;
    if (create)
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr);
    else
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_READ, &key);
    return key;
}

// The settings key's access list: only reading for everyone, or none at all
// (everyone may do everything). Its owner may always change the list.
bool SetSettingsKeyReadOnly(bool readOnly) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, nullptr, 0,
                        WRITE_DAC | KEY_READ, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    alignas(DWORD) BYTE list[256];
    auto* acl = reinterpret_cast<ACL*>(list);
    bool ok = true;
    if (readOnly) {
        ok = AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                      &everyone) &&
             InitializeAcl(acl, sizeof list, ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
             SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    } else {
        ok = SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    }
    ok = ok && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    if (everyone) FreeSid(everyone);
    RegCloseKey(key);
    return ok;
}

// A key left read-only by an earlier run, made writable and removed.
void ForgetSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        RegCloseKey(key);
        SetSettingsKeyReadOnly(false);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath);
}

bool ReadSetting(const std::string& name, std::string& text) {
    HKEY key = OpenSettings(false);
    if (!key) return false;
    char data[1024] = {};
    DWORD size = sizeof data - 1;
    LONG status =
        RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    text = data;
    return status == ERROR_SUCCESS;
}

// The values an "aircraft" step sets, by their words in the scenario.
struct AircraftValue {
    const char* Word;
    double Aircraft::*Field;
};
constexpr AircraftValue kAircraftValues[] = {
    {"alt", &Aircraft::Altitude},      {"heading", &Aircraft::Heading},
    {"speed", &Aircraft::Speed},       {"pitch", &Aircraft::Pitch},
    {"bank", &Aircraft::Bank},         {"turn", &Aircraft::TurnRate},
    {"climb", &Aircraft::ClimbRate},   {"ground", &Aircraft::GroundAltitude},
    {"on-ground", &Aircraft::OnGround}};

const AircraftValue* FindAircraftValue(const std::string& word) {
    for (const AircraftValue& v : kAircraftValues)
        if (word == v.Word) return &v;
    return nullptr;
}

void Player::Play(const Step& step) {
    const std::string verb = Word(step, 0);
    if (verb == "registry") {
        HKEY key = OpenSettings(true);
        std::string text = Word(step, 2);
        DWORD number = DWORD(std::strtoul(Word(step, 3).c_str(), nullptr, 0));
        if (text == "dword")
            RegSetValueExA(key, Word(step, 1).c_str(), 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&number), sizeof number);
        else
            RegSetValueExA(key, Word(step, 1).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
        RegCloseKey(key);
    } else if (verb == "host" && Word(step, 1) == "settings-key" && Word(step, 2) == "read-only") {
        bool done = SetSettingsKeyReadOnly(true);
        HKEY key = nullptr;
        bool refused = RegOpenKeyExA(HKEY_LOCAL_MACHINE, addon::SettingsKeyPath, 0, KEY_SET_VALUE,
                                     &key) == ERROR_ACCESS_DENIED;
        if (key) RegCloseKey(key);
        Check(step, done && refused, "the settings key is %s",
              refused ? "read-only" : "still writable");
    } else if (verb == "fps") {
        Fps = int(Number(step, 1));
        if (Fps < 1 || Fps > 1000) Fps = 20;
    } else if (verb == "load") {
        std::printf("[%6.2f s] the host loads the module\n", Time);
        if (!AskUiThread(Request::Load)) {
            Check(step, false, "load: %s", LoadError.c_str());
            Stop = true;
        }
    } else if (verb == "unload") {
        std::printf("[%6.2f s] the host unloads the module\n", Time);
        CloseLeftoverDialogs();
        AskUiThread(Request::Unload);
    } else if (verb == "aircraft") {
        for (size_t i = 1; i < step.Words.size(); ++i) {
            const std::string& key = step.Words[i];
            if (key == "at") {
                Flight.Latitude = Number(step, i + 1);
                Flight.Longitude = Number(step, i + 2);
                i += 2;
                continue;
            }
            double value = Number(step, ++i);
            const AircraftValue* field = FindAircraftValue(key);
            if (!field) {
                Check(step, false, "unknown aircraft value '%s'", key.c_str());
                continue;
            }
            Flight.*field->Field = value;
            if (field->Field == &Aircraft::ClimbRate && value == 0.0)
                Flight.Pitch = 0.0; // levels off
        }
    } else if (verb == "run") {
        int frames = int(std::lround(Number(step, 1) * Fps));
        for (int i = 0; i < frames; ++i) Frame();
    } else if (verb == "command") {
        HWND target = Word(step, 2) == "to" && Word(step, 3) == "view" ? ViewWindow : MainWindow;
        WPARAM id = WPARAM(std::strtoul(Word(step, 1).c_str(), nullptr, 0));
        std::printf("[%6.2f s] menu command 0x%04X to the %s window\n", Time, unsigned(id),
                    target == ViewWindow ? "view" : "main");
        PostAndWait(target, WM_COMMAND, id, 0);
    } else if (verb == "initmenu") {
        if (MainWindow) SendMessageA(MainWindow, WM_INITMENU, WPARAM(GetMenu(MainWindow)), 0);
        if (HMENU popup = ReadModuleMenu().Last) Popups.push_back(popup);
    } else if (verb == "soak") {
        long long frames = std::atoll(Word(step, 1).c_str());
        uint32_t seed = Word(step, 2) == "seed" ? uint32_t(Number(step, 3)) : 1;
        SoakReport r = RunSoak(frames, seed);
        long long anomalies = 0;
        for (const auto& [kind, count] : r.Anomalies) anomalies += count;
        std::printf("soak: %lld frames (seed %u), %.0f s simulated in %.1f s; %lld legs, %lld "
                    "commands, %lld dialogs, %lld clock jumps, %lld pilot inputs; %lld "
                    "anomalies\n",
                    r.Frames, unsigned(seed), r.SimulatedSeconds, r.WallSeconds, r.Legs, r.Commands,
                    r.Dialogs, r.ClockJumps, r.Inputs, anomalies);
        for (const auto& [kind, count] : r.Anomalies)
            std::printf("  %lld x %s\n", count, kind.c_str());
        Check(step, anomalies == 0 && r.Frames == frames, "%lld frames, %lld anomalies", r.Frames,
              anomalies);
    } else if (verb == "dialog" || verb == "type" || verb == "tick" || verb == "untick" ||
               verb == "click" || verb == "screenshot") {
        AtDialog(step);
    } else if (verb == "bindings" || verb == "binding" || verb == "view" || verb == "key" ||
               verb == "hold" || verb == "pointer" || verb == "button" || verb == "wheel" ||
               verb == "mark" || verb == "modifier" || verb == "focus") {
        PilotStep(step);
    } else if (verb == "expect") {
        Expect(step);
        CheckedUpTo = Trace.size();
    } else {
        Check(step, false, "unknown step '%s'", verb.c_str());
        Stop = true;
    }
}

HWND Player::Item(const Step& step, size_t word) {
    int id = int(Number(step, word));
    HWND item = Dialog ? GetDlgItem(Dialog, id) : nullptr;
    if (!item) Check(step, false, Dialog ? "the dialog has no item %d" : "no dialog is open", id);
    return item;
}

void Player::AtDialog(const Step& step) {
    const std::string verb = Word(step, 0);
    if (verb == "dialog" && Word(step, 2) == "opens") {
        std::string title = Word(step, 1);
        Dialog = WaitForDialog(title.c_str(), kDialogWait);
        HWND owner = Dialog ? GetWindow(Dialog, GW_OWNER) : nullptr;
        bool modal = MainWindow && !IsWindowEnabled(MainWindow);
        Check(step, Dialog && owner == MainWindow && modal, "dialog \"%s\" %s%s%s", title.c_str(),
              Dialog ? "is open" : "did not open",
              owner == MainWindow ? "" : ", not owned by the main window",
              modal ? "" : ", the main window is not disabled");
    } else if (verb == "dialog" && Word(step, 1) == "closes") {
        bool gone = Dialog && WaitUntilGone(Dialog, kDialogWait);
        bool enabled = MainWindow && IsWindowEnabled(MainWindow);
        Check(step, gone && enabled, "the dialog %s%s", gone ? "closed" : "is still open",
              enabled ? "" : ", the main window is not enabled");
        if (gone) Dialog = nullptr;
    } else if (verb == "type" && Word(step, 2) == "into") {
        std::printf("[%6.2f s] the pilot types \"%s\" into box %s\n", Time, Word(step, 1).c_str(),
                    Word(step, 3).c_str());
        if (Item(step, 3)) SetDlgItemTextA(Dialog, int(Number(step, 3)), Word(step, 1).c_str());
    } else if (verb == "tick" || verb == "untick" || verb == "click") {
        std::printf("[%6.2f s] the pilot %ss button %s\n", Time, verb.c_str(),
                    Word(step, 1).c_str());
        HWND button = Item(step, 1);
        if (button && verb == "click") // as the mouse would: down and up, on the dialog's thread
            SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDialogWait, nullptr);
        else if (button)
            CheckDlgButton(Dialog, int(Number(step, 1)),
                           verb == "tick" ? BST_CHECKED : BST_UNCHECKED);
    } else if (verb == "screenshot") {
        std::string name = Word(step, 1) + ".png";
        WindowPicture picture;
        bool saved = Dialog && SaveWindowPicture(
                                   Dialog, CurrentOptions().OutputFolder + "\\" + name, picture);
        // A blank or black picture has one or two colours; a drawn dialog has many.
        Check(step, saved && picture.Colours >= 4, "picture %s: %s, %dx%d, %d%s colours",
              name.c_str(), saved ? "saved" : "not saved", picture.Width, picture.Height,
              picture.Colours, picture.Colours >= 8 ? " or more" : "");
    } else {
        Check(step, false, "unknown dialog step");
    }
}

// A dialog left open holds the module's code on the UI thread's stack: unloading
// under it would crash the host, so it is cancelled first (and counted as a fault).
void Player::CloseLeftoverDialogs() {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));) {
        bool ours = w == Dialog || (MainWindow && GetWindow(w, GW_OWNER) == MainWindow);
        if (!ours) continue; // message boxes are the watcher's
        char title[128] = {};
        GetWindowTextA(w, title, sizeof title);
        ++Failed;
        std::printf("  FAIL  dialog \"%s\" left open; cancelled\n", title);
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
        if (!WaitUntilGone(w, kDialogWait)) break;
        w = nullptr; // start over: the list changed
    }
    Dialog = nullptr;
}

void Player::Expect(const Step& step) {
    const std::string what = Word(step, 1);
    if (what == "viewpoint") {
        double lat = Number(step, 2), lon = Number(step, 3);
        double alt = Word(step, 4) == "alt" ? Number(step, 5) : 0.0;
        double within = Word(step, 6) == "within" ? Number(step, 7) : 1.0;
        Viewpoint v = ReadViewpoint();
        double north = (v.LatitudeDegrees - lat) * 111130.0;
        double east = (v.LongitudeDegrees - lon) * 111130.0 * std::cos(lat * Pi / 180.0);
        double off = std::sqrt(north * north + east * east);
        bool ok = off <= within && std::fabs(double(v.AltitudeMetres) - alt) <= within + 1.0;
        Check(step, ok, "viewpoint %.6f %.6f alt %u is %.2f m from %.6f %.6f alt %.0f",
              v.LatitudeDegrees, v.LongitudeDegrees, unsigned(v.AltitudeMetres), off, lat, lon,
              alt);
    } else if (what == "lookups") {
        std::string expected, seen;
        for (size_t i = 2; i < step.Words.size(); ++i)
            if (step.Words[i] != "none") expected += (expected.empty() ? "" : " ") + step.Words[i];
        for (uint32_t token : LookupsThisFrame()) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "%X", unsigned(token));
            seen += (seen.empty() ? "" : " ") + std::string(hex);
        }
        Check(step, seen == expected, "lookups of the last frame: [%s], expected [%s]",
              seen.c_str(), expected.c_str());
    } else if (what == "registry") {
        std::string name = Word(step, 2), text;
        bool present = ReadSetting(name, text);
        if (Word(step, 3) == "missing")
            Check(step, !present, "%s is %s", name.c_str(), present ? text.c_str() : "missing");
        else
            Check(step, present && text == Word(step, 3), "%s is \"%s\", expected \"%s\"",
                  name.c_str(), present ? text.c_str() : "<missing>", Word(step, 3).c_str());
    } else if (what == "registry-count") {
        DWORD count = 0;
        if (HKEY key = OpenSettings(false)) {
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                             nullptr, nullptr, nullptr, nullptr);
            RegCloseKey(key);
        }
        Check(step, int(count) == int(Number(step, 2)), "%lu values stored, expected %s", count,
              Word(step, 2).c_str());
    } else if (what == "messagebox") {
        int times = 0;
        for (const std::string& text : MessageBoxesShown()) times += text == Word(step, 2);
        int expected = Word(step, 3) == "times" ? int(Number(step, 4)) : 1;
        Check(step, times == expected, "message box \"%s\" shown %d times, expected %d",
              Word(step, 2).c_str(), times, expected);
    } else if (what == "messageboxes") {
        int shown = int(MessageBoxesShown().size());
        Check(step, shown == int(Number(step, 2)), "%d message boxes shown, expected %s", shown,
              Word(step, 2).c_str());
    } else if (what == "dialogs") {
        int count = 0;
        for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
            count += MainWindow && GetWindow(w, GW_OWNER) == MainWindow;
        Check(step, count == int(Number(step, 2)), "%d module dialogs, expected %s", count,
              Word(step, 2).c_str());
    } else if (what == "menu") {
        ExpectMenu(step);
    } else if (what == "box" || what == "button") {
        if (!Item(step, 2)) return; // reported there
        int id = int(Number(step, 2));
        const std::string expected = Word(step, 3);
        if (what == "box") {
            char text[256] = {};
            GetDlgItemTextA(Dialog, id, text, sizeof text);
            Check(step, expected == text, "box %d shows \"%s\", expected \"%s\"", id, text,
                  expected.c_str());
            return;
        }
        bool checked = IsDlgButtonChecked(Dialog, id) == BST_CHECKED;
        bool known = expected == "checked" || expected == "unchecked";
        Check(step, known && (expected == "checked") == checked, "button %d is %s, expected %s", id,
              checked ? "checked" : "unchecked", expected.c_str());
    } else if (what == "pointer") {
        HCURSOR expected = Word(step, 2) == "hand"    ? LoadCursor(nullptr, IDC_HAND)
                           : Word(step, 2) == "arrow" ? LoadCursor(nullptr, IDC_ARROW)
                                                      : nullptr;
        HCURSOR set = CursorSet;
        Check(step, set == expected, "the pointer is %s, expected %s",
              set == nullptr                          ? "as it was"
              : set == LoadCursor(nullptr, IDC_HAND)  ? "the hand"
              : set == LoadCursor(nullptr, IDC_ARROW) ? "the arrow"
                                                      : "another shape",
              Word(step, 2).c_str());
    } else if (what == "key" || what == "input") {
        bool reached = Word(step, 2) == "reached";
        Check(step, InputReached == reached, "the last key message %s the host",
              InputReached ? "reached" : "did not reach");
    } else if (what == "eye") {
        ExpectEye(step);
    } else if (what == "host-menu") {
        LONG calls = HostMenuCalls - MenuCallsChecked;
        MenuCallsChecked = HostMenuCalls;
        Check(step, (calls > 0) == (Word(step, 2) == "opened"),
              "the keyboard called for the host's menu %ld times", calls);
    } else if (what == "host-values") {
        ExpectFinite(step);
    } else if (what == "walker" || what == "view" || what == "views" || what == "camera-block" ||
               what == "view-matrix") {
        ExpectWalk(step);
    } else if (what == "label") {
        bool found = Dialog && DialogHasLabel(Dialog, Word(step, 2).c_str());
        Check(step, found, "a label %s \"%s\"", found ? "shows" : "does not show",
              Word(step, 2).c_str());
    } else {
        Check(step, false, "unknown check '%s'", what.c_str());
    }
}

// ---- The pilot view ----------------------------------------------------------

int Modifier(const std::string& word) {
    if (word == "shift") return VK_SHIFT;
    if (word == "control") return VK_CONTROL;
    if (word == "alt") return VK_MENU;
    return 0;
}

void Player::Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LONG before = InputReachedHost;
    PostAndWait(window, message, wParam, lParam);
    InputReached = InputReachedHost != before;
}

// A key message's second parameter: repeat count 1, Alt held (the context
// code), the key down before (repeats and releases), going up.
LPARAM KeyData(bool alt, bool up, bool repeat) {
    return LPARAM(1 | (alt ? 1u << 29 : 0u) | (up || repeat ? 1u << 30 : 0u) |
                  (up ? 1u << 31 : 0u));
}

void Player::SendKey(const Step& step, UINT message, int code, bool repeat) {
    HWND target = MainWindow ? MainWindow : ViewWindow;
    for (size_t i = 3; i < step.Words.size(); ++i) {
        if (int vk = Modifier(step.Words[i])) KeyStates[vk] = SHORT(0x8000);
        if (step.Words[i] == "view") target = ViewWindow;
    }
    // Windows sends keys held with Alt, and F10, as system keys.
    bool alt = KeyStates[VK_MENU] < 0;
    bool up = message == WM_KEYUP;
    UINT sent = alt || code == VK_F10 ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : message;
    Post(target, sent, WPARAM(code), KeyData(alt, up, repeat));
    if (message == WM_KEYDOWN) HeldKeys.push_back(code);
    if (message == WM_KEYUP)
        for (size_t i = HeldKeys.size(); i-- > 0;)
            if (HeldKeys[i] == code) HeldKeys.erase(HeldKeys.begin() + long(i));
    for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) KeyStates[vk] = HeldModifier(vk);
}

void Player::PilotStep(const Step& step) {
    const std::string verb = Word(step, 0);
    std::string error;
    if (verb == "bindings" && Word(step, 1) == "held-open") {
        std::printf("[%6.2f s] another program holds the binding file open\n", Time);
        const bool held = HoldBindingFile(error);
        Check(step, held, "the binding file is held open%s%s", held ? "" : ": ", error.c_str());
    } else if (verb == "bindings") {
        // Beside the DLL as the build leaves it, else one folder up as a pilot
        // installs it: the DLL in the host's Modules folder, the file in the host's.
        std::string dll = CurrentOptions().DllPath;
        std::string folder = dll.substr(0, dll.find_last_of("\\/") + 1);
        std::string up = folder.empty()
                             ? ""
                             : folder.substr(0, folder.find_last_of("\\/", folder.size() - 2) + 1);
        auto read = [](const std::string& path) {
            std::string text;
            if (FILE* file = std::fopen(path.c_str(), "rb")) {
                char buffer[4096];
                for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
                    text.append(buffer, n);
                std::fclose(file);
            }
            return text;
        };
        std::string text = read(folder + "OrbivuePro.cfg");
        if (text.empty() && !up.empty()) text = read(up + "OrbivuePro.cfg");
        // Later binding words go after it: another section's header ends the
        // file's own (a header inside the section only ends it), and the
        // binding section's header opens it again.
        const bool found = !text.empty();
        BindingBase = text + "\n[Scenario]\n";
        if (!BindingWords.empty()) text = BindingBase + "[Keyboard]\n" + BindingWords;
        Check(step, found && PlaceBindingFile(text, error), "the default binding file %s",
              !found ? ("is neither beside the DLL nor one folder up: " + folder).c_str()
                     : error.c_str());
    } else if (verb == "binding") {
        BindingWords += Word(step, 1) + "\n";
        Check(step, PlaceBindingFile(BindingBase + "[Keyboard]\n" + BindingWords, error),
              "binding file %s", error.empty() ? "written" : error.c_str());
    } else if (verb == "view") {
        std::printf("[%6.2f s] the host shows the %s view\n", Time, Word(step, 1).c_str());
        if (!ShowView(Word(step, 1)))
            Check(step, false, "unknown view '%s'", Word(step, 1).c_str());
    } else if (verb == "mark") {
        for (int i = 0; i < HostViewCount; ++i) Marked[i] = HostViewRecord(i);
    } else if (verb == "focus") {
        bool lost = Word(step, 1) == "lost";
        std::printf("[%6.2f s] %s\n", Time,
                    lost ? "another program takes the keyboard"
                         : "the host has the keyboard again");
        // What Windows sends the host's top window, in its order.
        HWND top = MainWindow ? MainWindow : ViewWindow;
        DWORD_PTR ignored = 0;
        if (lost) {
            SendMessageTimeoutA(top, WM_ACTIVATE, WA_INACTIVE, 0, SMTO_NORMAL, kDialogWait,
                                &ignored);
            SendMessageTimeoutA(top, WM_ACTIVATEAPP, FALSE, 0, SMTO_NORMAL, kDialogWait, &ignored);
        } else {
            SendMessageTimeoutA(top, WM_ACTIVATEAPP, TRUE, 0, SMTO_NORMAL, kDialogWait, &ignored);
            SendMessageTimeoutA(top, WM_ACTIVATE, WA_ACTIVE, 0, SMTO_NORMAL, kDialogWait, &ignored);
        }
    } else if (verb == "modifier") {
        int vk = Modifier(Word(step, 1));
        bool down = Word(step, 2) == "down";
        std::printf("[%6.2f s] the pilot %s %s\n", Time, down ? "holds" : "lets go of",
                    Word(step, 1).c_str());
        for (size_t i = Modifiers.size(); i-- > 0;)
            if (Modifiers[i] == vk) Modifiers.erase(Modifiers.begin() + long(i));
        if (down) Modifiers.push_back(vk);
        KeyStates[vk] = HeldModifier(vk);
        // Alt is a system key: Windows sends its own down and up.
        if (vk == VK_MENU)
            Post(MainWindow ? MainWindow : ViewWindow, down ? WM_SYSKEYDOWN : WM_SYSKEYUP, VK_MENU,
                 KeyData(true, !down, false));
    } else if (verb == "pointer" && Word(step, 1) == "burst") {
        int n = int(Number(step, 2));
        std::printf("[%6.2f s] %d pointer messages where the pointer is\n", Time, n);
        for (int i = 0; i < n; ++i)
            Post(ViewWindow, WM_MOUSEMOVE, 0, MAKELPARAM(Cursor.x, Cursor.y));
    } else if (verb == "wheel" && Word(step, 1) == "burst") {
        int n = int(Number(step, 2));
        std::printf("[%6.2f s] %d wheel messages, one notch up and down in turn\n", Time, n);
        for (int i = 0; i < n; ++i)
            Post(ViewWindow, WM_MOUSEWHEEL,
                 MAKEWPARAM(0, SHORT(i % 2 ? -WHEEL_DELTA : WHEEL_DELTA)),
                 MAKELPARAM(Cursor.x, Cursor.y));
    } else if (verb == "pointer") {
        int x = int(Number(step, 2)), y = int(Number(step, 3));
        std::printf("[%6.2f s] the pointer moves to %d %d\n", Time, x, y);
        Cursor.x = x;
        Cursor.y = y;
        CursorSet = nullptr;
        Post(ViewWindow, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    } else if (verb == "button") {
        const std::string which = Word(step, 2);
        bool down = Word(step, 1) == "down";
        UINT message = which == "left"    ? (down ? WM_LBUTTONDOWN : WM_LBUTTONUP)
                       : which == "right" ? (down ? WM_RBUTTONDOWN : WM_RBUTTONUP)
                                          : (down ? WM_MBUTTONDOWN : WM_MBUTTONUP);
        std::printf("[%6.2f s] the %s button goes %s\n", Time, which.c_str(), down ? "down" : "up");
        Post(ViewWindow, message, 0, MAKELPARAM(Cursor.x, Cursor.y));
    } else if (verb == "wheel") {
        int notches = int(Number(step, 1));
        std::printf("[%6.2f s] the wheel turns %d notches\n", Time, notches);
        Post(ViewWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, SHORT(notches * WHEEL_DELTA)),
             MAKELPARAM(Cursor.x, Cursor.y));
    } else if (verb == "key" || verb == "hold") {
        std::string name = Word(step, verb == "key" ? 2 : 1);
        int code = KeyCodeOf(name);
        if (code == 0) {
            Check(step, false, "unknown key '%s'", name.c_str());
            return;
        }
        std::string how = verb == "key" ? Word(step, 1) : "hold";
        std::printf("[%6.2f s] the pilot %s %s\n", Time,
                    how == "down" ? "presses"
                    : how == "up" ? "releases"
                                  : how.c_str(),
                    name.c_str());
        if (how == "down" || how == "press" || how == "repeat" || how == "hold")
            SendKey(step, WM_KEYDOWN, code, how == "repeat");
        if (how == "hold")
            for (int i = 0, n = int(std::lround(Number(step, 3) * Fps)); i < n; ++i) Frame();
        if (how == "up" || how == "press" || how == "hold") SendKey(step, WM_KEYUP, code);
    }
}

// Every value the host held after each frame since the previous check.
void Player::ExpectFinite(const Step& step) {
    size_t bad = 0, first = 0;
    for (size_t i = CheckedUpTo; i < Trace.size(); ++i) {
        const EyeReading& e = Trace[i].Eye;
        const WalkReading& w = Trace[i].Walk;
        const host::CameraBlock& c = w.Camera;
        const host::CameraSubBlock& s = w.Sub;
        std::vector<double> values = {e.Heading,
                                      e.Pitch,
                                      e.Bank,
                                      e.Position[0],
                                      e.Position[1],
                                      e.Position[2],
                                      w.Latitude,
                                      w.Longitude,
                                      w.Altitude,
                                      c.Latitude,
                                      c.Longitude,
                                      c.AltitudeKilometres,
                                      c.U,
                                      c.V,
                                      s.Latitude,
                                      s.Longitude,
                                      s.AltitudeKilometres,
                                      s.Word196};
        for (float f : w.ViewMatrix) values.push_back(f);
        for (float f : c.Matrix) values.push_back(f);
        for (double v : values)
            if (!std::isfinite(v) && bad++ == 0) first = i;
    }
    Check(step, bad == 0, "%zu values that are not finite over %zu frames%s", bad,
          Trace.size() - CheckedUpTo,
          bad ? (" (first at " + std::to_string(Trace[first].Time) + " s)").c_str() : "");
}

void Player::ExpectEye(const Step& step) {
    EyeReading e = ReadEye();
    const std::string what = Word(step, 2);
    if (what == "within") {
        double most = 0.0;
        for (size_t i = CheckedUpTo; i < Trace.size(); ++i) {
            const EyeReading& r = Trace[i].Eye;
            double level = std::fmax(std::fabs(r.Pitch), std::fabs(r.Bank));
            most = std::isfinite(level) ? std::fmax(most, level) : INFINITY;
        }
        Check(step, most <= Number(step, 3), "the eye's pitch and bank stayed within %.3f degrees",
              most);
        return;
    }
    if (what == "shakes") {
        double lo = 1e9, hi = -1e9;
        for (size_t i = CheckedUpTo; i < Trace.size(); ++i)
            lo = std::fmin(lo, Trace[i].Eye.Pitch), hi = std::fmax(hi, Trace[i].Eye.Pitch);
        Check(step, hi - lo > 0.2, "the eye's pitch moved over %.3f degrees",
              hi > lo ? hi - lo : 0.0);
        return;
    }
    if (what == "untouched") {
        host::ViewRecord fresh = CockpitRecord();
        bool same = e.Kind == host::ViewKindCockpit && e.ZoomWord == 64 && e.HeadingWord == 0 &&
                    e.Position[0] == 0.0 && e.Position[1] == 1.0 && e.Position[2] == 2.0 &&
                    fresh.Rotation[0].Column[0] == 1.0f && fresh.Rotation[2].Column[2] == 1.0f;
        Check(step, same, "the cockpit record is %s", same ? "as the host set it up" : "changed");
        return;
    }
    if (what == "zoom-word") {
        Check(step, e.ZoomWord == int(Number(step, 3)), "zoom word %d, expected %s",
              int(e.ZoomWord), Word(step, 3).c_str());
        return;
    }
    if (what == "position") {
        double within = Number(step, 7), off = 0;
        for (int i = 0; i < 3; ++i)
            off = std::fmax(off, std::fabs(e.Position[i] - Number(step, 3 + size_t(i))));
        Check(step, off <= within, "eye at %.3f %.3f %.3f, expected %s %s %s within %s",
              e.Position[0], e.Position[1], e.Position[2], Word(step, 3).c_str(),
              Word(step, 4).c_str(), Word(step, 5).c_str(), Word(step, 7).c_str());
        return;
    }
    double value = what == "heading"        ? e.Heading
                   : what == "pitch"        ? e.Pitch
                   : what == "bank"         ? e.Bank
                   : what == "heading-word" ? e.HeadingWord * 360.0 / 65536.0
                                            : NAN;
    double expected = Number(step, 3), within = Number(step, 5);
    double off = std::fabs(std::remainder(value - expected, 360.0));
    Check(step, off <= within, "eye %s %.3f, expected %.3f within %.3f", what.c_str(), value,
          expected, within);
}

void Player::ExpectWalk(const Step& step) {
    const std::string what = Word(step, 1), how = Word(step, 2);
    WalkReading w = ReadWalk();
    if (what == "walker" && how == "at") {
        double lat = Number(step, 3), lon = Number(step, 4), within = Number(step, 6);
        double north = (w.Latitude - lat) * 111130.52;
        double east = (w.Longitude - lon) * 111130.52 * std::cos(lat * Pi / 180.0);
        double off = std::hypot(north, east);
        Check(step, w.Written && off <= within, "walker at %.7f %.7f, %.2f m from %s %s",
              w.Latitude, w.Longitude, off, Word(step, 3).c_str(), Word(step, 4).c_str());
    } else if (what == "walker" && (how == "eye" || how == "feet")) {
        // The feet: the eye less its height over them (the walking bob within 3 cm).
        double eyeHeight = Crouching() ? 0.75 : 1.7;
        double value = how == "eye" ? w.Altitude : w.Altitude - eyeHeight;
        double expected = Number(step, 3), within = Number(step, 5);
        Check(step, w.Written && std::fabs(value - expected) <= within,
              "walker's %s at %.3f m, expected %.3f within %.3f", how.c_str(), value, expected,
              within);
    } else if (what == "view" && how == "kind") {
        int32_t kind = CockpitRecord().Kind;
        Check(step, kind == int32_t(Number(step, 3)), "the view record's kind is %d, expected %s",
              int(kind), Word(step, 3).c_str());
    } else if ((what == "view" || what == "views") && how == "as-marked") {
        for (int r = 0; r < (what == "view" ? 1 : HostViewCount); ++r) {
            const host::ViewRecord& now = HostViewRecord(r);
            const auto* a = reinterpret_cast<const uint8_t*>(&now);
            const auto* b = reinterpret_cast<const uint8_t*>(&Marked[r]);
            int differ = 0, first = -1;
            for (int i = 0; i < int(sizeof now); ++i)
                if (a[i] != b[i] && differ++ == 0) first = i;
            Check(step, differ == 0,
                  "view record %d (kind %d) differs from the marked one in %d bytes (first %d)", r,
                  int(now.Kind), differ, first);
        }
    } else if (what == "camera-block") {
        const host::CameraBlock& c = w.Camera;
        double u = (w.Longitude + 180.0) / 360.0 * 0.75,
               v = (1.0 - (w.WalkLatitude + 90.0) / 180.0) * 0.5;
        bool ok = std::fabs(c.Latitude - w.WalkLatitude) < 1e-6 &&
                  std::fabs(c.Longitude - w.Longitude) < 1e-6 &&
                  std::fabs(c.AltitudeKilometres * 1000.0 - w.Altitude) < 1e-3 &&
                  std::fabs(c.U - u) < 1e-9 && std::fabs(c.V - v) < 1e-9 &&
                  c.UWord == int32_t(c.U * 1073741824.0) &&
                  c.VWord == int32_t(c.V * 1073741824.0) &&
                  std::fabs(w.Sub.Latitude - w.WalkLatitude) < 1e-6 &&
                  std::fabs(w.Sub.Word196 + w.Altitude) < 1e-3;
        Check(step, ok, "camera block at %.7f %.7f %.4f km, U %.6f V %.6f; sub-block %.7f",
              c.Latitude, c.Longitude, c.AltitudeKilometres, c.U, c.V, w.Sub.Latitude);
    } else if (what == "view-matrix") {
        bool set = false;
        for (float f : w.ViewMatrix) set |= f != 0.0f;
        Check(step, set == (how == "set"), "the scene's view matrix is %s",
              set ? "set" : "untouched");
    } else {
        Check(step, false, "unknown check");
    }
}

std::string Describe(const MenuEntry& e) {
    if (!e.Exists) return "missing";
    if (e.Separator) return "a separator";
    char text[128];
    std::snprintf(text, sizeof text, "\"%s\" 0x%04X %s%s%s", e.Text.c_str(), e.Id,
                  e.Checked ? "checked" : "unchecked", e.Greyed ? " greyed" : "",
                  e.Popup ? " popup" : "");
    return text;
}

void Player::ExpectMenu(const Step& step) {
    ModuleMenu menu = ReadModuleMenu();
    const std::string what = Word(step, 2);
    if (what == "copies") {
        int copies = int(Number(step, 3));
        bool placed = copies == 0 || (menu.EachAfterSeparator && menu.AtEnd);
        Check(step, menu.Copies == copies && placed && menu.Separators == copies,
              "the host's fourth menu holds %d \"Orbi&vuePro\" popups and %d separators%s%s, "
              "expected %d of each",
              menu.Copies, menu.Separators,
              menu.EachAfterSeparator ? "" : ", not each after a separator",
              menu.Copies && !menu.AtEnd ? ", the last not at its end" : "", copies);
        return;
    }
    if (what == "earlier-popups" && Word(step, 3) == "destroyed") {
        int alive = 0, earlier = 0;
        for (HMENU popup : Popups)
            if (popup != menu.Last) ++earlier, alive += IsMenu(popup) != FALSE;
        Check(step, alive == 0, "%d of %d earlier popups are still menus", alive, earlier);
        return;
    }
    if (!menu.Last) {
        Check(step, false, "no \"Orbi&vuePro\" popup in the host's fourth menu");
        return;
    }
    if (what == "entries") {
        int count = GetMenuItemCount(menu.Last);
        Check(step, count == int(Number(step, 3)), "the popup has %d entries, expected %s", count,
              Word(step, 3).c_str());
        return;
    }
    // An entry by its place (counted from 1) or by its text.
    size_t word = 2;
    int position =
        what.find_first_not_of("0123456789") == std::string::npos ? std::atoi(what.c_str()) : 0;
    if (position) ++word;
    // A menu shows a shortcut after a tab, written \t in a scenario.
    std::string text = Word(step, word++);
    for (size_t at; (at = text.find("\\t")) != std::string::npos;) text.replace(at, 2, "\t");
    MenuEntry entry;
    if (position) {
        entry = ReadMenuEntry(menu.Last, position - 1);
    } else {
        do entry = ReadMenuEntry(menu.Last, position++);
        while (entry.Exists && (entry.Separator || entry.Text != text));
    }
    std::string expected = text == "separator" ? "a separator" : "\"" + text + "\"";
    bool ok = entry.Exists && (text == "separator" ? entry.Separator : entry.Text == text);
    if (text != "separator") {
        bool idGiven = Word(step, word).rfind("0x", 0) == 0;
        UINT id = idGiven ? UINT(std::strtoul(Word(step, word++).c_str(), nullptr, 0)) : entry.Id;
        const std::string state = Word(step, word);
        ok = ok && !entry.Separator && !entry.Popup && !entry.Greyed && entry.Id == id &&
             (state == "checked" || state == "unchecked") && entry.Checked == (state == "checked");
        if (idGiven) expected += " " + Word(step, word - 1);
        expected += " " + state;
    }
    Check(step, ok, "menu entry %d is %s, expected %s", position, Describe(entry).c_str(),
          expected.c_str());
}

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == '#') {
            break;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

} // namespace

Scenario& CurrentScenario() {
    static Scenario scenario;
    return scenario;
}

Options& CurrentOptions() {
    static Options options;
    return options;
}

bool ReadScenario(const std::string& path, Scenario& scenario, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        error = "cannot read scenario " + path;
        return false;
    }
    size_t slash = path.find_last_of("/\\");
    scenario.Name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    scenario.Name = scenario.Name.substr(0, scenario.Name.find('.'));
    char line[1024];
    for (int number = 1; std::fgets(line, sizeof line, file); ++number) {
        line[std::strcspn(line, "\n")] = 0;
        Step step{number, SplitWords(line)};
        if (step.Words.empty()) continue;
        if (step.Words[0] == "host" && Word(step, 1) == "settings-key") {
            scenario.Steps.push_back(step); // in order, after the values it keeps
            continue;
        }
        if (step.Words[0] == "host") {
            bool off = Word(step, 2) == "off";
            if (Word(step, 1) == "main-window")
                scenario.HostMainWindow = !off;
            else if (Word(step, 1) == "panels-table")
                scenario.ProvidePanelsTable = !off;
            else if (Word(step, 1) == "module-list" || Word(step, 1) == "view-list") {
                ListSetUp setUp = off                             ? ListSetUp::Absent
                                  : Word(step, 2) == "unreadable" ? ListSetUp::Unreadable
                                                                  : ListSetUp::Present;
                (Word(step, 1) == "module-list" ? scenario.HostModuleList : scenario.HostViewList) =
                    setUp;
            } else {
                error = path + ":" + std::to_string(number) + ": unknown host set-up";
                std::fclose(file);
                return false;
            }
            continue;
        }
        scenario.Steps.push_back(step);
    }
    std::fclose(file);
    return true;
}

int RunScenario(const Options& options) {
    const Scenario& scenario = CurrentScenario();
    std::printf("scenario %s\n", scenario.Name.c_str());
    // Every scenario starts from a host whose registry knows nothing of the module.
    ForgetSettings();
    ForgetHostFolder();
    SimulatedTime = kStartOfTime;

    Player player(scenario);
    for (const Step& step : scenario.Steps) {
        if (player.Stop) break;
        player.StepLine = step.Line;
        player.Play(step);
    }
    player.CloseLeftoverDialogs();
    if (Module) AskUiThread(Request::Unload);
    // Every scenario: the module's own code never faulted.
    if (LONG faults = ModuleFaults()) {
        ++player.Failed;
        std::printf("  FAIL  %ld faults in the module's own code\n", faults);
    }
    ForgetSettings(); // the next scenario's start may not be able to

    if (!player.Trace.empty()) {
        std::string base = options.OutputFolder + "\\" + scenario.Name;
        WriteTrace(base + ".csv", player.Trace);
        WritePicture(base + ".svg", scenario.Name, player.Trace);
        bool eyeMoved = false;
        for (const TraceRow& r : player.Trace)
            eyeMoved |= r.Eye.HeadingWord != 0 || std::fabs(r.Eye.Heading) > 1e-6 ||
                        std::fabs(r.Eye.Pitch) > 1e-6;
        if (eyeMoved) WriteEyePicture(base + "_eye.svg", scenario.Name, player.Trace);
        bool walked = false;
        for (const TraceRow& r : player.Trace) walked |= r.Walk.Written;
        if (walked) WriteWalkPicture(base + "_walk.svg", scenario.Name, player.Trace);
    }
    std::printf("%d passed, %d failed\n", player.Passed, player.Failed);
    return player.Failed;
}

} // namespace standin
