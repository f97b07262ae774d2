#include "camera/frame_tick.h"

#include "module/settings.h"
#include "pilot/pilot_state.h"

#include "module_test.h"

#include <cstring>

using namespace camera;
using addon::Settings;

namespace {

class FrameTickTest : public StartedModuleTest {
protected:
    SimulatedHost host;
    void SetUp() override {
        StartedModuleTest::SetUp();
        host.ProvideFixedWords();
    }
    void TickAt(uint32_t milliseconds) {
        sim::SetTime(milliseconds);
        FrameTick();
    }
};

TEST_F(FrameTickTest, FirstTickMeasuresFromZeroAndTheStepIsCappedAtOneSecond) {
    TickAt(400);
    EXPECT_FLOAT_EQ(FrameStep, 0.4f);
    TickAt(416);
    EXPECT_EQ(FrameStep, float(0.016));
    TickAt(1416);
    EXPECT_EQ(FrameStep, 1.0f) << "exactly one second stays";
    TickAt(5000);
    EXPECT_EQ(FrameStep, 1.0f);
}

TEST_F(FrameTickTest, FirstTickAfterLongUptimeIsOneSecond) {
    TickAt(3600000);
    EXPECT_EQ(FrameStep, 1.0f);
}

TEST_F(FrameTickTest, StepsStayExactAfterHoursOfUptime) {
    // Past 2^24 ms a single-precision stamp would lose whole milliseconds.
    uint32_t t = 5 * 3600 * 1000 + 1;
    TickAt(t);
    for (int i = 0; i < 50; ++i) {
        t += 17;
        TickAt(t);
        ASSERT_EQ(FrameStep, float(0.017)) << "tick " << i;
    }
}

TEST_F(FrameTickTest, TheClockWrapIsAnOrdinaryStep) {
    TickAt(0xFFFFFFF0u);
    TickAt(0x00000010u);
    EXPECT_EQ(FrameStep, float(0.032));
    TickAt(0x00000020u);
    EXPECT_EQ(FrameStep, float(0.016));
}

TEST_F(FrameTickTest, AClockThatGoesBackReadsAsALongPause) {
    TickAt(10000);
    TickAt(9000);
    EXPECT_EQ(FrameStep, 1.0f);
    EXPECT_GT(FrameStep, 0.0f) << "never negative";
}

TEST_F(FrameTickTest, ExternalViewExistsOnlyInsideTheInternalView) {
    Settings.ExternalViewActive = 1;
    TickAt(100);
    EXPECT_EQ(Settings.ExternalViewActive, 0);
    EXPECT_EQ(pilot::ViewState.ExternalView, 0) << "no hand-over while the view is off";

    Settings.InternalViewActive = 1;
    Settings.ExternalViewActive = 1;
    TickAt(200);
    EXPECT_EQ(Settings.ExternalViewActive, 1);
    EXPECT_EQ(pilot::ViewState.ExternalView, 1);
}

TEST_F(FrameTickTest, TheHandlerIsStoredOnEveryTickWhateverTheSettings) {
    Settings.FlyByActive = 0;
    EXPECT_EQ(pilot::ViewState.ExtraHandler, nullptr);
    TickAt(10);
    EXPECT_EQ(pilot::ViewState.ExtraHandler, &ExtraCommandHandler);
    pilot::ViewState.ExtraHandler = nullptr;
    TickAt(20);
    EXPECT_EQ(pilot::ViewState.ExtraHandler, &ExtraCommandHandler);
}

TEST_F(FrameTickTest, HandOverGivesTheRatesOnlyWhileSwitchedOn) {
    Settings.InternalViewActive = 1;
    Settings.ViewTurbRate = 3.0;
    Settings.GroundTurbRate = 2.5;
    Settings.GroundTurbOn = 1;
    Settings.RunningSpeed = 6.5;
    TickAt(10);
    EXPECT_EQ(pilot::ViewState.LatencyFactor, 0.0);
    EXPECT_EQ(pilot::ViewState.TurbulenceFactor, 2.5);
    EXPECT_EQ(pilot::ViewState.RunSpeed, 6.5);

    addon::KeyBinding command{};
    std::strcpy(command.Command, "ToggleHeadLatency");
    EXPECT_EQ(pilot::ViewState.ExtraHandler(0, 0, &command), 1);
    EXPECT_EQ(pilot::ViewState.LatencyFactor, 0.0) << "reaches the view at the next tick";
    TickAt(20);
    EXPECT_EQ(pilot::ViewState.LatencyFactor, 3.0);
    EXPECT_EQ(Settings.ViewTurbRate, 3.0);

    Settings.InternalViewActive = 0;
    Settings.RunningSpeed = 1.0;
    TickAt(30);
    EXPECT_EQ(pilot::ViewState.RunSpeed, 6.5) << "nothing handed over while the view is off";
}

TEST(ExtraCommands, MatchByContainedNameHeadLatencyFirst) {
    addon::ClearModuleState();
    addon::KeyBinding command{};
    std::strcpy(command.Command, "xxToggleGroundTurbulence2");
    EXPECT_EQ(ExtraCommandHandler(0, 0, &command), 1);
    EXPECT_EQ(Settings.GroundTurbOn, 1);
    std::strcpy(command.Command, "ToggleGroundTurbulenceToggleHeadLatency");
    EXPECT_EQ(ExtraCommandHandler(0, 0, &command), 1);
    EXPECT_EQ(Settings.ViewTurbOn, 1);
    EXPECT_EQ(Settings.GroundTurbOn, 1);
    std::strcpy(command.Command, "togglehEADlatency");
    EXPECT_EQ(ExtraCommandHandler(0, 0, &command), 0);
    std::strcpy(command.Command, "PilotForward");
    EXPECT_EQ(ExtraCommandHandler(0, 0, &command), 0);
    EXPECT_EQ(Settings.ViewTurbOn, 1);
}

TEST_F(FrameTickTest, FlyByReadsSevenVariablesInOrderAndConvertsThem) {
    host.ProvidePanelsTable();
    host.Values[host::HostVarLatitude] = 111130.0 * 10.0;           // 10 degrees north
    host.Values[host::HostVarLongitude] = -281474976710656.0 / 4.0; // a quarter turn west
    host.Values[host::HostVarAltitude] = 1000.0;                    // metres
    host.Values[host::HostVarHeading] = 270.0;
    host.Values[host::HostVarPitch] = -5.0;
    host.Values[host::HostVarBank] = 30.0;
    host.Values[host::HostVarSpeed] = 360.0;
    TickAt(100);
    std::vector<uint32_t> order = {0x47, 0x48, 0x49, 0x56, 0x4D, 0x4F, 0x3D};
    EXPECT_EQ(host.Served, order);
    EXPECT_EQ(AircraftPosition.Latitude, 10.0 * 0.01745329251944);
    EXPECT_EQ(AircraftPosition.Longitude, -90.0 * 0.01745329251944);
    EXPECT_EQ(AircraftPosition.Altitude, 3280.84);
    EXPECT_EQ(AircraftHeading, 270.0);
    EXPECT_EQ(AircraftPitch, -5.0);
    EXPECT_EQ(AircraftSpeed, 360.0);
    for (const auto& record : FlyByVars) {
        uint8_t zeros[8] = {};
        EXPECT_EQ(std::memcmp(record.HostOwnBefore, zeros, 8), 0);
        EXPECT_EQ(std::memcmp(record.HostOwnAfter, zeros, 8), 0);
    }
    TickAt(120);
    EXPECT_EQ(host.Served.size(), 14u) << "every tick";
}

TEST_F(FrameTickTest, NoLookupsWhileTheFlyByIsOffAndTheAircraftValuesStay) {
    host.ProvidePanelsTable();
    host.Values[host::HostVarHeading] = 90.0;
    TickAt(100);
    Settings.FlyByActive = 0;
    host.Values[host::HostVarHeading] = 180.0;
    host.Served.clear();
    TickAt(200);
    TickAt(300);
    EXPECT_TRUE(host.Served.empty());
    EXPECT_EQ(AircraftHeading, 90.0);
}

TEST_F(FrameTickTest, WithoutAUsablePanelsTableNoLookupIsMade) {
    // Nothing handed over by the host yet.
    TickAt(100);
    // A table address the host never mapped.
    ImportTable[0].Table = 0x00700000;
    TickAt(200);
    // A mapped table with an empty slot.
    host.ProvidePanelsTable();
    sim::PokeHost<uint32_t>(SimulatedHost::PanelsTable + host::LookupVarSlot, 0);
    TickAt(300);
    EXPECT_TRUE(host.Served.empty());
    EXPECT_EQ(AircraftPosition.Latitude, 0.0);
}

} // namespace
