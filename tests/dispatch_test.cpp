#include "module/router.h"

#include "module_test.h"

using namespace addon;

namespace {

class DispatchTest : public StartedModuleTest {
protected:
    os::Hwnd viewWindow = nullptr;
    void SetUp() override {
        StartedModuleTest::SetUp();
        viewWindow = sim::AddWindow("FS98CHILD");
    }
};

TEST_F(DispatchTest, FrameMessageRunsTheTickFromAnyWindowAndIsNeverConsumed) {
    module.Settings.InternalViewActive = 1;
    sim::SetTime(1234);
    EXPECT_FALSE(sim::Get(viewWindow, host::HostFrameMessage).Blanked());
    EXPECT_EQ(module.Clock.PreviousFrameTime, 1234u);
    sim::SetTime(1300);
    sim::Send(nullptr, host::HostFrameMessage);
    EXPECT_FALSE(sim::LastSentRecordBlanked());
    EXPECT_EQ(module.Clock.PreviousFrameTime, 1300u);
    EXPECT_EQ(sim::NextHookCalls(), 2) << "the rest of the chain sees it too";
}

TEST_F(DispatchTest, AToggleTurnsAnyFlagThatIsOnOff) {
    for (int32_t on : {1, 7, -1, INT32_MIN, INT32_MAX}) {
        module.Settings.FlyByActive = on;
        sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
        EXPECT_EQ(module.Settings.FlyByActive, 0) << on;
        sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
        EXPECT_EQ(module.Settings.FlyByActive, 1) << on;
    }
}

TEST_F(DispatchTest, CommandsAreCarriedOutOnlyForTheMainWindow) {
    auto delivered = sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
    EXPECT_TRUE(delivered.Blanked());
    EXPECT_EQ(module.Settings.FlyByActive, 0);
    EXPECT_EQ(sim::NextHookCalls(), 0) << "a consumed message ends the chain";

    EXPECT_FALSE(sim::Get(viewWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(module.Settings.FlyByActive, 0);

    // The notification code in the high word does not matter; sent commands
    // work too, and their record is blanked (the window gets them anyway).
    EXPECT_FALSE(sim::Send(mainWindow, os::MsgCommand, 0x10000 | CommandInternalView).Blanked());
    EXPECT_TRUE(sim::LastSentRecordBlanked());
    EXPECT_EQ(module.Settings.InternalViewActive, 1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandExternalView).Blanked());
    EXPECT_EQ(module.Settings.ExternalViewActive, 1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandConfigure).Blanked());
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandAbout).Blanked());

    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, 0x7805).Blanked());
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, 0x77FF).Blanked());
}

