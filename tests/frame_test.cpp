#include "module/frame.h"

#include "host/viewpoint.h"
#include "module/pilot_view.h"

#include "module_test.h"

#include <cmath>
#include <cstring>

using addon::FrameTick;

namespace {

class FrameTickTest : public StartedModuleTest {
protected:
    SimulatedHost host;
    void SetUp() override {
        StartedModuleTest::SetUp();
        host.ProvideFixedWords();
    }
    void TickAt(uint32_t milliseconds) { FrameTick(module, {milliseconds, 0}); }
    // The aircraft in the host's variables: metres north, 2^48 units per turn, metres, km/h.
    void Aircraft(double latDeg, double lonDeg, double altMetres, double speed = 0.0) {
        host.Values[host::HostVarLatitude] = latDeg * 111130.0;
        host.Values[host::HostVarLongitude] = lonDeg / 360.0 * 281474976710656.0;
        host.Values[host::HostVarAltitude] = altMetres;
        host.Values[host::HostVarSpeed] = speed;
    }
    std::vector<uint8_t> ViewpointBytes() {
        const uint8_t* bytes = sim::HostBytes(host::ViewpointBlock, host::ViewpointBlockSize);
        return {bytes, bytes + host::ViewpointBlockSize};
    }
};

TEST_F(FrameTickTest, TheStepIsTheTimeSinceTheLastTickHeldToOneSecond) {
    // From a fresh clock, ticks at these times (ms): the step the last one measures.
    struct Case {
        std::vector<uint32_t> Times;
        float Step;
    };
    const uint32_t hours = 5 * 3600 * 1000 + 1; // past 2^24 ms a float stamp loses milliseconds
    const Case cases[] = {
        // The first tick measures from zero; exactly one second stays.
        {{400}, 0.4f},
        {{400, 416}, float(0.016)},
        {{400, 1400}, 1.0f},
        {{400, 5000}, 1.0f},
        {{3600000}, 1.0f},
        {{hours, hours + 17}, float(0.017)},
        {{hours + 17, hours + 34}, float(0.017)},
        // The clock's wrap is an ordinary step; a clock that goes back reads as a long pause.
        {{0xFFFFFFF0u, 0x10}, float(0.032)},
        {{0xFFFFFFF0u, 0x10, 0x20}, float(0.016)},
        {{10000, 9000}, 1.0f},
    };
    for (const Case& c : cases) {
        module.Clock = {};
        for (uint32_t t : c.Times) TickAt(t);
        EXPECT_EQ(module.Clock.FrameStep, c.Step) << "last tick at " << c.Times.back();
    }
}

TEST_F(FrameTickTest, ExternalViewExistsOnlyInsideTheInternalView) {
    for (int32_t inside : {0, 1}) {
        module.Settings.InternalViewActive = inside;
        module.Settings.ExternalViewActive = 1;
        TickAt(100 + 100 * uint32_t(inside));
        EXPECT_EQ(module.Settings.ExternalViewActive, inside);
    }
}

TEST(PilotSettings, RatesCountOnlyWhileSwitchedOnAndEachWithinItsRange) {
    addon::ModuleSettings s{};
    s.HeadLatencyRate = 3.0;
    s.GroundTurbRate = 2.5;
    s.GroundTurbOn = 1;
    s.RunningSpeed = 6.5;
    addon::PilotSettings p = addon::PilotSettingsOf(s);
    EXPECT_EQ(p.LatencyFactor, 0.0) << "latency is off";
    EXPECT_EQ(p.TurbulenceFactor, 2.5);
    EXPECT_EQ(p.RunSpeed, 6.5);
    EXPECT_FALSE(p.Outside);
    s.HeadLatencyOn = 1;
    s.ExternalViewActive = 1;
    EXPECT_EQ(addon::PilotSettingsOf(s).LatencyFactor, 3.0);
    EXPECT_TRUE(addon::PilotSettingsOf(s).Outside);
    s.HeadLatencyRate = std::nan("");
    EXPECT_EQ(addon::PilotSettingsOf(s).LatencyFactor, 0.0);
}

TEST_F(FrameTickTest, FlyByReadsSevenVariablesInOrderAndConvertsThem) {
    host.ProvidePanelsTable();
    Aircraft(10.0, -90.0, 1000.0, 360.0); // 10 degrees north, a quarter turn west
    host.Values[host::HostVarHeading] = 270.0;
    host.Values[host::HostVarPitch] = -5.0;
    host.Values[host::HostVarBank] = 30.0;
    TickAt(100);
    std::vector<uint32_t> order = {0x47, 0x48, 0x49, 0x56, 0x4D, 0x4F, 0x3D};
    EXPECT_EQ(host.Served, order);
    EXPECT_EQ(host.DirtyRequests, 0);
    EXPECT_EQ(module.Aircraft.Position.Latitude, 10.0 * 0.01745329251944);
    EXPECT_EQ(module.Aircraft.Position.Longitude, -90.0 * 0.01745329251944);
    EXPECT_EQ(module.Aircraft.Position.Altitude, 3280.84);
    EXPECT_EQ(module.Aircraft.Heading, 270.0);
    EXPECT_EQ(module.Aircraft.Pitch, -5.0);
    EXPECT_EQ(module.Aircraft.Speed, 360.0);
    TickAt(120);
    EXPECT_EQ(host.Served.size(), 14u) << "every tick";
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
    EXPECT_EQ(module.Aircraft.Position.Latitude, 0.0);
}

TEST_F(FrameTickTest, SwitchedOffNoLookupIsMadeAndTheCountdownAndViewpointStay) {
    host.ProvidePanelsTable();
    Aircraft(5.0, 0.0, 0.0);
    TickAt(250);
    for (uint32_t t = 500; t <= 2250; t += 250) TickAt(t);
    EXPECT_EQ(module.FlyBy.Countdown, 8.0f);
    host::ViewpointWords before = host::ReadViewpoint();
    EXPECT_NE(before.Latitude, 0);
    module.Settings.FlyByActive = 0;
    Aircraft(6.0, 0.0, 0.0);
    host.Served.clear();
    for (uint32_t t = 3250; t <= 22250; t += 1000) TickAt(t);
    EXPECT_TRUE(host.Served.empty());
    EXPECT_EQ(module.Aircraft.Position.Latitude, 5.0 * 0.01745329251944) << "as last read";
    EXPECT_EQ(module.FlyBy.Countdown, 8.0f);
    EXPECT_EQ(host::ReadViewpoint().Latitude, before.Latitude);
    module.Settings.FlyByActive = 1;
    TickAt(22500);
    EXPECT_EQ(module.FlyBy.Countdown, 7.75f) << "time while off does not count";
}

TEST_F(FrameTickTest, ANonFiniteHostValueLeavesTheViewpointUntilTheValuesAreFiniteAgain) {
    host.ProvidePanelsTable();
    Aircraft(47.0, 8.0, 500.0, 360.0);
    TickAt(100);
    const std::vector<uint8_t> placed = ViewpointBytes();
    // 1000 m ahead (north) of the aircraft and 100 m to its right (east), encoded.
    host::DecodedViewpoint v = host::DecodeViewpoint(host::ReadViewpoint());
    EXPECT_NEAR(v.LatitudeDegrees, 47.0 + 1000.0 / 111130.0, 2e-6);
    EXPECT_NEAR(v.LongitudeDegrees, 8.0 + 100.0 / (111130.0 * std::cos(47.0 * M_PI / 180)), 2e-6);
    EXPECT_EQ(v.AltitudeMetres, 500.0);
    const uint32_t tokens[] = {host::HostVarLatitude, host::HostVarLongitude, host::HostVarAltitude,
                               host::HostVarHeading,  host::HostVarPitch,     host::HostVarSpeed};
    uint32_t t = 100;
    for (uint32_t token : tokens) {
        double good = host.Values[token];
        host.Values[token] = std::nan("");
        for (int i = 0; i < 30; ++i) TickAt(t += 500); // three periods
        EXPECT_EQ(ViewpointBytes(), placed) << "token 0x" << std::hex << token;
        host.Values[token] = good;
    }
    host.Values[host::HostVarLatitude] = 48.0 * 111130.0;
    TickAt(t += 500);
    v = host::DecodeViewpoint(host::ReadViewpoint());
    EXPECT_NEAR(v.LatitudeDegrees, 48.0 + 1000.0 / 111130.0, 1e-5) << "goes on at once";
    EXPECT_EQ(v.AltitudeMetres, 500.0);
}

} // namespace
