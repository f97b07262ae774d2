// Fault sweeps over one scripted session of the module, driven through the
// hooks (RunSession). Every failable Windows call fails in turn, once and for
// good; every host page the module reads or writes is taken away, or left
// only readable, in turn. Every run must leave the host sound (ExpectHostSound).
#include "host/viewpoint.h"
#include "module/resources/resource_ids.h"
#include "module/router.h"
#include "module/settings.h"

#include "ground_scene.h"
#include "module_test.h"
#include "pilot_host.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

using namespace addon;

namespace {

constexpr char kHostFolder[] = "D:\\FS";
constexpr char kBindings[] = "[Keyboard] PilotHeadRight=RIGHT,DOUBLE PilotForward=W,DOUBLE\n"
                             "TogglePilot=P ToggleMouseLook=MOUSE_BUTTON_1,DOUBLE\n"
                             "SaveView2=S RecallView1=R ToggleHeadLatency=H";
const std::map<std::string, std::string> kStoredBefore = {
    {"FlyByDuration", "20"},
    {"RunningSpeed", "7.500000"},
    {"ViewTurbOn", "1"},
    {"InternalViewActive", "1"},
    {"SavedView1", "1.000000 2.000000 0.000000 30.000000 5.000000 2.000000"}};

constexpr double kLatitude = 47.0, kLongitude = 8.0; // degrees
constexpr hostmem::Addr kSceneImage = 0x00700000;
constexpr hostmem::Addr kCameraBlock = 0x00800000;
constexpr hostmem::Addr kCameraSubBlock = 0x00801000;
constexpr uint32_t kPage = 0x1000;
constexpr int kMostRuns = 2000; // a bound on each sweep: more calls than a session makes

// The failable Windows calls of the session, by the part that makes them
// (the message box and creating the settings' key only follow a failure).
const std::set<std::string> kSessionCalls = {
    "RegOpenKeyExA", "RegQueryValueExA", "RegSetValueExA", "FindWindowA", "GetModuleHandleA",
    "SetWindowsHookExA", "UnhookWindowsHookEx", "CreateFileA", "ReadFile",
    // the pilot view
    "GetClassNameA", "GetCursorPos", "GetClientRect", "LoadCursorA",
    // the menu
    "GetMenu", "GetSubMenu", "CreatePopupMenu", "AppendMenuA", "GetMenuItemCount", "GetMenuItemID",
    "GetMenuState", "RemoveMenu", "DestroyMenu",
    // the dialogs
    "DialogBoxParamA", "SetWindowLongA", "GetWindowLongA", "SetDlgItemTextA", "GetDlgItemTextA",
    "CheckDlgButton", "EndDialog", "SetForegroundWindow"};

// Windows calls without which the module's popup cannot be found in the
// host's menu, taken out or destroyed.
const std::set<std::string> kMenuRemoval = {"GetMenu",       "GetSubMenu", "GetMenuItemCount",
                                            "GetMenuItemID", "RemoveMenu", "DestroyMenu"};
constexpr int kHostMenus = 6; // the host's bar and its five menus

using Stored = std::map<std::string, std::optional<std::string>>;

Stored StoredSettings() {
    Stored values;
    for (const std::string& name : sim::RegValueNames(SettingsKeyPath))
        values[name] = sim::RegText(SettingsKeyPath, name);
    return values;
}

class FaultSweepTest : public ModuleTest {
protected:
    SimulatedHost host;
    SimulatedPilotHost pilotHost;
    os::Hwnd mainWindow = nullptr, viewWindow = nullptr;
    hostmem::Addr cockpitRecord = 0;
    uint32_t now = 0;
    sim::Failure failure = sim::Failure::Transient; // of the sweep under way

    // ---- The host -------------------------------------------------------------

