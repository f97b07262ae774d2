// The outside walk on plain values: engagement, walking, the ground, and what
// the walk writes into the host's records.
#include "walk/outside.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace walk;

namespace {

constexpr double MetresPerDegree = 111130.52399516014;

// The host's quarter and half turns are off in the eleventh digit: every step
// lands about a third of a millimetre off, whatever its length.
constexpr double StepTolerance = 1e-3; // metres

class OutsideTest : public ::testing::Test {
protected:
    Walker S{};
    WalkerMoves Moves{};
    double RunSpeed = 5.0;
    double Clock = 0.0;
    void SetUp() override {
        // The aircraft at 10 N 20 E heading 30, the ground 12.5 m up.
        host::WalkSample sample{10.0 * MetresPerDegree,
                                20.0 / 360.0 * 281474976710656.0,
                                500.0,
                                5.0,
                                10.0,
                                30.0,
                                12.5 * 256};
        S.Head.Pitch = 40.0;
        EngageWalker(S, sample);
        FloorEyeHeight(S);
    }
    GeoPoint Walk(double seconds, bool running = false) {
        Moves.Running = running;
        GeoPoint at = MoveWalker(S, Moves, RunSpeed, Clock, seconds);
        SettleWalker(S, at, NoHit, seconds);
        return at;
    }
    // The metres one walk of `seconds` went north and east.
    struct Metres {
        double North, East;
    };
    Metres Walked(double seconds, bool running = false) {
        GeoPoint from = {S.Latitude, S.Longitude};
        Walk(seconds, running);
        return {(S.Latitude - from.Latitude) * MetresPerDegree,
                (S.Longitude - from.Longitude) * MetresPerDegree *
                    std::cos(from.Latitude * M_PI / 180)};
    }
};

TEST_F(OutsideTest, TheWalkerStartsOnTheGroundBelowTheAircraftFacingItsWay) {
    EXPECT_DOUBLE_EQ(S.Latitude, 10.0);
    EXPECT_NEAR(S.Longitude, 20.0, 1e-12);
    EXPECT_EQ(S.Altitude, 12.5);
    EXPECT_EQ(S.StartGroundAltitude, 12.5);
    EXPECT_EQ(S.Attitude.Heading, 30.0);
    EXPECT_EQ(S.Attitude.Pitch, 0.0) << "the aircraft's pitch is not the walker's";
    EXPECT_EQ(S.Head.Pitch, 0.0);
    EXPECT_EQ(S.Zoom, 1.0);
    EXPECT_EQ(S.EyeHeight, 1.7);
}

TEST_F(OutsideTest, ForwardFollowsTheHeadingStepsGoToTheRightAndShiftRuns) {
    S.Attitude.Heading = 0.0;
    Moves.Forward = 1;
    Metres m = Walked(1.0);
    EXPECT_NEAR(m.North, 2.0, StepTolerance) << "walking pace, north at heading 0";
    EXPECT_NEAR(m.East, 0.0, StepTolerance);

    S.Attitude.Heading = 90.0;
    EXPECT_NEAR(Walked(1.0).East, 2.0, StepTolerance) << "east at heading 90";

    Moves = {};
    Moves.Right = Moves.Left = 1; // right wins
    S.Attitude.Heading = 0.0;
    m = Walked(1.0);
    EXPECT_NEAR(m.East, 2.0, StepTolerance);
    EXPECT_NEAR(m.North, 0.0, StepTolerance);
    Moves.Right = 0; // and each alone goes its own way
    EXPECT_NEAR(Walked(1.0).East, -2.0, StepTolerance);

    Moves = {};
    Moves.Forward = Moves.Backward = 1; // forward wins
    EXPECT_NEAR(Walked(0.5).North, 1.0, StepTolerance);

    // Shift runs at the setting, or at five when it is zero.
    RunSpeed = 0.0;
    EXPECT_NEAR(Walked(1.0, true).North, 5.0, StepTolerance);
    RunSpeed = 8.0;
    EXPECT_NEAR(Walked(0.25, true).North, 2.0, StepTolerance);
}

TEST_F(OutsideTest, TheHeadPitchStopsAtSixtyOnTheKeysAndTheHeadingTurnsFreely) {
    Moves.HeadUp = 1;
    Walk(5.0);
    EXPECT_EQ(S.Head.Pitch, -60.0);
    Moves = {};
    Moves.HeadDown = 1;
    Walk(5.0);
    EXPECT_EQ(S.Head.Pitch, 60.0);
    Moves = {};
    Moves.TurnRight = 1;
    Walk(5.0);
    EXPECT_EQ(S.Attitude.Heading, 30.0 + 450.0) << "not wrapped";
}

TEST_F(OutsideTest, TheEyeRisesAndSinksAndCrouchesAndTheFloorComesBackNextFrame) {
    Moves.Sink = 1;
    Walk(0.1);
    EXPECT_NEAR(S.EyeHeight, 1.5, 1e-12) << "below 1.7 for this frame";
    FloorEyeHeight(S);
    EXPECT_EQ(S.EyeHeight, 1.7);
    EXPECT_NEAR(ComposeWalkerView(S, true, host::ViewRecord{}).Altitude, 12.5 + 0.75, 1e-12);
    EXPECT_NEAR(ComposeWalkerView(S, false, host::ViewRecord{}).Altitude, 12.5 + 1.7, 1e-12);
}

TEST_F(OutsideTest, FeetStepUpAtOnceAndFallAtTenMetresASecond) {
    GeoPoint here = {S.Latitude, S.Longitude};
    SettleWalker(S, here, ProbeHeight - 20.0, 0.1); // a roof 20 m up
    EXPECT_EQ(S.Altitude, 20.0);
    SettleWalker(S, here, NoHit, 0.1); // off its edge: the start ground
    EXPECT_NEAR(S.Altitude, 19.0, 1e-9);
    for (int i = 0; i < 20; ++i) SettleWalker(S, here, NoHit, 0.1);
    EXPECT_EQ(S.Altitude, 12.5) << "and no lower than the ground";
    SettleWalker(S, here, ProbeHeight - 5.0, 0.1); // a ground lower still: a fall, not a jump
    EXPECT_NEAR(S.Altitude, 11.5, 1e-9);
}

TEST_F(OutsideTest, TheBobFollowsTheClockAndDiesAwayNeverGrowing) {
    Moves.Forward = 1;
    Clock = 0.25;
    Walk(0.05);
    EXPECT_NEAR(S.BobOffset, 0.015, 1e-9) << "150 degrees into its cycle: half its 3 cm";
    double bob = S.BobOffset;
    Moves = {};
    Walk(0.1);
    EXPECT_NEAR(S.BobOffset, bob * 0.2, 1e-15);
    bob = S.BobOffset;
    Walk(1.0); // a slow frame: the factor 2 x 1.0 s is held at 1
    EXPECT_EQ(S.BobOffset, bob);
}

TEST(TangentPlaneStep, WrapsTheLongitudeAcrossTheAntimeridianAndStaysOnTheGlobeAtAPole) {
    GeoPoint at = TangentPlaneStep({0.0, 179.99999}, {10.0, 0.0, 0.0});
    EXPECT_LT(at.Longitude, -179.9999);
    EXPECT_NEAR(at.Longitude, 179.99999 + 10.0 / MetresPerDegree - 360.0, 1e-8);
    at = TangentPlaneStep({-33.0, -70.0}, {0.0, 500.0, 1000.0});
    EXPECT_NEAR((at.Latitude + 33.0) * MetresPerDegree, 1000.0, 1e-3) << "up plays no part";
    // From a pole every step leads 10 m off it, whichever way and from
    // whichever longitude the walker stood at.
    for (double pole : {90.0, -90.0})
        for (double lon : {180.0, -180.0, 0.0, 90.0})
            for (geometry::Vector3 v : {geometry::Vector3{10.0, 0.0, 0.0},
                                        {-10.0, 0.0, 0.0},
                                        {0.0, 0.0, 10.0},
                                        {0.0, 0.0, -10.0}}) {
                GeoPoint at = TangentPlaneStep({pole, lon}, v);
                EXPECT_NEAR(std::fabs(pole - at.Latitude) * MetresPerDegree, 10.0, 0.01)
                    << pole << " " << lon << " " << v.X << " " << v.Z << ": " << at.Latitude;
                EXPECT_LE(std::fabs(at.Longitude), 180.0);
            }
}

TEST(HostWords, FixedPointAndAnglesAsTheHostKeepsThem) {
    host::LatLonAlt p = host::EncodeLatLonAlt(-1.25 / MetresPerDegree, 0.0, -1.25);
    EXPECT_EQ(p.Latitude.Whole, -1);
    EXPECT_NEAR(p.Latitude.Fraction, 0.25 * 4294967295.0, 2.0);
    EXPECT_EQ(p.Altitude.Whole, -1);
    EXPECT_EQ(p.Altitude.Fraction, uint32_t(0.25 * 4294967295.0));
    EXPECT_EQ(host::EncodeLatLonAlt(0.0, 90.0, 0.0).Longitude.Whole, 1073741823);
    EXPECT_EQ(host::EncodeAngle(-90.0), uint32_t(-int64_t(4294967295.0 / 4)));
    EXPECT_EQ(host::EncodeAngle(1e300), host::EncodeAngle(1e300)) << "defined for any angle";
    EXPECT_EQ(host::EncodeAngle(NAN), 0u);
    host::LatLonAlt bad = host::EncodeLatLonAlt(NAN, INFINITY, 1e300);
    EXPECT_EQ(bad.Latitude.Whole, 0);
    EXPECT_EQ(bad.Longitude.Fraction, 0u);
}

TEST_F(OutsideTest, TheViewTheRecordsAndTheCameraBlockShowTheWalker) {
    S.Attitude.Heading = 90.0;
    S.Head.Pitch = 0.0;
    S.Latitude = 45.0;
    S.Longitude = -90.0;
    host::ViewRecord view{};
    view.AspectNumerator = 4;
    view.AspectDenominator = 3;
    view.Kind = 1;
    view.Direction = 3;
    WalkerView w = ComposeWalkerView(S, false, view);
    ApplyToViewRecord(w, view);
    EXPECT_EQ(view.Kind, 1250);
    EXPECT_EQ(view.Direction, 0);
    EXPECT_EQ(view.OutsideZoom, 0) << "zoom 1 / 64, cut toward zero";
    EXPECT_EQ(std::memcmp(&view.EyePoint, &view.EyePointAgain, sizeof view.EyePoint), 0);
    EXPECT_NEAR(view.Rotation[0].Column[2], -1.0f, 1e-6) << "Ry(90): the first row turns";
    EXPECT_NEAR(view.Rotation[2].Column[0], 1.0f, 1e-6);
    EXPECT_EQ(w.Attitude.Heading, uint32_t(4294967295.0 / 4));

    host::CameraBlock block{};
    ApplyToCameraBlock(w, block);
    EXPECT_DOUBLE_EQ(block.U, 0.25 * 0.75);
    EXPECT_DOUBLE_EQ(block.V, 0.25 * 0.5);
    EXPECT_EQ(block.UWord, int32_t(0.1875 * 1073741824.0));
    EXPECT_EQ(block.VWord, int32_t(0.125 * 1073741824.0));
    EXPECT_DOUBLE_EQ(block.AltitudeKilometres, (12.5 + 1.7) / 1000.0);
    host::CameraSubBlock sub{};
    ApplyToCameraSubBlock(w, sub);
    uint32_t bits;
    std::memcpy(&bits, &sub.Word144, 4);
    EXPECT_EQ(bits, 0x3D30EF56u);
    std::memcpy(&bits, &sub.Word168, 4);
    EXPECT_EQ(bits, 0xBD189CE5u);
    EXPECT_EQ(sub.Word196, float(-(12.5 + 1.7)));

    // The scene's matrix: S scales Y by the aspect and Z by 0.5 / zoom.
    EXPECT_NEAR(w.ViewMatrix.M[1][1], 4.0f / 3.0f, 1e-6);
    EXPECT_NEAR(w.ViewMatrix.M[0][2], 0.5f, 1e-6) << "Ry(-90) row 1 is (0, 0, 1) before S";
    view.AspectDenominator = 0; // no ratio: square, not a division by zero
    EXPECT_EQ(ComposeWalkerView(S, false, view).ViewMatrix.M[1][1], 1.0f);
}

} // namespace
