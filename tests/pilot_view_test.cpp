// The pilot view inside the module: the binding file read at start-up, keys
// through the hooks, the eye step on the host's view record every frame.
#include "module/pilot_view.h"

#include "module/router.h"

#include "module_test.h"
#include "pilot_host.h"

#include <cmath>
#include <string_view>

namespace {

constexpr char kBindings[] = "// the pilot's keys\n"
                             "[KEYBOARD]\n"
                             "PilotHeadRight=RIGHT,DOUBLE\n"
                             "PilotForward=w,double  TogglePilot=P\n"
                             "ToggleHeadLatency=H"; // no line break at the end

class PilotViewTest : public ModuleTest {
protected:
    SimulatedHost host;
    SimulatedPilotHost pilotHost;
    os::Hwnd mainWindow = nullptr;
    std::vector<hostmem::Addr> records;
    uint32_t now = 1000000;

    void SetUp() override {
        ModuleTest::SetUp();
        sim::RegPutText(host::HostKeyPath, host::HostFolderValue, "D:\\FS");
        sim::PutFile("D:\\FS\\OrbivuePro.cfg", kBindings);
        mainWindow = sim::AddWindow("FS98MAIN");
        sim::SetTime(now);
        addon::ModuleAttach(module);
        host.ProvidePanelsTable();
        host.ProvideFixedWords();
        pilotHost.MapImage();
        pilotHost.StandardLibraries();
        records = pilotHost.Views({1, 1250});
        module.Settings.FlyByActive = 0;
        module.Settings.InternalViewActive = 1;
    }
    void Frames(int n, uint32_t milliseconds = 50) {
        for (int i = 0; i < n; ++i) {
            now += milliseconds;
            sim::SetTime(now);
            sim::Get(mainWindow, host::HostFrameMessage);
        }
    }
    // The bindings of text in place of the file's, as a load would leave them.
    void Bind(std::string_view text) {
        pilot::LoadKeyBindingText(text.data(), text.size(), "Keyboard", module.Bindings);
    }
    // A key held for some frames, then let go.
    void Hold(os::Word key, int frames) {
        sim::Get(mainWindow, os::MsgKeyDown, key);
        Frames(frames);
        sim::Get(mainWindow, os::MsgKeyUp, key);
    }
    host::ViewRecord Cockpit() { return sim::PeekHost<host::ViewRecord>(records[0]); }
    double HeadingOfRotation() {
        host::ViewRecord r = Cockpit();
        return std::atan2(r.Rotation[2].Column[0], r.Rotation[2].Column[2]) * 180.0 / M_PI;
    }
};

TEST_F(PilotViewTest, ThePilotClockIsWrapSafeAndStepsAtMostOneSecond) {
    now = 0xFFFFFF00u;
    Frames(1);
    EXPECT_EQ(module.Pilot.Clock.TimeStep, 1.0) << "the first frame after load";
    Frames(1, 0x200); // across the wrap
    EXPECT_NEAR(module.Pilot.Clock.TimeStep, 0.512, 1e-12);
    module.Settings.InternalViewActive = 0;
    Frames(100, 1000);
    module.Settings.InternalViewActive = 1;
    Frames(1);
    EXPECT_EQ(module.Pilot.Clock.TimeStep, 1.0) << "the first step after a long time off";
}

TEST_F(PilotViewTest, AfterABoundAltKeyTheHostsWindowSeesAKeyGoUpButNotAlt) {
    Bind("[Keyboard] PilotHeadLeft=L,ALT,DOUBLE");
    Frames(1);
    sim::SetKeyDown(os::VkMenu, true);
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgSysKeyDown, os::VkMenu).Blanked());
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgSysKeyDown, 'L').Blanked());
    Frames(20);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgSysKeyUp, 'L').Blanked());
    sim::SetKeyDown(os::VkMenu, false);
    sim::Delivered altUp = sim::Get(mainWindow, os::MsgSysKeyUp, os::VkMenu);
    EXPECT_EQ(altUp.Message, os::MsgSysKeyUp) << "the host's window must see a key go up";
    EXPECT_EQ(altUp.WParam, 0u) << "but not Alt's, or it would open its menu";
    EXPECT_NEAR(HeadingOfRotation(), -35.0, 1e-3);
}