    // Each record the module reads or writes on a page of its own, so that
    // taking a page away takes one record.
    void BuildHost() {
        sim::RegPutText(host::HostKeyPath, host::HostFolderValue, kHostFolder);
        for (const auto& [name, text] : kStoredBefore) sim::RegPutText(SettingsKeyPath, name, text);
        sim::PutFile(std::string(kHostFolder) + "\\OrbivuePro.cfg", kBindings);
        mainWindow = sim::AddWindow(host::MainWindowClass);
        viewWindow = sim::AddWindow(host::ViewWindowClass, 800, 600);
        sim::AddMenuBar(mainWindow, kHostMenus - 1);

        host = SimulatedHost{};
        host.ProvidePanelsTable();
        sim::MapHost(host::ViewpointBlock & ~(kPage - 1), kPage);
        host.Values[host::HostVarLatitude] = kLatitude * 111130.52399516014;
        host.Values[host::HostVarLongitude] = kLongitude / 360.0 * 281474976710656.0;
        host.Values[host::HostVarAltitude] = 450.0;
        host.Values[host::HostVarHeading] = 90.0;
        host.Values[host::HostVarSpeed] = 200.0;
        host.Values[host::HostVarGroundAltitude] = 400.0 * 256;

        pilotHost = SimulatedPilotHost{};
        pilotHost.Alignment = kPage;
        pilotHost.MapImage(); // sixteen pages: the sixteen records below
        pilotHost.StandardLibraries();
        pilotHost.UserAircraftModel(SimulatedPilotHost::OneSwitch());
        cockpitRecord = pilotHost.Views({host::ViewKindCockpit, host::ViewKindOutside})[0];
        sim::MapHost(kCameraBlock, kPage);
        sim::MapHost(kCameraSubBlock, kPage);
        sim::PokeHost<uint32_t>(kCameraBlock + offsetof(host::CameraBlock, SubBlock),
                                kCameraSubBlock);
        sim::PokeHost<uint32_t>(cockpitRecord + offsetof(host::ViewRecord, CameraBlock),
                                kCameraBlock);

        // G3D.DLL's page with the view matrix and the scene's object table,
        // whose one object (a roof under the walker) lies on pages of its own.
        const hostmem::Addr table = SimulatedPilotHost::G3dBase + host::SceneObjectTableOffset;
        sim::MapHost(table & ~(kPage - 1), kPage);
        groundscene::Scene scene = groundscene::MakeScene(
            kSceneImage, {1, 0.0, 10.0, 6, 12, true, true, kLatitude, kLongitude, 0.0}, 7);
        const std::vector<uint8_t>& bytes = scene.Bytes.Bytes;
        sim::MapHost(kSceneImage, (uint32_t(bytes.size()) + kPage - 1) & ~(kPage - 1));
        std::memcpy(sim::HostBytes(kSceneImage, uint32_t(bytes.size())), bytes.data(),
                    bytes.size());
        std::memcpy(sim::HostBytes(table, host::SceneTableCheckSize),
                    sim::HostBytes(scene.Table, host::SceneTableCheckSize),
                    host::SceneTableCheckSize);
    }