TEST_F(DispatchTest, WithoutAMainWindowNoCommandIsCarriedOut) {
    module.Host.MainWindow = nullptr; // as when "FS98MAIN" was not found
    EXPECT_FALSE(sim::Get(nullptr, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(module.Settings.FlyByActive, 1);
}

TEST_F(DispatchTest, PeekedMessagesAndOtherHookCodesPassStraightOn) {
    EXPECT_FALSE(sim::Peek(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    os::QueuedMessage queued{mainWindow, os::MsgCommand, CommandActivateFlyBy, 0, 0, {}};
    os::SentMessage sent{0, CommandActivateFlyBy, os::MsgCommand, mainWindow};
    sim::CallHook(os::HookGetMessage, -1, os::PeekRemove, reinterpret_cast<os::Long>(&queued));
    sim::CallHook(os::HookCallWndProc, -1, 0, reinterpret_cast<os::Long>(&sent));
    sim::CallHook(os::HookGetMessage, 1, os::PeekRemove, reinterpret_cast<os::Long>(&queued));
    EXPECT_EQ(module.Settings.FlyByActive, 1);
    EXPECT_EQ(sim::NextHookCalls(), 4);
    EXPECT_EQ(queued.Window, mainWindow);
    EXPECT_EQ(sent.Message, os::MsgCommand);
    // The peeked message is carried out once it is removed.
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(module.Settings.FlyByActive, 0);
}

TEST_F(DispatchTest, WhileTheInternalViewIsOnCommandsStillWorkAndUnhandledInputReachesTheHost) {
    module.Settings.InternalViewActive = 1;
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(module.Settings.FlyByActive, 0);
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgKeyDown, 'W').Blanked());
    EXPECT_FALSE(sim::Get(viewWindow, os::MsgLButtonDown).Blanked());
}

TEST(PilotInputMessages, ExactlyTheKeyAndMouseMessages) {
    const uint32_t taken[] = {0x100, 0x101, 0x104, 0x105, 0x200, 0x201,
                              0x202, 0x204, 0x205, 0x207, 0x208, 0x20A};
    for (uint32_t m : taken) EXPECT_TRUE(IsPilotInputMessage(m)) << std::hex << m;
    // Double clicks, characters, timers and the like are not.
    const uint32_t notTaken[] = {0x102, 0x106, 0x113, 0x203, 0x206, 0x209,
                                 0x20B, 0x20E, 0x466, 0x111, 0x116};
    for (uint32_t m : notTaken) EXPECT_FALSE(IsPilotInputMessage(m)) << std::hex << m;
}

// ---- Input events -----------------------------------------------------------

TEST_F(DispatchTest, KeysAndButtonsBecomeEventsWithTheModifiersHeldAtDispatch) {
    pilot::InputEvent e;
    sim::SetKeyDown(os::VkShift, true);
    sim::SetKeyDown(os::VkMenu, true);
    ASSERT_TRUE(MakeInputEvent(mainWindow, os::MsgKeyDown, 'W', 0, e));
    EXPECT_EQ(e.Kind, pilot::InputKind::Press);
    EXPECT_EQ(e.Code, 'W');
    EXPECT_EQ(e.Modifiers, pilot::ModifierShift | pilot::ModifierAlt);
    EXPECT_EQ(sim::KeyStateReads(), 3) << "Shift, Control and Alt, once each";

    sim::SetKeyDown(os::VkShift, false);
    sim::SetKeyDown(os::VkMenu, false);
    sim::SetKeyDown(os::VkControl, true);
    const struct {
        uint32_t Message;
        int32_t Code;
        pilot::InputKind Kind;
    } buttons[] = {{os::MsgLButtonDown, 1000, pilot::InputKind::Press},
                   {os::MsgLButtonUp, 1000, pilot::InputKind::Release},
                   {os::MsgRButtonDown, 1001, pilot::InputKind::Press},
                   {os::MsgRButtonUp, 1001, pilot::InputKind::Release},
                   {os::MsgMButtonDown, 1002, pilot::InputKind::Press},
                   {os::MsgMButtonUp, 1002, pilot::InputKind::Release}};
    for (const auto& b : buttons) {
        ASSERT_TRUE(MakeInputEvent(viewWindow, b.Message, 0x1, 0x00500040, e));
        EXPECT_EQ(e.Code, b.Code);
        EXPECT_EQ(e.Kind, b.Kind);
        EXPECT_EQ(e.Modifiers, pilot::ModifierControl);
    }
}

TEST_F(DispatchTest, OnlyTheHostsWindowsGiveEventsAndTheMouseOnlyOverTheView) {
    os::Hwnd other = sim::AddWindow("FS98MAINX");
    pilot::InputEvent e;
    EXPECT_FALSE(MakeInputEvent(other, os::MsgKeyDown, 'W', 0, e));
    EXPECT_EQ(sim::KeyStateReads(), 0) << "another window's key reads no modifiers";
    EXPECT_TRUE(MakeInputEvent(viewWindow, os::MsgKeyUp, 'W', 0, e));
    EXPECT_FALSE(MakeInputEvent(mainWindow, os::MsgLButtonDown, 0, 0, e));
    EXPECT_FALSE(MakeInputEvent(mainWindow, os::MsgMouseMove, 0, 0, e));
    EXPECT_FALSE(MakeInputEvent(nullptr, os::MsgKeyDown, 'W', 0, e));

    ASSERT_TRUE(MakeInputEvent(viewWindow, os::MsgMouseMove, 0, 0xFFFF8001, e));
    EXPECT_EQ(e.Kind, pilot::InputKind::PointerMove);
    EXPECT_EQ(e.PointerX, 0x8001) << "unsigned 16 bits";
    EXPECT_EQ(e.PointerY, 0xFFFF);
    ASSERT_TRUE(MakeInputEvent(viewWindow, os::MsgMouseWheel, os::Word(0xFF880000), 0, e));
    EXPECT_EQ(e.Kind, pilot::InputKind::Wheel);
    EXPECT_EQ(e.WheelDelta, -120) << "one notch toward the user";
    EXPECT_EQ(sim::KeyStateReads(), 3) << "only the key read them; pointer and wheel do not";
}

} // namespace
