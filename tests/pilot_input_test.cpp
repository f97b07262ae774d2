// Key and button input of the pilot view on plain values: a binding table
// built here, events as the router makes them, the active view's kind given.
#include "pilot/pilot_input.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pilot;

namespace {

constexpr int32_t Cockpit = 1, OutsideView = 1250, OtherView = 7;

InputEvent Event(InputKind kind, int32_t code, int32_t modifiers = 0) {
    InputEvent e{};
    e.Kind = kind;
    e.Code = code;
    e.Modifiers = modifiers;
    return e;
}

class PilotInputTest : public ::testing::Test {
protected:
    HeldCommands Held{};
    MouseLook Mouse{};
    CockpitEye Eye{};
    PilotControls Controls{Held, Mouse, Eye};
    KeyBindingTable Table;
    bool Offered = true;  // the frame has run
    bool Outside = false; // the pilot walks outside
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
        return PilotInput(Controls, Table,
                          Event(down ? InputKind::Press : InputKind::Release, code, modifiers),
                          {view, Outside, Offered});
    }
};

TEST_F(PilotInputTest, AHeldMovementIsOnExactlyWhileItsKeyIsDownAndRepeatsAreSwallowed) {
    Bind("PilotForward", 'W');
    EXPECT_EQ(Key(true, 'W').Consumed, 1);
    EXPECT_EQ(Held.Forward, 1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Key(true, 'W').Consumed, 1) << "auto-repeat";
    EXPECT_EQ(Held.Forward, 1) << "a repeat runs nothing";
    EXPECT_EQ(Key(false, 'W').Consumed, 1);
    EXPECT_EQ(Held.Forward, 0);
    EXPECT_EQ(Key(false, 'W').Consumed, 0) << "a release without a press is the host's";
    EXPECT_EQ(Key(true, 'Q').Consumed, 0) << "an unbound key is the host's";
    Bind("PilotUp", 'W', ModifierShift);
    Key(true, 'W');
    EXPECT_EQ(Key(true, 'W', ModifierShift).Consumed, 1) << "Shift added: still the repeat";
    EXPECT_EQ(Held.Up, 0) << "not a press of the Shift binding";
    Key(false, 'W', ModifierShift);
    EXPECT_EQ(Held.Forward, 0);
    Table.Count = 100000; // corrupt: never read past the table
    EXPECT_EQ(Key(true, 'W').Consumed, 1);
}

TEST_F(PilotInputTest, WithoutDoubleEachPressTogglesAndASecondKeyDoesNotStopAMovement) {
    Bind("PilotCrouch", 'C', 0, 0);
    Key(true, 'C');
    EXPECT_EQ(Key(false, 'C').Consumed, 1) << "the release only ends the press";
    EXPECT_EQ(Held.Crouch, 1);
    Key(true, 'C');
    Key(false, 'C');
    EXPECT_EQ(Held.Crouch, 0);
    Bind("PilotHeadRight", 'D');
    Bind("PilotHeadRight", 0x27);
    Key(true, 'D');
    Key(true, 0x27);
    EXPECT_EQ(Held.HeadRight, 1) << "the second press does not stop the first";
    Key(false, 'D');
    Key(false, 0x27);
    EXPECT_EQ(Held.HeadRight, 0);
}

TEST_F(PilotInputTest, EveryEntryOfAKeyRunsInTableOrder) {
    Bind("PilotHeadRight", 0x27);
    Bind("ToggleMouseLook", 0x27, 0, 0);
    Mouse.LastX = 7;
    EXPECT_EQ(Key(true, 0x27).Consumed, 1);
    EXPECT_EQ(Held.HeadRight, 1);
    EXPECT_EQ(Mouse.On, 1);
    Key(false, 0x27);
    Key(true, 0x27);
    EXPECT_EQ(Mouse.On, 0);
    EXPECT_EQ(Mouse.LastX, 0) << "switching mouse look off forgets the last sample";
    Bind("TogglePilot", 0x27, 0, 0); // the same key twice: two flips, no change
    Bind("TogglePilot", 0x27, 0, 0);
    Key(false, 0x27);
    EXPECT_EQ(Key(true, 0x27).Toggles, 0u);
}

