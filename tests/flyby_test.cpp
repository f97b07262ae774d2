#include "camera/flyby.h"
#include "module/frame.h"

#include "geo_oracle.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

using namespace camera;

namespace {

constexpr double Degree = M_PI / 180.0;

// The fly-by on plain values: the aircraft in the host's units, the frame
// step as the frame measures it, the viewpoint as the step hands it out.
class FlyByTest : public ::testing::Test {
protected:
    FlyByState FlyBy{};
    FlyBySettings Settings{10, 0, 50, 0, 0};
    AircraftState Plane{};
    host::RandomSequence Random;
    GeoPosition Written{};
    int Writes = 0;

    // The aircraft as the host gives it: metres north, 2^48 units per turn, km/h.
    void Aircraft(double latDeg, double lonDeg, double altMetres, double heading, double pitch,
                  double speed) {
        Plane = addon::AircraftFromSample({latDeg * 111130.0, lonDeg / 360.0 * 281474976710656.0,
                                           altMetres, heading, pitch, 0.0, speed});
    }
    void Tick(uint32_t milliseconds) {
        FlyByOutput out =
            FlyByStep(FlyBy, Settings, Plane, float(double(milliseconds) / 1000.0), Random);
        if (!out.Write) return;
        Written = out.Viewpoint;
        ++Writes;
    }
    // metres ahead of and right of p along heading (degrees), on p's tangent plane.
    static GeoPosition Beside(const GeoPosition& p, double heading, double ahead, double right) {
        double h = heading * Degree;
        return oracle::TangentPoint(p, ahead * std::sin(h) + right * std::cos(h),
                                    ahead * std::cos(h) - right * std::sin(h));
    }
    GeoPosition FromAircraft(double ahead, double right) {
        return Beside(Plane.Position, Plane.Heading, ahead, right);
    }
};

// ---- Placement -------------------------------------------------------------

TEST_F(FlyByTest, StandingAircraftGetsAPointFiftyAheadAndFiveRightAtItsAltitude) {
    Aircraft(47.0, -122.0, 120.0, 0.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.Countdown, 10.0f);
    EXPECT_EQ(FlyBy.CameraSide, 1);
    EXPECT_EQ(FlyBy.LeadDistance, 50.0);
    EXPECT_LT(oracle::Metres(Written, FromAircraft(50, 5)), 0.01);
    EXPECT_EQ(FlyBy.CameraPosition.Altitude, Plane.Position.Altitude);
    EXPECT_EQ(Written.Altitude, Plane.Position.Altitude) << "feet, as written";

    Settings.Duration = 0; // every tick places, once the period under way has run out
    FlyBy.Countdown = 0.0f;
    for (double heading : {90.0, 200.0, 315.0}) {
        Aircraft(-20.0, -45.0, 50.0, heading, 0.0, 0.0);
        Tick(16);
        EXPECT_EQ(FlyBy.CameraHeading, heading);
        EXPECT_LT(oracle::Metres(Written, FromAircraft(50, 5)), 0.01) << heading;
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
            EXPECT_LT(oracle::Metres(Written, FromAircraft(1000, 100)), 0.01);
        }
        lastLatitude = FlyBy.CameraPosition.Latitude;
        EXPECT_LT(oracle::Metres(Written, FlyBy.CameraPosition), 0.01) << "tick " << i;
    }
    // 40 quarter seconds bring the countdown to exactly 0.0, which still waits.
    EXPECT_EQ(placements, (std::vector<int>{0, 41, 82}));
}

TEST_F(FlyByTest, PitchLowersThePointByHalfTheLeadsDropAndUprightLeavesItBeside) {
    Settings.Duration = 0;
    Settings.RelAltitude = 30;
    // At 20 degrees the lead of 50 m drops 17.1 m, half of it 28.05 feet, and
    // lies 46.98 m ahead; straight up or down the point stands beside the aircraft.
    struct Case {
        double Pitch, DropFeet, Ahead;
    };
    for (Case c :
         {Case{20.0, 28.0528, 46.9846}, Case{90.0, 82.021, 0.0}, Case{-90.0, -82.021, 0.0}}) {
        Aircraft(35.0, -80.0, 1000.0, 60.0, c.Pitch, 0.0);
        Tick(16);
        EXPECT_NEAR(FlyBy.CameraPosition.Altitude, Plane.Position.Altitude - c.DropFeet + 30, 1e-3);
        EXPECT_LT(oracle::Metres(Written, FromAircraft(c.Ahead, 5)), 0.01) << c.Pitch;
    }
}