TEST_F(PilotViewTest, KeysReleasedWhereTheModuleCannotSeeThemEndWhenTheHostLosesTheKeyboard) {
    Frames(1);
    sim::Get(mainWindow, os::MsgKeyDown, 0x27);
    Frames(20);
    // The pilot switches to another program and lets go there.
    EXPECT_FALSE(sim::Send(mainWindow, os::MsgActivate, 0).Blanked());
    Frames(20);
    EXPECT_NEAR(HeadingOfRotation(), 35.0, 1e-3) << "the head stopped when the keyboard went";
    sim::Send(mainWindow, os::MsgActivate, 1);
    Hold(0x27, 20);
    Frames(20);
    EXPECT_NEAR(HeadingOfRotation(), 70.0, 1e-3) << "the next press turns again, not stops";
    sim::Get(mainWindow, os::MsgKeyDown, 0x27);
    EXPECT_FALSE(sim::Send(mainWindow, os::MsgActivateApp, 0).Blanked()) << "another program";
    EXPECT_EQ(module.Pilot.Held.HeadRight, 0);
    // A release whose window Windows cannot name still ends the press.
    sim::Send(mainWindow, os::MsgActivateApp, 1);
    sim::Get(mainWindow, os::MsgKeyDown, 0x27);
    sim::FailCall(1);
    sim::Get(mainWindow, os::MsgKeyUp, 0x27);
    EXPECT_EQ(sim::FailedFunction(), "GetClassNameA");
    EXPECT_EQ(module.Pilot.Held.HeadRight, 0);
}

TEST_F(PilotViewTest, AnotherViewTakesTheEndOfAPressAndTheTogglesButNoNewPress) {
    Frames(1);
    sim::Get(mainWindow, os::MsgKeyDown, 'W');
    records = pilotHost.Views({7});
    Frames(1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgKeyUp, 'W').Blanked()) << "the end of a press taken";
    EXPECT_EQ(module.Pilot.Held.Forward, 0);
    sim::Get(mainWindow, os::MsgKeyDown, 'W'); // another view: the host's key
    sim::SetKeyDown(os::VkShift, true);
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgKeyUp, 'W').Blanked());
    EXPECT_EQ(module.Pilot.Held.Forward, 0);
    sim::SetKeyDown(os::VkShift, false);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgKeyDown, 'H').Blanked()) << "the toggles still work";
    EXPECT_EQ(module.Settings.HeadLatencyOn, 1);
}

TEST_F(PilotViewTest, ARateOrSpeedStoredOutOfRangeIsUsedWithinIt) {
    module.Settings.HeadLatencyOn = module.Settings.GroundTurbOn = 1;
    module.Settings.HeadLatencyRate = 7.5; // the registry may hold more than the dialog allows
    module.Settings.GroundTurbRate = -5.0;
    module.Settings.RunningSpeed = 1e308;
    host.Values[host::HostVarOnGround] = 1.0;
    host.Values[host::HostVarGroundSpeed] = 60.0;
    host.Values[host::HostVarHeading] = 10.0;
    Frames(2);
    host.Values[host::HostVarHeading] = 11.0;
    Frames(1);
    EXPECT_NEAR(module.Pilot.Eye.LatencyOffset.Heading, 15.0, 1e-9) << "a degree at rate 5";
    Frames(2000); // 100 s rolling fast: a negative rate would tilt the eye without end
    EXPECT_NEAR(module.Pilot.Eye.TurbulenceOffset.Pitch, 0.0, 1e-12);
    EXPECT_EQ(module.Settings.HeadLatencyRate, 7.5) << "what is stored stays as it is";
}

TEST_F(PilotViewTest, ASavedViewIsStoredAtOnceAndRecalledWithAGlide) {
    Bind("[Keyboard] SaveView1=S RecallView1=R RecallView2=E");
    Frames(1);
    Hold(0x27, 20);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgKeyDown, 'S').Blanked());
    sim::Get(mainWindow, os::MsgKeyUp, 'S');
    EXPECT_EQ(sim::RegText(addon::SettingsKeyPath, "SavedView1"),
              "0.000000 1.000000 0.000000 35.000000 0.000000 1.000000")
        << "written when saved: a host that ends without unloading keeps it";
    Hold(0x27, 20);
    sim::Get(mainWindow, os::MsgKeyDown, 'R');
    Frames(10);
    EXPECT_NEAR(HeadingOfRotation(), 35.0, 1e-4) << "there after half a second";
    sim::Get(mainWindow, os::MsgKeyDown, 'E'); // slot 2 was never saved
    Frames(10);
    EXPECT_NEAR(HeadingOfRotation(), 35.0, 1e-4);
}

TEST_F(PilotViewTest, TheMenusSwitchesWorkFromTheKeyboardWithTheViewOff) {
    Bind("[Keyboard] ToggleInternalView=I");
    module.Input.BindsSwitches = 1; // as the loading at start-up finds
    module.Settings.InternalViewActive = 0;
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgKeyDown, 'W').Blanked()) << "the rest is the host's";
    sim::Get(mainWindow, os::MsgKeyDown, 'I');
    EXPECT_EQ(module.Settings.InternalViewActive, 1);
    sim::Get(mainWindow, os::MsgKeyUp, 'I');
    sim::Get(mainWindow, os::MsgKeyDown, 'I');
    EXPECT_EQ(module.Settings.InternalViewActive, 0) << "and off again, from inside";
}

