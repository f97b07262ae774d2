#include "camera/flyby.h"

#include "camera/frame_tick.h"
#include "module/random.h"
#include "module/settings.h"

#include "geo_oracle.h"
#include "module_test.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

using namespace camera;
using addon::Settings;

namespace {

constexpr double Degree = M_PI / 180.0;

class FlyByTest : public ModuleTest {
protected:
    SimulatedHost host;
    uint32_t now = 0;
    void SetUp() override {
        ModuleTest::SetUp();
        sim::AddWindow("FS98MAIN");
        addon::ModuleAttach();
        host.ProvidePanelsTable();
        host.ProvideFixedWords();
    }
    // The aircraft as the host gives it: metres north, 2^48 units per turn, km/h.
    void Aircraft(double latDeg, double lonDeg, double altMetres, double heading, double pitch,
                  double speed) {
        host.Values[host::HostVarLatitude] = latDeg * 111130.0;
        host.Values[host::HostVarLongitude] = lonDeg / 360.0 * 281474976710656.0;
        host.Values[host::HostVarAltitude] = altMetres;
        host.Values[host::HostVarHeading] = heading;
        host.Values[host::HostVarPitch] = pitch;
        host.Values[host::HostVarSpeed] = speed;
    }
    void Tick(uint32_t milliseconds) {
        now += milliseconds;
        sim::SetTime(now);
        FrameTick();
    }
    GeoPosition Viewpoint() { return oracle::Decode(oracle::HostWords()); }
    // metres ahead of and right of p along heading (degrees), on p's tangent plane.
    static GeoPosition Beside(const GeoPosition& p, double heading, double ahead, double right) {
        double h = heading * Degree;
        return oracle::TangentPoint(p, ahead * std::sin(h) + right * std::cos(h),
                                    ahead * std::cos(h) - right * std::sin(h));
    }
    GeoPosition FromAircraft(double ahead, double right) {
        return Beside(AircraftPosition, AircraftHeading, ahead, right);
    }
};

// ---- Placement -------------------------------------------------------------

TEST_F(FlyByTest, StandingAircraftGetsAPointFiftyAheadAndFiveRightAtItsAltitude) {
    Aircraft(47.0, -122.0, 120.0, 0.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.Countdown, 10.0f);
    EXPECT_EQ(FlyBy.CameraSide, 1);
    EXPECT_EQ(FlyBy.LeadDistance, 50.0);
    EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(50, 5)), 0.01);
    EXPECT_EQ(FlyBy.CameraPosition.Altitude, AircraftPosition.Altitude);
    EXPECT_EQ(Viewpoint().Altitude, 120.0);

    Settings.FlyByDuration = 0; // every tick places, once the period under way has run out
    FlyBy.Countdown = 0.0f;
    for (double heading : {90.0, 200.0, 315.0}) {
        Aircraft(-20.0, -45.0, 50.0, heading, 0.0, 0.0);
        Tick(16);
        EXPECT_EQ(FlyBy.CameraHeading, heading);
        EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(50, 5)), 0.01) << heading;
    }
}

TEST_F(FlyByTest, At360KmhTheLeadIsOneKilometreAndTheCameraWaitsOutEachPeriod) {
    std::vector<int> placements;
    double lastLatitude = 0;
    for (int i = 0; i < 100; ++i) {
        Aircraft(10.0 + i * 25.0 / 111130.0, -60.0, 300.0, 0.0, 0.0, 360.0); // 100 m/s north
        Tick(250);
        if (FlyBy.CameraPosition.Latitude != lastLatitude) {
            placements.push_back(i);
            EXPECT_EQ(FlyBy.LeadDistance, 1000.0);
            EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(1000, 100)), 0.01);
        }
        lastLatitude = FlyBy.CameraPosition.Latitude;
        EXPECT_LT(oracle::Metres(Viewpoint(), FlyBy.CameraPosition), 0.01) << "tick " << i;
    }
    // 40 quarter seconds bring the countdown to exactly 0.0, which still waits.
    EXPECT_EQ(placements, (std::vector<int>{0, 41, 82}));
}

TEST_F(FlyByTest, PitchLowersThePointByHalfTheLeadsDropAndUprightLeavesItBeside) {
    Settings.FlyByDuration = 0;
    Settings.FlyByRelAltitude = 30;
    for (double pitch : {20.0, 90.0, -90.0}) {
        Aircraft(35.0, -80.0, 1000.0, 60.0, pitch, 0.0);
        Tick(16);
        double drop = 50 * std::sin(pitch * Degree) * 0.5 * 3.28084;
        EXPECT_NEAR(FlyBy.CameraPosition.Altitude, AircraftPosition.Altitude - drop + 30, 1e-6);
        EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(50 * std::cos(pitch * Degree), 5)), 0.01)
            << pitch;
    }
}