TEST_F(FlyByTest, WithoutDurationEveryTickThatMovesOnPlacesAtTheMinimumDistance) {
    Settings.Duration = 0;
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
    Settings.MinDistance = 0;
    Settings.RelAltitude = 250;
    Aircraft(5.0, -30.0, 100.0, 20.0, 0.0, 0.0);
    Tick(16);
    EXPECT_LT(oracle::Metres(Written, Plane.Position), 0.01);
    EXPECT_EQ(FlyBy.CameraPosition.Altitude, Plane.Position.Altitude + 250);
    // A negative minimum never raises the lead.
    Settings.MinDistance = -50;
    Tick(16);
    EXPECT_EQ(FlyBy.LeadDistance, 0.0);
    EXPECT_LT(oracle::Metres(Written, Plane.Position), 0.01);
}

// ---- Values that are not finite ----------------------------------------------

TEST_F(FlyByTest, ANonFiniteOrOverflowingValuePlacesAndWritesNothing) {
    double AircraftState::*scalars[] = {&AircraftState::Pitch, &AircraftState::Heading,
                                        &AircraftState::Speed};
    double GeoPosition::*position[] = {&GeoPosition::Latitude, &GeoPosition::Longitude,
                                       &GeoPosition::Altitude};
    const double bad[] = {std::nan(""), INFINITY, -INFINITY};
    for (int32_t travelling : {0, 1}) {
        Settings.Travelling = travelling;
        Aircraft(47.0, 8.0, 1000.0, 90.0, 0.0, 360.0);
        FlyBy.Countdown = -1.0f;
        Tick(16);
        const AircraftState good = Plane;
        for (int field = 0; field < 6; ++field)
            for (double value : bad) {
                Plane = good;
                if (field < 3)
                    Plane.*scalars[field] = value;
                else
                    Plane.Position.*position[field - 3] = value;
                FlyBy.Countdown = -0.5f; // the period has run out
                const FlyByState before = FlyBy;
                int writes = Writes;
                Tick(16);
                EXPECT_EQ(Writes, writes) << "field " << field << " = " << value;
                EXPECT_EQ(std::memcmp(&FlyBy.CameraPosition, &before.CameraPosition,
                                      sizeof before.CameraPosition),
                          0)
                    << "no new point";
                EXPECT_LT(FlyBy.Countdown, before.Countdown) << "the clock runs on";
            }
        // Finite again: the point that was due is placed at once and written.
        Plane = good;
        int writes = Writes;
        Tick(16);
        EXPECT_EQ(Writes, writes + 1);
        EXPECT_EQ(FlyBy.Countdown, 10.0f);
        EXPECT_LT(
            oracle::Metres(Written, travelling ? FromAircraft(1000, 0) : FromAircraft(1000, 100)),
            0.01);
        // Finite values that overflow the reckoning (a lead beyond the largest double).
        Plane.Speed = 1e306;
        FlyBy.Countdown = -1.0f;
        writes = Writes;
        Tick(16);
        Tick(16);
        EXPECT_EQ(Writes, writes) << "overflow, travelling " << travelling;
        EXPECT_TRUE(CanPlaceFrom(Plane));
    }
}

// ---- Sides -----------------------------------------------------------------

// The state from which the next draw gives result r.
uint32_t StateBeforeDraw(int32_t r) {
    uint32_t inverse = host::RandMultiplier; // Newton's iteration for the inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2 - host::RandMultiplier * inverse;
    return ((uint32_t(r) << 16) - host::RandIncrement) * inverse;
}

