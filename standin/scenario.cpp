// Reading and playing scenarios on the script thread: the parser, the
// player's core and the table of its verbs, by the list of them here. The
// verbs themselves are in scenario_*.cpp by family (standin/player.h).
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
#include "standin/player.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace standin::play {

namespace {

// The verbs listed above, each with its handler; after "expect", the checks.
struct Verb {
    const char* Word;
    void (Player::*Play)(const Step&);
};

constexpr Verb kVerbs[] = {
    {"registry", &Player::StoreSetting},
    {"host", &Player::HostStep},
    {"fps", &Player::SetFps},
    {"load", &Player::Load},
    {"unload", &Player::Unload},
    {"aircraft", &Player::SetAircraft},
    {"run", &Player::Run},
    {"command", &Player::Command},
    {"initmenu", &Player::InitMenu},
    {"soak", &Player::Soak},
    {"bindings", &Player::Bindings},
    {"binding", &Player::Binding},
    {"view", &Player::ShowHostView},
    {"key", &Player::Key},
    {"hold", &Player::Key},
    {"modifier", &Player::HoldModifier},
    {"focus", &Player::Focus},
    {"pointer", &Player::Pointer},
    {"button", &Player::Button},
    {"wheel", &Player::Wheel},
    {"mark", &Player::Mark},
    {"dialog", &Player::AtDialog},
    {"type", &Player::AtDialog},
    {"tick", &Player::AtDialog},
    {"untick", &Player::AtDialog},
    {"click", &Player::AtDialog},
    {"screenshot", &Player::AtDialog},
    {"expect", &Player::Expect},
};

constexpr Verb kChecks[] = {
    {"viewpoint", &Player::ExpectViewpoint},
    {"lookups", &Player::ExpectLookups},
    {"registry", &Player::ExpectRegistry},
    {"registry-count", &Player::ExpectRegistryCount},
    {"messagebox", &Player::ExpectMessageBox},
    {"messageboxes", &Player::ExpectMessageBoxes},
    {"dialogs", &Player::ExpectDialogs},
    {"menu", &Player::ExpectMenu},
    {"box", &Player::ExpectItem},
    {"button", &Player::ExpectItem},
    {"label", &Player::ExpectLabel},
    {"pointer", &Player::ExpectPointer},
    {"key", &Player::ExpectInput},
    {"input", &Player::ExpectInput},
    {"host-menu", &Player::ExpectHostMenu},
    {"eye", &Player::ExpectEye},
    {"host-values", &Player::ExpectFinite},
    {"walker", &Player::ExpectWalk},
    {"view", &Player::ExpectWalk},
    {"views", &Player::ExpectWalk},
    {"camera-block", &Player::ExpectWalk},
    {"view-matrix", &Player::ExpectWalk},
};

template <size_t N> const Verb* Find(const Verb (&table)[N], const std::string& word) {
    for (const Verb& v : table)
        if (word == v.Word) return &v;
    return nullptr;
}

} // namespace

std::string Word(const Step& step, size_t i) {
    return i < step.Words.size() ? step.Words[i] : "";
}
double Number(const Step& step, size_t i) {
    return std::strtod(Word(step, i).c_str(), nullptr);
}

void Player::Check(const Step& step, bool ok, const char* format, ...) {
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

void Player::Frame() {
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

namespace {

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

void Player::Play(const Step& step) {
    const std::string verb = Word(step, 0);
    if (const Verb* v = Find(kVerbs, verb)) {
        (this->*v->Play)(step);
        return;
    }
    Check(step, false, "unknown step '%s'", verb.c_str());
    Stop = true;
}

void Player::Expect(const Step& step) {
    const std::string what = Word(step, 1);
    if (const Verb* v = Find(kChecks, what))
        (this->*v->Play)(step);
    else
        Check(step, false, "unknown check '%s'", what.c_str());
    CheckedUpTo = Trace.size();
}

} // namespace standin::play

namespace standin {

using play::Word;

constexpr DWORD kStartOfTime = 1000000; // the host's machine has been up for a while

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
        Step step{number, play::SplitWords(line)};
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
    using play::ForgetSettings;
    using play::Player;
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