    // ---- The session, through the hooks ---------------------------------------

    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            now += 50;
            sim::SetTime(now);
            sim::Get(mainWindow, host::HostFrameMessage);
        }
    }
    void Key(int code, bool down) {
        sim::Get(mainWindow, down ? os::MsgKeyDown : os::MsgKeyUp, os::Word(code));
    }
    void Press(int code) { Key(code, true), Key(code, false); }
    void Mouse(uint32_t message, int x = 0, int y = 0, int wheel = 0) {
        sim::Get(viewWindow, message, os::Word(uint32_t(wheel) << 16),
                 os::Long((uint32_t(y) << 16) | uint32_t(x)));
    }
    void Command(uint16_t id) { sim::Get(mainWindow, os::MsgCommand, id); }

    // The user at the dialogs, clicking again where a click did not close one.
    int configurations = 0;
    void Close(os::Hwnd dialog, int button) {
        for (int i = 0; i < 3 && !sim::DialogEnded(dialog); ++i) sim::ClickButton(dialog, button);
    }
    void PlayTheUser(os::Hwnd dialog, uintptr_t templateId) {
        if (templateId == DIALOG_ABOUT) return Close(dialog, ID_CLOSE);
        if (++configurations > 1) {
            sim::TypeText(dialog, ID_FLYBY_DURATION, "99");
            return Close(dialog, ID_CANCEL);
        }
        sim::ClickButton(dialog, ID_DEFAULTS);
        sim::TypeText(dialog, ID_FLYBY_DURATION, "30");
        sim::TypeText(dialog, ID_RUNNING_SPEED, "6.25");
        sim::SetChecked(dialog, ID_TRAVELLING, true);
        Command(CommandAbout); // from the host's keyboard: brings this one to the front
        Close(dialog, ID_OK);
    }

    // A fresh host, then beforeAttach (the faults of the run), then the session.
    void RunSession(const std::function<void()>& beforeAttach) {
        ModuleTest::SetUp();
        BuildHost();
        now = 1000000;
        configurations = 0;
        sim::SetTime(now);
        sim::SetDialogDriver([this](os::Hwnd d, uintptr_t id) { PlayTheUser(d, id); });
        beforeAttach();

        ModuleAttach(module);
        Frames(3);
        Key(0x27, true); // the head turns right
        Frames(5);
        Key(0x27, false);
        Mouse(os::MsgMouseMove, 400, 300); // over the switch: the hand
        Mouse(os::MsgRButtonDown);         // mouse look
        sim::SetCursorPos(300, 200);
        Mouse(os::MsgMouseMove, 1, 1);
        sim::SetCursorPos(340, 190);
        Mouse(os::MsgMouseMove, 1, 1);
        Mouse(os::MsgRButtonUp);
        Mouse(os::MsgMouseWheel, 0, 0, 120);
        Press('S'); // saved at once
        Press('R'); // a glide to the stored view
        Frames(5);
        Press('H');
        Press('P'); // out of the aircraft
        Frames(2);
        sim::SetKeyDown(os::VkShift, true);
        Key('W', true);
        Frames(3);
        Key('W', false);
        sim::SetKeyDown(os::VkShift, false);
        Mouse(os::MsgMouseWheel, 0, 0, -120);
        Press('P'); // back in: the view given back
        Frames(2);

        sim::Send(mainWindow, os::MsgInitMenu);
        sim::Send(mainWindow, os::MsgInitMenu); // the popup replaced
        Command(CommandActivateFlyBy);
        Frames(1);
        Command(CommandActivateFlyBy);
        Command(CommandExternalView);
        Frames(2);
        Command(CommandInternalView); // the walk ends with the view
        Frames(1);
        Command(CommandInternalView);
        Command(CommandConfigure); // OK with edits
        Command(CommandConfigure); // Cancel
        Command(CommandAbout);
        sim::Send(mainWindow, os::MsgActivateApp, 0); // the keyboard goes elsewhere
        Frames(2);
        ModuleDetach(module);
    }

    // ---- What every run must leave ------------------------------------------------

    void ExpectHostSound(const std::string& run) {
        std::string broken = sim::FailedFunction();
        bool persistent = broken != "" && failure == sim::Failure::Persistent;
        sim::FailCall(0); // the checks' own calls never fail
        EXPECT_EQ(sim::HostFaults(), 0) << run << ": " << sim::LastHostFault();
        EXPECT_EQ(sim::RegOpenHandles(), 0) << run;
        EXPECT_EQ(sim::OpenFiles(), 0) << run;
        // A hook Windows refuses to remove for good stays; nothing else may.
        for (const sim::InstalledHook& hook : sim::Hooks())
            EXPECT_TRUE(hook.Removed || (persistent && broken == "UnhookWindowsHookEx"))
                << run << ": hook " << hook.Id << " left behind";
        // No popup of the module outlives it.
        EXPECT_TRUE(sim::MenusAlive() == kHostMenus || (persistent && kMenuRemoval.count(broken)))
            << run << ": " << sim::MenusAlive() - kHostMenus << " popups left";
        // A dialog left open would keep the host's window disabled for good.
        const auto& calls = sim::Calls();
        bool leftOpen = std::count(calls.begin(), calls.end(), "dialog left open") != 0;
        EXPECT_TRUE(!leftOpen || (persistent && broken == "EndDialog")) << run;

        // Saved as the module held it (its own save of what it holds, with
        // nothing failing, says how), or left as it was.
        Stored after = StoredSettings();
        SaveSettings(module.Settings);
        Stored held = StoredSettings();
        for (const auto& [name, text] : held) {
            Stored::mapped_type before, stored = after[name];
            if (kStoredBefore.count(name)) before = kStoredBefore.at(name);
            EXPECT_TRUE(stored == before || stored == text)
                << run << ": " << name << " is " << stored.value_or("missing") << ", was "
                << before.value_or("missing") << ", held " << text.value_or("missing");
            if (broken.empty()) {
                EXPECT_EQ(stored, text) << run << ": " << name << " saved as held";
            }
        }
    }

    // ---- The sweeps -------------------------------------------------------------

    // Runs the session with the n-th failable call failing, n = 1, 2, ...,
    // until a run ends before its n-th call: every failable call is made to fail.
    void SweepFailingCalls(sim::Failure kind) {
        failure = kind;
        const char* name = kind == sim::Failure::Transient ? "transient" : "persistent";
        std::set<std::string> failed;
        int n = 1;
        for (; n <= kMostRuns; ++n) {
            RunSession([&] { sim::FailCall(n, kind); });
            bool happened = sim::InjectedFailureHappened();
            failed.insert(sim::FailedFunction());
            ExpectHostSound(std::string(name) + " failure of " + sim::FailedFunction() +
                            " at call " + std::to_string(n));
            if (!happened || HasFailure()) break; // the first unsound run says enough
        }
        EXPECT_LE(n, kMostRuns) << "the session ends";
        failed.erase("");
        RecordProperty("runs", n);
        if (!HasFailure()) {
            EXPECT_EQ(failed, kSessionCalls) << "every part of the session reached";
        }
    }
};

std::string PageName(hostmem::Addr page) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", page);
    return text;
}

std::set<hostmem::Addr> Pages(hostmem::Addr address, uint32_t size) {
    std::set<hostmem::Addr> pages;
    uint64_t end = uint64_t(address) + (size ? size : 1);
    for (uint64_t page = address & ~(kPage - 1); page < end; page += kPage)
        pages.insert(hostmem::Addr(page));
    return pages;
}