TEST_F(PilotInputTest, ModifiersMustMatchExactly) {
    Bind("PilotUp", 'U', ModifierShift);
    EXPECT_EQ(Key(true, 'U').Consumed, 0);
    EXPECT_EQ(Key(true, 'U', ModifierShift | ModifierControl).Consumed, 0);
    EXPECT_EQ(Held.Up, 0);
    EXPECT_EQ(Key(true, 'U', ModifierShift).Consumed, 1);
    EXPECT_EQ(Held.Up, 1);
}

TEST_F(PilotInputTest, AReleaseEndsTheHeldMovementWhateverIsHeldAndWhateverIsShown) {
    Bind("PilotForward", 0x26);
    Bind("PilotStepLeft", 0x25);
    Bind("ToggleMouseLook", CodeMouseButtonRight);
    Key(true, 0x26);
    EXPECT_EQ(Key(false, 0x26, ModifierShift).Consumed, 1) << "Shift taken to run";
    EXPECT_EQ(Held.Forward, 0);
    Key(true, 0x25);
    Key(true, CodeMouseButtonRight);
    EXPECT_EQ(Key(false, 0x25, 0, OtherView).Consumed, 1);
    EXPECT_EQ(Key(false, CodeMouseButtonRight, ModifierControl, 0).Consumed, 1) << "no view";
    EXPECT_EQ(Held.StepLeft, 0);
    EXPECT_EQ(Mouse.On, 0);
    // The next press moves again, rather than stopping a movement left on.
    Key(true, 0x26);
    EXPECT_EQ(Held.Forward, 1);
}

TEST_F(PilotInputTest, LosingTheKeyboardEndsEveryPressAndMovementButRunsNoToggle) {
    Bind("PilotForward", 'W');
    Bind("PilotCrouch", 'C', 0, 0); // latched by its press
    Bind("ToggleMouseLook", CodeMouseButtonRight);
    Bind("TogglePilot", 'P'); // DOUBLE on a toggle: runs on press and release
    Key(true, 'W'), Key(true, 'C'), Key(true, CodeMouseButtonRight);
    ASSERT_EQ(Key(true, 'P').Toggles, ToggleExternalView);
    ReleaseEverything(Controls, Table);
    EXPECT_EQ(Held.Forward + Held.Crouch + Mouse.On, 0);
    for (int i = 0; i < Table.Count; ++i) EXPECT_EQ(Table.Entries[i].Pressed, 0);
    EXPECT_EQ(Key(false, 'W').Consumed, 0) << "the release, should it come, is the host's";
    EXPECT_EQ(Key(false, 'P').Toggles, 0u) << "a toggle is not run by a lost release";
    Key(true, 'W');
    EXPECT_EQ(Held.Forward, 1);
}

TEST_F(PilotInputTest, AnotherKindOfViewRefusesTheTableButNotTheSettingToggles) {
    Bind("PilotForward", 'W');
    Bind("ToggleHeadLatency", 'H', 0, 0);
    Bind("xToggleGroundTurbulenceX", 'G', 0, 0);
    EXPECT_EQ(Key(true, 'W', 0, OtherView).Consumed, 0);
    EXPECT_EQ(Key(true, 'W', 0, 0).Consumed, 0) << "no view at all";
    EXPECT_EQ(Held.Forward, 0);
    InputResult r = Key(true, 'H', 0, OtherView);
    EXPECT_EQ(r.Consumed, 1);
    EXPECT_EQ(r.Toggles, ToggleHeadLatency);
    EXPECT_EQ(Key(true, 'G', 0, OutsideView).Toggles, ToggleGroundTurbulence) << "contained name";
    EXPECT_EQ(Key(true, 'W', 0, OutsideView).Consumed, 1) << "the outside view takes the table";
    Key(false, 'H');
    Offered = false; // before the first tick only the command table answers
    r = Key(true, 'H');
    EXPECT_EQ(r.Consumed, 0);
    EXPECT_EQ(r.Toggles, 0u);
}