TEST_F(FlyByTest, WithoutDurationEveryTickThatMovesOnPlacesAtTheMinimumDistance) {
    Settings.FlyByDuration = 0;
    Aircraft(5.0, -30.0, 100.0, 10.0, 0.0, 360.0);
    Tick(16);
    EXPECT_EQ(FlyBy.Countdown, 0.0f);
    EXPECT_EQ(FlyBy.LeadDistance, 50.0) << "no lead from the speed";
    Aircraft(5.0, -30.0, 100.0, 20.0, 0.0, 360.0);
    Tick(0);
    EXPECT_EQ(FlyBy.CameraHeading, 10.0) << "a zero step leaves the countdown at 0.0";
    Tick(16);
    EXPECT_EQ(FlyBy.CameraHeading, 20.0);

    // No minimum and no speed: the aircraft's own position, raised.
    Settings.FlyByMinDistance = 0;
    Settings.FlyByRelAltitude = 250;
    Aircraft(5.0, -30.0, 100.0, 20.0, 0.0, 0.0);
    Tick(16);
    EXPECT_LT(oracle::Metres(Viewpoint(), AircraftPosition), 0.01);
    EXPECT_EQ(FlyBy.CameraPosition.Altitude, AircraftPosition.Altitude + 250);
}

TEST_F(FlyByTest, NegativeMinimumDistanceNeverRaisesTheLead) {
    Settings.FlyByMinDistance = -50;
    Aircraft(5.0, -30.0, 100.0, 0.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.LeadDistance, 0.0);
    EXPECT_LT(oracle::Metres(Viewpoint(), AircraftPosition), 0.01);
}

TEST_F(FlyByTest, SwitchedOffTheCountdownAndTheViewpointStayAsTheyWere) {
    Aircraft(5.0, -30.0, 100.0, 0.0, 0.0, 0.0);
    Tick(250);
    for (int i = 0; i < 8; ++i) Tick(250);
    EXPECT_EQ(FlyBy.Countdown, 8.0f);
    auto before = oracle::HostWords();
    Settings.FlyByActive = 0;
    for (int i = 0; i < 20; ++i) Tick(1000);
    EXPECT_EQ(FlyBy.Countdown, 8.0f);
    EXPECT_EQ(oracle::HostWords().LatitudeFraction, before.LatitudeFraction);
    Settings.FlyByActive = 1;
    Tick(250);
    EXPECT_EQ(FlyBy.Countdown, 7.75f);
}

// ---- Sides -----------------------------------------------------------------

// The state from which the next draw gives result r.
uint32_t StateBeforeDraw(int32_t r) {
    uint32_t inverse = addon::RandMultiplier; // Newton's iteration for the inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2 - addon::RandMultiplier * inverse;
    return ((uint32_t(r) << 16) - addon::RandIncrement) * inverse;
}

TEST_F(FlyByTest, RandomSideDrawsOncePerPointAndGoesLeftUpTo16384) {
    Settings.FlyByCameraPlacement = 2;
    Aircraft(50.0, -4.0, 10.0, 0.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, -1) << "the first draw after loading is 41";
    EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(50, -5)), 0.01);
    Tick(16);
    EXPECT_EQ(addon::RandState, 1u * 214013u + 2531011u) << "no draw without a new point";

    Settings.FlyByDuration = 0;
    FlyBy.Countdown = 0.0f;
    for (int32_t r : {16384, 16385, 0, 32767}) {
        addon::RandState = StateBeforeDraw(r);
        Tick(16);
        EXPECT_EQ(FlyBy.CameraSide, r <= 16384 ? -1 : 1) << r;
    }
}

TEST_F(FlyByTest, FixedPlacementsDoNotDrawAndAnUnknownOneKeepsTheSide) {
    Settings.FlyByDuration = 0;
    Settings.FlyByCameraPlacement = 3;
    Aircraft(50.0, -4.0, 10.0, 30.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, 0) << "on the path until a known placement is seen";
    EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(50, 0)), 0.01);
    Settings.FlyByCameraPlacement = 1;
    Tick(16);
    Settings.FlyByCameraPlacement = 7;
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, -1);
    Settings.FlyByCameraPlacement = 0;
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, 1);
    EXPECT_EQ(addon::RandState, addon::RandStateAtLoad);
}

// ---- Travelling ------------------------------------------------------------