TEST_F(FlyByTest, RandomSideDrawsOncePerPointAndGoesLeftUpTo16384) {
    Settings.Placement = 2;
    Aircraft(50.0, -4.0, 10.0, 0.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, -1) << "the first draw after loading is 41";
    EXPECT_LT(oracle::Metres(Written, FromAircraft(50, -5)), 0.01);
    Tick(16);
    EXPECT_EQ(Random.State, 1u * 214013u + 2531011u) << "no draw without a new point";

    Settings.Duration = 0;
    FlyBy.Countdown = 0.0f;
    for (int32_t r : {16384, 16385, 0, 32767}) {
        Random.State = StateBeforeDraw(r);
        Tick(16);
        EXPECT_EQ(FlyBy.CameraSide, r <= 16384 ? -1 : 1) << r;
    }
}

TEST_F(FlyByTest, FixedPlacementsDoNotDrawAndAnUnknownOneKeepsTheSide) {
    Settings.Duration = 0;
    Settings.Placement = 3;
    Aircraft(50.0, -4.0, 10.0, 30.0, 0.0, 0.0);
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, 0) << "on the path until a known placement is seen";
    EXPECT_LT(oracle::Metres(Written, FromAircraft(50, 0)), 0.01);
    Settings.Placement = 1;
    Tick(16);
    Settings.Placement = 7;
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, -1);
    Settings.Placement = 0;
    Tick(16);
    EXPECT_EQ(FlyBy.CameraSide, 1);
    EXPECT_EQ(Random.State, host::RandStateAtLoad);
}

// ---- Travelling ------------------------------------------------------------

class TravelTest : public FlyByTest {
protected:
    void SetUp() override {
        FlyByTest::SetUp();
        Settings.Travelling = 1;
        Aircraft(40.0, -100.0, 200.0, 90.0, 0.0, 360.0); // east, lead 1000 m
        Tick(16);
    }
    // The aircraft `ahead` metres along the camera's heading from the point,
    // itself turned since: the step keeps to the heading the point was chosen for.
    void TravelWith(double ahead) {
        Plane.Position = Beside(FlyBy.CameraPosition, FlyBy.CameraHeading, ahead, 0);
        Plane.Heading = FlyBy.CameraHeading + 45;
        Written = TravelFlyByCamera(FlyBy, Settings, Plane);
    }
    double Aside(double metres) {
        return oracle::Metres(Written,
                              Beside(FlyBy.CameraPosition, FlyBy.CameraHeading, 0, metres));
    }
};

TEST_F(TravelTest, ThePointIsOnThePathAndTheViewpointStepsAsideAsTheAircraftPasses) {
    EXPECT_EQ(Writes, 1) << "placing and travelling in one tick: the host gets one viewpoint";
    Tick(16);
    EXPECT_EQ(Writes, 2) << "travelling writes on every tick";
    EXPECT_LT(oracle::Metres(Written, FromAircraft(1000, 0)), 0.01);
    GeoPosition point = FlyBy.CameraPosition;
    // Metres past the point (before it when negative), and aside there.
    for (auto [ahead, aside] :
         {std::pair{-1000.0, 0.0}, {-20.0, 30.0}, {0.0, 50.0}, {35.0, 15.0}, {200.0, 0.0}}) {
        TravelWith(ahead);
        EXPECT_LT(Aside(aside), 0.01) << ahead << " m past the point";
    }
    EXPECT_EQ(std::memcmp(&point, &FlyBy.CameraPosition, sizeof point), 0);
    EXPECT_EQ(Written.Altitude, FlyBy.CameraPosition.Altitude);
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
        Plane.Position = FlyBy.CameraPosition;
        Plane.Position.Longitude += 2 * M_PI;
        Written = TravelFlyByCamera(FlyBy, Settings, Plane);
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
    Settings.MinDistance = -50;
    TravelWith(-20);
    EXPECT_LT(Aside(-70), 0.01) << "to the other side by |min| + d";
    TravelWith(-60);
    EXPECT_LT(Aside(0), 0.01);

    Settings.MinDistance = INT_MIN; // has a magnitude too
    TravelWith(-20);
    EXPECT_GT(Written.Latitude, FlyBy.CameraPosition.Latitude) << "left of east is north";
}

} // namespace