// The session itself: what the sweeps run reaches every part it names.
TEST_F(FaultSweepTest, TheSessionReachesEveryPart) {
    RunSession([] {});
    ExpectHostSound("the session without faults");
    EXPECT_EQ(sim::RegText(SettingsKeyPath, "FlyByDuration"), "30") << "OK with edits";
    EXPECT_EQ(sim::RegText(SettingsKeyPath, "RunningSpeed"), "6.250000");
    EXPECT_TRUE(sim::RegText(SettingsKeyPath, "SavedView2").has_value()) << "saved from the keys";
    ASSERT_EQ(sim::Dialogs().size(), 3u);
    EXPECT_EQ(sim::Dialogs()[1].Result, 0) << "Cancel";
    const auto& calls = sim::Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetForegroundWindow"), 1)
        << "the open dialog brought to the front";
    EXPECT_GT(sim::CursorSets(), 0) << "the hand over the switch";
    EXPECT_EQ(sim::CaptureWindow(), nullptr) << "mouse look let the pointer go";
    EXPECT_NE(host::ReadViewpoint().Latitude, 0) << "the fly-by placed its camera";
    const hostmem::Addr eye = SimulatedPilotHost::GlobalBase + host::EyePositionRecordOffset;
    EXPECT_NE(sim::PeekHost<host::LatLonAlt>(eye).Altitude.Whole, 0) << "the walker's eye";
    EXPECT_NE(sim::PeekHost<double>(kCameraBlock + offsetof(host::CameraBlock, Latitude)), 0.0)
        << "the walk's camera block";
    EXPECT_EQ(sim::PeekHost<host::ViewRecord>(cockpitRecord).Kind, host::ViewKindCockpit)
        << "the view given back";
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "RemoveMenu"), 4)
        << "popup and separator, at the reopening and at the end";
}

TEST_F(FaultSweepTest, AnyWindowsCallFailingOnceLeavesTheHostSound) {
    SweepFailingCalls(sim::Failure::Transient);
}

TEST_F(FaultSweepTest, AnyWindowsCallFailingForGoodLeavesTheHostSound) {
    SweepFailingCalls(sim::Failure::Persistent);
}

// Every page the module read or wrote in a session without faults is taken
// away, and every page it wrote is left only readable, one at a time. The
// pages it only read (the host's lists, names, model and scene) must come
// through every run byte for byte.
TEST_F(FaultSweepTest, AnyHostPageTakenAwayOrReadOnlyLeavesTheHostSound) {
    std::set<hostmem::Addr> read, written;
    RunSession([&] {
        sim::SetHostAccessHook([&](hostmem::Addr address, uint32_t size, bool write) {
            for (hostmem::Addr page : Pages(address, size)) (write ? written : read).insert(page);
        });
    });
    sim::SetHostAccessHook({});
    ExpectHostSound("the session without faults");
    std::set<hostmem::Addr> onlyRead;
    for (hostmem::Addr page : read)
        if (!written.count(page)) onlyRead.insert(page);
    ASSERT_GT(onlyRead.size(), 15u) << "the host's records, each on its own page";
    ASSERT_GT(written.size(), 5u) << "the view record, blocks, eye records, matrix, viewpoint";

    std::map<hostmem::Addr, std::vector<uint8_t>> hostsOwn;
    auto protect = [&](hostmem::Addr page, sim::PageAccess access) {
        return [&, page, access] {
            sim::ProtectHostPages(page, kPage, access);
            hostsOwn.clear();
            for (hostmem::Addr p : onlyRead) {
                const uint8_t* bytes = sim::HostBytes(p, kPage);
                hostsOwn[p].assign(bytes, bytes + kPage);
            }
        };
    };
    auto expectSound = [&](const std::string& run) {
        ExpectHostSound(run);
        for (const auto& [page, bytes] : hostsOwn)
            EXPECT_EQ(std::memcmp(sim::HostBytes(page, kPage), bytes.data(), kPage), 0)
                << run << ": the host's page " << PageName(page) << " changed";
    };
    std::set<hostmem::Addr> touched = read;
    touched.insert(written.begin(), written.end());
    for (hostmem::Addr page : touched) {
        RunSession(protect(page, sim::PageAccess::None));
        expectSound("page " + PageName(page) + " taken away");
    }
    for (hostmem::Addr page : written) {
        RunSession(protect(page, sim::PageAccess::ReadOnly));
        expectSound("page " + PageName(page) + " read-only");
    }
    RecordProperty("pages", int(touched.size()));
    RecordProperty("runs", int(touched.size() + written.size()));
}

} // namespace