class TravelTest : public FlyByTest {
protected:
    void SetUp() override {
        FlyByTest::SetUp();
        Settings.FlyByTravelling = 1;
        Aircraft(40.0, -100.0, 200.0, 90.0, 0.0, 360.0); // east, lead 1000 m
        Tick(16);
    }
    // The aircraft `ahead` metres along the camera's heading from the point,
    // itself turned since: the step keeps to the heading the point was chosen for.
    GeoPosition TravelWith(double ahead) {
        AircraftPosition = Beside(FlyBy.CameraPosition, FlyBy.CameraHeading, ahead, 0);
        AircraftHeading = FlyBy.CameraHeading + 45;
        TravelFlyByCamera();
        return Viewpoint();
    }
    double Aside(double metres) {
        return oracle::Metres(Viewpoint(),
                              Beside(FlyBy.CameraPosition, FlyBy.CameraHeading, 0, metres));
    }
};

TEST_F(TravelTest, ThePointIsOnThePathAndTheViewpointStepsAsideAsTheAircraftPasses) {
    EXPECT_LT(oracle::Metres(Viewpoint(), FromAircraft(1000, 0)), 0.01);
    GeoPosition point = FlyBy.CameraPosition;
    TravelWith(-1000);
    EXPECT_LT(Aside(0), 0.01) << "far before";
    TravelWith(-20);
    EXPECT_LT(Aside(30), 0.01) << "20 m before: 30 m aside";
    TravelWith(0);
    EXPECT_LT(Aside(50), 0.01) << "over the point";
    TravelWith(35);
    EXPECT_LT(Aside(15), 0.01);
    TravelWith(200);
    EXPECT_LT(Aside(0), 0.01) << "past and back";
    EXPECT_EQ(std::memcmp(&point, &FlyBy.CameraPosition, sizeof point), 0);
    EXPECT_EQ(Viewpoint().Altitude, 200.0);
}

TEST_F(TravelTest, OverThePointItStandsAsideEvenWhenTheDistanceRoundsBadly) {
    // The aircraft given exactly the camera's position, in the host's longitude
    // form; acos next to 1 resolves about a decimetre.
    int roundedAbove = 0;
    for (int i = 0; i < 400; ++i) {
        double lat = -1.2 + i * 0.006;
        double s = std::sin(lat), c = std::cos(lat);
        if (s * s + c * c > 1.0) ++roundedAbove;
        FlyBy.CameraPosition = {lat, -0.5 - 2 * M_PI + i * 0.01, 1000.0};
        AircraftPosition = FlyBy.CameraPosition;
        AircraftPosition.Longitude += 2 * M_PI;
        TravelFlyByCamera();
        ASSERT_LT(Aside(50), 0.15) << "latitude " << lat;
    }
    ASSERT_GT(roundedAbove, 0) << "the rounding case was not exercised";
}

TEST_F(TravelTest, WithoutASideOrWithANegativeMinimumTheStepChanges) {
    FlyBy.CameraSide = 0;
    TravelWith(-10);
    EXPECT_LT(Aside(0), 0.01) << "no side, no step";

    FlyBy.CameraSide = -1;
    TravelWith(-10);
    EXPECT_LT(Aside(-40), 0.01);

    FlyBy.CameraSide = 1;
    Settings.FlyByMinDistance = -50;
    TravelWith(-20);
    EXPECT_LT(Aside(-70), 0.01) << "to the other side by |min| + d";
    TravelWith(-60);
    EXPECT_LT(Aside(0), 0.01);

    Settings.FlyByMinDistance = INT_MIN; // has a magnitude too
    TravelWith(-20);
    EXPECT_GT(Viewpoint().Latitude, FlyBy.CameraPosition.Latitude) << "left of east is north";
}

// ---- The host's words ------------------------------------------------------

TEST_F(FlyByTest, NothingIsWrittenUntilTheWordsAreSetAndPresent) {
    GeoPosition p = {0.7, -1.0, 500.0};
    sim::PokeHost<int32_t>(host::HostEyeLatitude, 12345);
    host::EyeWords = host::ViewpointWords{};
    WriteViewpoint(p);
    EXPECT_EQ(sim::PeekHost<int32_t>(host::HostEyeLatitude), 12345);

    host::SetViewpointWords();
    sim::UnmapHost(SimulatedHost::FixedWords);
    WriteViewpoint(p);
    Aircraft(5.0, -30.0, 100.0, 0.0, 0.0, 0.0);
    Tick(16);
    // Only the first half of the block: not even that half is written.
    sim::MapHost(host::HostEyeLatitudeFraction, 16);
    WriteViewpoint(p);
    EXPECT_EQ(sim::PeekHost<int32_t>(host::HostEyeLatitude), 0);
    // Faults, had there been any, fail the test at its end.
}

TEST(FlyByState, LoadingClearsIt) {
    FlyBy.Countdown = 3.0f;
    FlyBy.CameraSide = -1;
    FlyBy.LeadDistance = 80.0;
    addon::ClearModuleState();
    EXPECT_EQ(FlyBy.Countdown, 0.0f);
    EXPECT_EQ(FlyBy.CameraSide, 0);
    EXPECT_EQ(FlyBy.LeadDistance, 0.0);
}

} // namespace