TEST_F(PilotInputTest, EyeCommandsWorkOnlyInTheCockpitFromInside) {
    Bind("SaveView3", 'S', 0, 0);
    Bind("RecallView9", 'R', 0, 0);
    Bind("PilotResetView", 'H', 0, 0);
    Bind("PilotZoomReset", 'Z', 0, 0);
    Eye.ViewCopyFilled = 1;
    Eye.HostPose = {{0, 1, 2}, 30.0, 5.0, 1.0};
    EXPECT_EQ(Key(true, 'S').SaveSlot, 3);
    EXPECT_EQ(Key(true, 'R').RecallSlot, 9);
    EXPECT_EQ(Key(true, 'H').Consumed, 1);
    EXPECT_EQ(Eye.Glide.Active, 1);
    EXPECT_EQ(Eye.Glide.To.Heading, 30.0);
    EXPECT_EQ(Key(true, 'Z').ZoomReset, 1);
    for (int32_t i = 0; i < Table.Count; ++i) Table.Entries[i].Pressed = 0;
    Outside = true; // outside: the saved views are the cockpit's
    EXPECT_EQ(Key(true, 'S', 0, OutsideView).Consumed, 0);
    EXPECT_EQ(Key(true, 'R', 0, OutsideView).RecallSlot, 0);
    EXPECT_EQ(Key(true, 'Z', 0, OutsideView).ZoomReset, 1) << "the walker's zoom";
    Outside = false;
    EXPECT_EQ(Key(true, 'S', 0, OtherView).Consumed, 0);
}

TEST_F(PilotInputTest, TheMenusSwitchesAnswerInAnyViewAndAloneWhileTheViewIsOff) {
    Bind("ToggleFlyBy", 'F', ModifierControl, 0);
    Bind("ToggleInternalView", 'I', 0, 0);
    Bind("PilotForward", 'I');
    EXPECT_TRUE(BindsSwitches(Table));
    EXPECT_EQ(Key(true, 'F', ModifierControl, OtherView).Toggles, ToggleFlyBy);
    Key(false, 'F');
    Offered = false; // before the first tick too
    EXPECT_EQ(Key(true, 'F', ModifierControl, 0).Toggles, ToggleFlyBy);
    Key(false, 'F');
    InputResult r = SwitchInput(Controls, Table, Event(InputKind::Press, 'I'));
    EXPECT_EQ(r.Consumed, 1);
    EXPECT_EQ(r.Toggles, ToggleInternalView);
    EXPECT_EQ(Held.Forward, 0) << "while the view is off only the switches answer";
    EXPECT_EQ(SwitchInput(Controls, Table, Event(InputKind::Release, 'I')).Consumed, 1);
    EXPECT_EQ(SwitchInput(Controls, Table, Event(InputKind::Press, 'Q')).Consumed, 0);
    KeyBindingTable none;
    EXPECT_FALSE(BindsSwitches(none));
}

TEST_F(PilotInputTest, ClicksAndTheWheelAreLeftToTheHost) {
    Bind("ButtonClickLeft", CodeMouseButtonLeft, 0, 0);
    Bind("PilotForward", CodeMouseWheelUp);
    EXPECT_EQ(Key(true, CodeMouseButtonLeft).Consumed, 0);
    InputEvent wheel = Event(InputKind::Wheel, 0);
    wheel.WheelDelta = 120;
    EXPECT_EQ(PilotInput(Controls, Table, wheel, {Cockpit, false, true}).Consumed, 0);
    EXPECT_EQ(Held.Forward, 0) << "no input ever makes a wheel code";
}

} // namespace