TEST_F(PilotViewTest, AMovementHeldWhenTheViewGoesOffIsOverWhenItComesBack) {
    Frames(1);
    sim::Get(mainWindow, os::MsgKeyDown, 0x27);
    Frames(20);
    module.Settings.InternalViewActive = 0;
    Frames(1);
    sim::Get(mainWindow, os::MsgKeyUp, 0x27); // let go while off: no binding sees it
    module.Settings.InternalViewActive = 1;
    Frames(20);
    EXPECT_NEAR(HeadingOfRotation(), 35.0, 1e-3);
}

TEST_F(PilotViewTest, WithoutTheHostsLookupTheEyeIsLeftAlone) {
    ImportTable[0].Table = 0;
    host::ViewRecord before = Cockpit();
    Frames(5);
    host::ViewRecord after = Cockpit();
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

TEST_F(PilotViewTest, FiveVariablesAreLookedUpPerStepBeforeTheFlyBysSeven) {
    module.Settings.FlyByActive = 1;
    Frames(1);
    host.Served.clear();
    Frames(1);
    std::vector<uint32_t> order = {0x4D, 0x4F, 0x56, 0x3C, 0x340, 0x47,
                                   0x48, 0x49, 0x56, 0x4D, 0x4F,  0x3D};
    EXPECT_EQ(host.Served, order);
}

// ---- The mouse ------------------------------------------------------------------

class PilotMouseTest : public PilotViewTest {
protected:
    os::Hwnd view = nullptr;
    void SetUp() override {
        PilotViewTest::SetUp();
        view = sim::AddWindow("FS98CHILD", 800, 600);
        pilotHost.UserAircraftModel(SimulatedPilotHost::OneSwitch());
        Frames(1); // discovery, and the cockpit view taken over
    }
    os::Long At(int x, int y) { return os::Long((uint32_t(y) << 16) | uint32_t(x)); }
};

TEST_F(PilotMouseTest, ThePointerChangesOnlyOverTheViewAndKeepsItsShapeIfTheHandsIsMissing) {
    sim::Get(view, os::MsgMouseMove, 0, At(700, 300)); // the arrow, beside the switch
    int sets = sim::CursorSets();
    sim::Get(mainWindow, os::MsgMouseMove, 0, At(400, 300));
    EXPECT_EQ(sim::CursorSets(), sets) << "only over the view window";
    // The hand's shape cannot be loaded: the pointer keeps the one it has.
    os::Hcursor shown = nullptr;
    for (int n = 1; sim::FailedFunction() != "LoadCursorA" && n < 10; ++n) {
        shown = sim::CurrentCursor();
        sim::FailCall(n);
        sim::Get(view, os::MsgMouseMove, 0, At(400, 300));
    }
    EXPECT_EQ(sim::FailedFunction(), "LoadCursorA");
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(sim::CurrentCursor(), shown) << "not hidden";
}

TEST_F(PilotMouseTest, AnEmptyClientAreaOrNoModelLeavesThePointerAlone) {
    os::Hwnd empty = sim::AddWindow("FS98CHILD", 0, 600);
    sim::Get(empty, os::MsgMouseMove, 0, At(0, 0));
    EXPECT_EQ(sim::CursorSets(), 0);
    sim::PokeHost<uint32_t>(SimulatedPilotHost::GlobalBase + host::AircraftMarkerOffset, 0);
    sim::Get(view, os::MsgMouseMove, 0, At(400, 300));
    EXPECT_EQ(sim::CursorSets(), 0);
}

TEST_F(PilotMouseTest, MouseLookHoldsTheMouseToTheViewWhileItIsOn) {
    Bind("[Keyboard] ToggleMouseLook=MOUSE_BUTTON_1,DOUBLE");
    sim::Get(view, os::MsgRButtonDown);
    EXPECT_EQ(sim::CaptureWindow(), view);
    sim::Get(view, os::MsgRButtonUp);
    EXPECT_EQ(sim::CaptureWindow(), nullptr);
    EXPECT_EQ(module.Pilot.Mouse.On, 0);
}

// ---- The outside walk ------------------------------------------------------------

class PilotWalkTest : public PilotViewTest {
protected:
    static constexpr hostmem::Addr CameraBlock = 0x00800000;
    static constexpr hostmem::Addr SubBlock = 0x00800200;
    void SetUp() override {
        PilotViewTest::SetUp();
        sim::MapHost(SimulatedPilotHost::GlobalBase, 0x10000);
        sim::MapHost(SimulatedPilotHost::G3dBase + 0xA5000, 0x1000);
        sim::MapHost(CameraBlock, 0x1000);
        sim::PokeHost<uint32_t>(CameraBlock + 120, SubBlock);
        sim::PokeHost<uint32_t>(records[0] + 248, CameraBlock);
        host.Values[host::HostVarLatitude] = 47.0 * 111130.52399516014;
        host.Values[host::HostVarLongitude] = 8.0 / 360.0 * 281474976710656.0;
        host.Values[host::HostVarHeading] = 90.0;
        host.Values[host::HostVarGroundAltitude] = 400.0 * 256;
        Frames(1);
    }
    host::LatLonAlt EyePosition() {
        return sim::PeekHost<host::LatLonAlt>(SimulatedPilotHost::GlobalBase + 13744);
    }
};

TEST_F(PilotWalkTest, ThePilotStepsOutWalksAndComesBackToTheViewAsItWas) {
    host::ViewRecord before = Cockpit();
    module.Settings.ExternalViewActive = 1;
    Frames(1);
    host::ViewRecord walking = Cockpit();
    EXPECT_EQ(walking.Kind, 1250);
    host::LatLonAlt eye = EyePosition();
    EXPECT_EQ(eye.Altitude.Whole, 401) << "the ground 400 m, the eye 1.7 m above the feet";
    EXPECT_EQ(eye.Latitude.Whole, int32_t(47.0 * 111130.52399516014));
    EXPECT_EQ(std::memcmp(&walking.EyePoint, &eye, sizeof eye), 0);
    EXPECT_EQ(sim::PeekHost<uint32_t>(SimulatedPilotHost::GlobalBase + 13768 + 8),
              uint32_t(4294967295.0 / 4))
        << "heading 90";
    EXPECT_NEAR(sim::PeekHost<double>(CameraBlock + 144), 47.0, 1e-9);
    EXPECT_NEAR(sim::PeekHost<double>(SubBlock + 24), 0.4017, 1e-9);
    float matrix[16];
    for (int i = 0; i < 16; ++i)
        matrix[i] = sim::PeekHost<float>(SimulatedPilotHost::G3dBase + 679040 + 4 * i);
    EXPECT_NEAR(matrix[2], 0.5f, 1e-6) << "Ry(-90)'s first row towards Z, scaled by 0.5 / zoom";

    Hold('W', 20); // 1 s at walking pace, east
    host::LatLonAlt moved = EyePosition();
    double east = (moved.Longitude.Whole - eye.Longitude.Whole) / 11930464.711111 * 111130.52 *
                  std::cos(47.0 * M_PI / 180);
    EXPECT_NEAR(east, 2.0, 0.01);

    module.Settings.ExternalViewActive = 0;
    Frames(1);
    host::ViewRecord after = Cockpit();
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << "every byte as it was";
}

TEST_F(PilotWalkTest, ShiftRunsOnlyWhileItIsDown) {
    Bind("[Keyboard] PilotUp=U,DOUBLE");
    module.Settings.ExternalViewActive = 1;
    module.Settings.RunningSpeed = 1e308;
    Frames(1);
    sim::Get(mainWindow, os::MsgKeyDown, 'U');
    sim::TapKey(os::VkShift); // pressed and let go between two frames
    Frames(1);
    EXPECT_NEAR(module.Pilot.Walker.EyeHeight, 1.7 + 2.0 * 0.05, 1e-9) << "walking, not running";
    sim::SetKeyDown(os::VkShift, true);
    Frames(20);
    EXPECT_NEAR(module.Pilot.Walker.EyeHeight, 1.8 + 100.0, 1e-6) << "running at the most it may";
    EXPECT_NEAR(sim::PeekHost<double>(CameraBlock + 160) * 1000.0,
                module.Pilot.Walker.Altitude + module.Pilot.Walker.EyeHeight, 1e-6);
}

TEST_F(PilotWalkTest, WithoutTheHostsLibrariesTheWalkWritesOnlyTheViewRecord) {
    // A host whose module list names neither library.
    module.Libraries = host::HostLibraries{};
    pilotHost.ModuleList({{"KERNEL32.DLL", 0x7C800000}});
    module.Settings.ExternalViewActive = 1;
    Frames(5);
    EXPECT_EQ(Cockpit().Kind, 1250);
    EXPECT_EQ(EyePosition().Altitude.Whole, 0) << "GLOBAL.DLL was not found: nothing there";
    EXPECT_EQ(sim::PeekHost<float>(SimulatedPilotHost::G3dBase + 679040), 0.0f);
}

} // namespace
