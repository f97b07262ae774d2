// Key and button input of the pilot view on plain values: a binding table
// built here, events as the router makes them, the active view's kind given.
#include "pilot/pilot_input.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pilot;

namespace {

constexpr int32_t Cockpit = 1, Outside = 1250, OtherView = 7;

class PilotInputTest : public ::testing::Test {
protected:
    PilotViewState State{};
    KeyBindingTable Table;

    void SetUp() override { State.SettingTogglesReady = 1; }
    KeyBinding& Bind(const char* command, int32_t code, int32_t modifiers = 0,
                     int32_t onRelease = 1) {
        KeyBinding& e = Table.Entries[Table.Count++];
        std::strcpy(e.Command, command);
        e.Code = code;
        e.Modifiers = modifiers;
        e.OnRelease = onRelease;
        e.Id = ResolveCommand(command);
        return e;
    }
    InputResult Key(bool down, int32_t code, int32_t modifiers = 0, int32_t view = Cockpit) {
        InputEvent e{down ? InputKind::Press : InputKind::Release, code, modifiers, 0, 0, 0};
        return PilotInput(State, Table, e, view);
    }
};

TEST_F(PilotInputTest, AHeldMovementIsOnExactlyWhileItsKeyIsDownAndRepeatsAreSwallowed) {
    Bind("PilotForward", 'W');
    EXPECT_EQ(Key(true, 'W').Consumed, 1);
    EXPECT_EQ(State.Held.Forward, 1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Key(true, 'W').Consumed, 1) << "auto-repeat";
    EXPECT_EQ(State.Held.Forward, 1) << "a repeat runs nothing";
    EXPECT_EQ(Key(false, 'W').Consumed, 1);
    EXPECT_EQ(State.Held.Forward, 0);
    EXPECT_EQ(Key(false, 'W').Consumed, 0) << "a release without a press is the host's";
    EXPECT_EQ(Key(true, 'Q').Consumed, 0) << "an unbound key is the host's";
}

TEST_F(PilotInputTest, WithoutDoubleEachPressTogglesAndTheReleaseOnlyEndsThePress) {
    Bind("PilotCrouch", 'C', 0, 0);
    Key(true, 'C');
    EXPECT_EQ(Key(false, 'C').Consumed, 1);
    EXPECT_EQ(State.Held.Crouch, 1);
    Key(true, 'C');
    Key(false, 'C');
    EXPECT_EQ(State.Held.Crouch, 0);
}

TEST_F(PilotInputTest, EveryEntryOfAKeyRunsInTableOrder) {
    Bind("PilotHeadRight", 0x27);
    Bind("ToggleMouseLook", 0x27, 0, 0);
    State.LastCursorX = 7;
    EXPECT_EQ(Key(true, 0x27).Consumed, 1);
    EXPECT_EQ(State.Held.HeadRight, 1);
    EXPECT_EQ(State.MouseLook, 1);
    Key(false, 0x27);
    Key(true, 0x27);
    EXPECT_EQ(State.MouseLook, 0);
    EXPECT_EQ(State.LastCursorX, 0) << "switching mouse look off forgets the last sample";
}

TEST_F(PilotInputTest, ModifiersMustMatchExactly) {
    Bind("PilotUp", 'U', ModifierShift);
    EXPECT_EQ(Key(true, 'U').Consumed, 0);
    EXPECT_EQ(Key(true, 'U', ModifierShift | ModifierControl).Consumed, 0);
    EXPECT_EQ(State.Held.Up, 0);
    EXPECT_EQ(Key(true, 'U', ModifierShift).Consumed, 1);
    EXPECT_EQ(State.Held.Up, 1);
    // Released with Control held as well: still the end of this press.
    EXPECT_EQ(Key(false, 'U', ModifierShift | ModifierControl).Consumed, 1);
    EXPECT_EQ(State.Held.Up, 0);
}

TEST_F(PilotInputTest, AReleaseEndsTheHeldMovementWhateverIsHeldAndWhateverIsShown) {
    Bind("PilotForward", 0x26);
    Bind("PilotStepLeft", 0x25);
    Bind("ToggleMouseLook", CodeMouseButtonRight);
    Key(true, 0x26);
    EXPECT_EQ(Key(false, 0x26, ModifierShift).Consumed, 1) << "Shift taken to run";
    EXPECT_EQ(State.Held.Forward, 0);
    Key(true, 0x25);
    Key(true, CodeMouseButtonRight);
    EXPECT_EQ(Key(false, 0x25, 0, OtherView).Consumed, 1);
    EXPECT_EQ(Key(false, CodeMouseButtonRight, ModifierControl, 0).Consumed, 1) << "no view";
    EXPECT_EQ(State.Held.StepLeft, 0);
    EXPECT_EQ(State.MouseLook, 0);
    // The next press moves again, rather than stopping a movement left on.
    Key(true, 0x26);
    EXPECT_EQ(State.Held.Forward, 1);
}

TEST_F(PilotInputTest, TwoKeysHeldForOneMovementKeepItOnUntilTheLastGoesUp) {
    Bind("PilotHeadRight", 'D');
    Bind("PilotHeadRight", 0x27);
    Key(true, 'D');
    Key(true, 0x27);
    EXPECT_EQ(State.Held.HeadRight, 1) << "the second press does not stop the first";
    Key(false, 'D');
    Key(false, 0x27);
    EXPECT_EQ(State.Held.HeadRight, 0);
}

TEST_F(PilotInputTest, LosingTheKeyboardEndsEveryPressAndMovementButRunsNoToggle) {
    Bind("PilotForward", 'W');
    Bind("PilotCrouch", 'C', 0, 0); // latched by its press
    Bind("ToggleMouseLook", CodeMouseButtonRight);
    Bind("TogglePilot", 'P'); // DOUBLE on a toggle: runs on press and release
    Key(true, 'W'), Key(true, 'C'), Key(true, CodeMouseButtonRight), Key(true, 'P');
    ASSERT_EQ(State.ExternalView, 1);
    ReleaseEverything(State, Table);
    EXPECT_EQ(State.Held.Forward + State.Held.Crouch + State.MouseLook, 0);
    EXPECT_EQ(State.ExternalView, 1) << "a toggle is not run by a lost release";
    for (int i = 0; i < Table.Count; ++i) EXPECT_EQ(Table.Entries[i].Pressed, 0);
    EXPECT_EQ(Key(false, 'W').Consumed, 0) << "the release, should it come, is the host's";
    Key(true, 'W');
    EXPECT_EQ(State.Held.Forward, 1);
}

TEST_F(PilotInputTest, AnotherKindOfViewRefusesTheTableButNotTheSettingToggles) {
    Bind("PilotForward", 'W');
    Bind("ToggleHeadLatency", 'H', 0, 0);
    Bind("xToggleGroundTurbulenceX", 'G', 0, 0);
    EXPECT_EQ(Key(true, 'W', 0, OtherView).Consumed, 0);
    EXPECT_EQ(Key(true, 'W', 0, 0).Consumed, 0) << "no view at all";
    EXPECT_EQ(State.Held.Forward, 0);
    InputResult r = Key(true, 'H', 0, OtherView);
    EXPECT_EQ(r.Consumed, 1);
    EXPECT_EQ(r.Toggles, ToggleHeadLatency);
    EXPECT_EQ(Key(true, 'G', 0, Outside).Toggles, ToggleGroundTurbulence) << "contained name";
    EXPECT_EQ(Key(true, 'W', 0, Outside).Consumed, 1) << "the outside view takes the table";
}

TEST_F(PilotInputTest, BeforeTheFirstTickOnlyTheCommandTableAnswers) {
    State.SettingTogglesReady = 0;
    Bind("ToggleHeadLatency", 'H', 0, 0);
    InputResult r = Key(true, 'H');
    EXPECT_EQ(r.Consumed, 0);
    EXPECT_EQ(r.Toggles, 0u);
}

TEST_F(PilotInputTest, TogglePilotAsksForTheSettingAndTheViewSeesItAtOnce) {
    Bind("TogglePilot", 'P', 0, 0);
    InputResult r = Key(true, 'P');
    EXPECT_EQ(r.Toggles, ToggleExternalView);
    EXPECT_EQ(State.ExternalView, 1);
    Bind("TogglePilot", 'P', 0, 0); // the same key twice: two flips, no change
    Key(false, 'P');
    r = Key(true, 'P');
    EXPECT_EQ(r.Toggles, 0u);
    EXPECT_EQ(State.ExternalView, 1);
}

TEST_F(PilotInputTest, ClicksAndTheWheelAreLeftToTheHost) {
    Bind("ButtonClickLeft", CodeMouseButtonLeft, 0, 0);
    Bind("PilotForward", CodeMouseWheelUp);
    EXPECT_EQ(Key(true, CodeMouseButtonLeft).Consumed, 0);
    InputEvent wheel{InputKind::Wheel, 0, 0, 120, 0, 0};
    EXPECT_EQ(PilotInput(State, Table, wheel, Cockpit).Consumed, 0);
    EXPECT_EQ(State.Held.Forward, 0) << "no input ever makes a wheel code";
}

TEST_F(PilotInputTest, ACorruptCountNeverReadsPastTheTable) {
    Bind("PilotForward", 'W');
    Table.Count = 100000;
    EXPECT_EQ(Key(true, 'W').Consumed, 1);
}

} // namespace
