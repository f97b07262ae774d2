#include "module/dispatch.h"

#include "camera/frame_tick.h"
#include "module/settings.h"

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
    Settings.InternalViewActive = 1;
    sim::SetTime(1234);
    EXPECT_FALSE(sim::Get(viewWindow, HostFrameMessage).Blanked());
    EXPECT_EQ(camera::PreviousFrameTime, 1234u);
    sim::SetTime(1300);
    EXPECT_FALSE(sim::Send(nullptr, HostFrameMessage).Blanked());
    EXPECT_EQ(camera::PreviousFrameTime, 1300u);
    EXPECT_EQ(sim::NextHookCalls(), 2) << "the rest of the chain sees it too";
}

TEST_F(DispatchTest, CommandsAreCarriedOutOnlyForTheMainWindow) {
    auto delivered = sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy);
    EXPECT_TRUE(delivered.Blanked());
    EXPECT_EQ(Settings.FlyByActive, 0);
    EXPECT_EQ(sim::NextHookCalls(), 0) << "a consumed message ends the chain";

    EXPECT_FALSE(sim::Get(viewWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(Settings.FlyByActive, 0);

    // The notification code in the high word does not matter; sent commands work too.
    EXPECT_TRUE(sim::Send(mainWindow, os::MsgCommand, 0x10000 | CommandInternalView).Blanked());
    EXPECT_EQ(Settings.InternalViewActive, 1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandExternalView).Blanked());
    EXPECT_EQ(Settings.ExternalViewActive, 1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandConfigure).Blanked());
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandAbout).Blanked());

    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, 0x7805).Blanked());
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, 0x77FF).Blanked());
}

TEST_F(DispatchTest, WithoutAMainWindowNoCommandIsCarriedOut) {
    HostMainWindow = nullptr; // as when "FS98MAIN" was not found
    EXPECT_FALSE(sim::Get(nullptr, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(Settings.FlyByActive, 1);
}

TEST_F(DispatchTest, InitMenuIsLeftToTheHost) {
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgInitMenu).Blanked());
    EXPECT_FALSE(sim::Send(mainWindow, os::MsgInitMenu).Blanked());
}

TEST_F(DispatchTest, APeekedMessageIsDispatchedOnlyWhenRemoved) {
    EXPECT_FALSE(sim::Peek(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(Settings.FlyByActive, 1);
    EXPECT_EQ(sim::NextHookCalls(), 1);
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(Settings.FlyByActive, 0);
}

TEST_F(DispatchTest, NegativeAndOtherHookCodesPassStraightOn) {
    os::QueuedMessage queued{mainWindow, os::MsgCommand, CommandActivateFlyBy, 0, 0, {}};
    os::SentMessage sent{0, CommandActivateFlyBy, os::MsgCommand, mainWindow};
    sim::CallHook(os::HookGetMessage, -1, os::PeekRemove, reinterpret_cast<os::Long>(&queued));
    sim::CallHook(os::HookCallWndProc, -1, 0, reinterpret_cast<os::Long>(&sent));
    sim::CallHook(os::HookGetMessage, 1, os::PeekRemove, reinterpret_cast<os::Long>(&queued));
    EXPECT_EQ(Settings.FlyByActive, 1);
    EXPECT_EQ(sim::NextHookCalls(), 3);
    EXPECT_EQ(queued.Window, mainWindow);
    EXPECT_EQ(sent.Message, os::MsgCommand);
}

TEST_F(DispatchTest, WhileTheInternalViewIsOnCommandsStillWorkAndUnhandledInputReachesTheHost) {
    Settings.InternalViewActive = 1;
    EXPECT_TRUE(sim::Get(mainWindow, os::MsgCommand, CommandActivateFlyBy).Blanked());
    EXPECT_EQ(Settings.FlyByActive, 0);
    EXPECT_FALSE(sim::Get(mainWindow, os::MsgKeyDown, 'W').Blanked());
    EXPECT_FALSE(sim::Get(viewWindow, os::MsgLButtonDown).Blanked());
}

TEST(PilotInputMessages, ExactlyTheTenKeyAndMouseMessages) {
    const uint32_t taken[] = {0x100, 0x101, 0x200, 0x201, 0x202, 0x204, 0x205, 0x207, 0x208, 0x20A};
    for (uint32_t m : taken) EXPECT_TRUE(IsPilotInputMessage(m)) << std::hex << m;
    // Double clicks, system keys, characters, timers and the like are not.
    const uint32_t notTaken[] = {0x102, 0x104, 0x105, 0x113, 0x203, 0x206,
                                 0x209, 0x20B, 0x20E, 0x466, 0x111, 0x116};
    for (uint32_t m : notTaken) EXPECT_FALSE(IsPilotInputMessage(m)) << std::hex << m;
}

} // namespace
