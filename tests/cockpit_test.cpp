#include "pilot/cockpit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace pilot;
using geometry::Attitude;
using geometry::Matrix4;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Degree = 0.01745329251944;

// The host's view: pads full of the host's own bytes, zoom 1, heading h.
host::ViewRecord HostView(double headingDegrees = 0.0) {
    host::ViewRecord v;
    std::memset(&v, 0xA5, sizeof v);
    v.Kind = host::ViewKindCockpit;
    v.Direction = 0;
    v.Zoom = 64;
    Matrix4 m = EyeRotation(0.0, headingDegrees * Degree, 0.0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) v.Rotation[r].Column[c] = m.M[r][c];
    const int16_t reference[3] = {100, 50, -200}, offset[3] = {28, 3, 72};
    for (int i = 0; i < 3; ++i) v.EyeReference[i] = reference[i], v.EyeOffset[i] = offset[i];
    return v;
}

// The caller's side: the live record, written back after each step.
struct Cockpit {
    CockpitEye Eye{};
    host::ViewRecord Live = HostView();
    HeldCommands Held{};
    host::CockpitSample Sample{0.0, 0.0, 0.0, 0.0, 0.0};
    host::RandomSequence Random;
    double Latency = 0.0, Turbulence = 0.0;

    void Step(double dt, int32_t reread = 1) {
        ASSERT_EQ(InCockpitStep(Eye, Held, Live, Sample, Latency, Turbulence, dt, reread, Random),
                  1);
        Live = Eye.ViewCopy;
    }
    void Steps(int n, double dt) {
        for (int i = 0; i < n; ++i) Step(dt);
    }
};

// What reaches the host, and the eye the next step starts from.
bool Finite(const CockpitEye& e) {
    double sum = 0.0;
    for (const host::ViewRotationRow& row : e.ViewCopy.Rotation)
        for (float f : row.Column) sum += std::fabs(f); // at most 9
    for (double x : {e.EyeAngles.Pitch, e.EyeAngles.Heading, e.EyePosition.X, e.EyePosition.Z,
                     e.LatencyOffset.Heading, e.TurbulenceOffset.Heading, e.Zoom})
        sum += x * 0.0; // not a number for any value that is not finite
    return std::isfinite(sum);
}

// The plain loops: reducing large angles first must not change a single bit.
double LoopWrap(double a) {
    while (a < 0.0) a += 360.0;
    while (a > 360.0) a -= 360.0;
    return a;
}
double LoopFold(double a) {
    while (a > 180.0) a -= 360.0;
    while (a < -180.0) a += 360.0;
    return a;
}
bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// ---- Helpers -------------------------------------------------------------------

TEST(AngleHelpers, AreThePlainLoopsBitForBitAndWrapOrClampWordsOnAnyInput) {
    EXPECT_EQ(AngleDifference(170, -170), -20);
    EXPECT_EQ(AngleDifference(-170, 170), 20);
    EXPECT_EQ(AngleDifference(0, 360), 0);
    EXPECT_EQ(WrapAngle(360), 360);
    EXPECT_FALSE(std::signbit(WrapAngle(-360)));
    for (double a : {725.5, 36000.0, 36000.25, 36360.0, 36540.0, 72000.0, 1e7 * M_PI, 3.6e6})
        for (double s : {a, -a}) {
            EXPECT_TRUE(SameBits(WrapAngle(s), LoopWrap(s))) << s;
            EXPECT_TRUE(SameBits(AngleDifference(s, 0.0), LoopFold(s))) << s;
        }
    for (double a : {1e300, -1e300, std::ldexp(1.0, 60), 1.7e308}) {
        EXPECT_TRUE(WrapAngle(a) >= 0 && WrapAngle(a) <= 360) << a;
        EXPECT_TRUE(std::fabs(AngleDifference(a, -a)) <= 360) << a;
    }
    EXPECT_TRUE(std::isnan(WrapAngle(Inf)) && std::isnan(AngleDifference(-Inf, 0)));
    // Words wrap or clamp without undefined conversions.
    EXPECT_EQ(WrappedWord(65536.0 + 5.9, 7), 5);
    EXPECT_EQ(WrappedWord(40000.0, 7), -25536);
    EXPECT_EQ(WrappedWord(std::ldexp(1.0, 40) + 12345.0, 7), 12345);
    EXPECT_EQ(WrappedWord(Inf, 7), 7);
    EXPECT_EQ(ClampedWord(1e9, 7), 32767);
    EXPECT_EQ(ClampedWord(NaN, 7), 7);
}

TEST(AngleHelpers, ViewAnglesReadBackTheRowVectorRotation) {
    Matrix4 level = EyeRotation(0, 0, 0), right = EyeRotation(0, 90 * Degree, 0);
    const float turned[3][3] = {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}; // ahead becomes +x
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(level.M[r][c], r == c ? 1.0f : 0.0f);
            float want = r < 3 && c < 3 ? turned[r][c] : r == c ? 1.0f : 0.0f;
            EXPECT_NEAR(right.M[r][c], want, 1e-7);
        }
    for (double p : {0.0, 30.0, -45.0, 80.0})
        for (double h : {10.0, 90.0, 200.0, 345.0}) {
            host::ViewRecord v = HostView();
            Matrix4 m = EyeRotation(p * Degree, h * Degree, 0.3);
            for (int c = 0; c < 3; ++c) v.Rotation[2].Column[c] = m.M[2][c];
            Attitude a = ViewAngles(v);
            EXPECT_NEAR(AngleDifference(a.Pitch, p), 0.0, 1e-4) << p << " " << h;
            EXPECT_NEAR(AngleDifference(a.Heading, h), 0.0, 1e-4) << p << " " << h;
        }
}

// ---- The step ------------------------------------------------------------------

TEST(CockpitHeld, TurnsThirtyFiveDegreesAndWalksOneUnitASecond) {
    Cockpit k;
    k.Step(0.05);
    k.Held.HeadRight = 1;
    k.Steps(40, 0.05);
    EXPECT_NEAR(k.Eye.EyeAngles.Heading, 70.0, 1e-6);
    EXPECT_NEAR(k.Live.Heading, 70.0 / 360 * 65536, 1.0);
    EXPECT_NEAR(k.Live.Rotation[2].Column[0], std::sin(70 * Degree), 1e-6);
    k.Held = {};
    k.Held.Forward = 1;
    k.Eye.EyeAngles.Heading = 90.0;
    k.Steps(32, 0.0625);
    EXPECT_DOUBLE_EQ(k.Eye.EyePosition.X, (100 + 28) / 256.0 + 2.0);
    const int16_t offset[3] = {28 + 512, 3, 72}; // position x 256 - reference
    for (int i = 0; i < 3; ++i) EXPECT_EQ(k.Live.EyeOffset[i], offset[i]);
    EXPECT_EQ(k.Live.Heading, 16384);
    k.Held = {};
    k.Held.StepRight = k.Held.HeadUp = 1; // facing +x, the right hand points to -z
    k.Step(0.5);
    EXPECT_NEAR(k.Eye.EyePosition.Z, (-200 + 72) / 256.0 - 0.5, 1e-9);
    EXPECT_NEAR(k.Eye.EyeAngles.Pitch, -17.5, 1e-6);
}

TEST(CockpitLatency, FollowsTheAircraftsTurnFadesAndStaysWithinTwenty) {
    Cockpit k;
    k.Latency = 1.0;
    k.Sample.Heading = 10.0;
    k.Step(0.05); // no previous attitude: nothing fed
    k.Sample.Heading = 11.0;
    for (double expected : {3.0, 2.7, 2.43}) {
        k.Step(0.05);
        EXPECT_NEAR(k.Eye.LatencyOffset.Heading, expected, 1e-12);
    }
    k.Eye.LatencyOffset = {};
    k.Sample.Heading = -179.0; // a jump of -190 degrees: held at the limit
    k.Step(0.05);
    EXPECT_EQ(k.Eye.LatencyOffset.Heading, -20.0);
    k.Eye.EyeAngles.Heading = 90.0; // looking out of the right window
    k.Eye.LatencyOffset = {};
    k.Sample.Pitch = 1.0;
    k.Step(0.05);
    EXPECT_NEAR(k.Eye.LatencyOffset.Pitch, 0.0, 1e-9);
    EXPECT_NEAR(k.Eye.LatencyOffset.Bank, -1.0, 1e-9);
    // Pitch and bank fade as the heading did, a step behind each other here,
    // until the head has caught up with the aircraft.
    k.Eye.EyeAngles.Heading = 0.0;
    k.Sample.Pitch = 2.0;
    k.Step(0.05);
    EXPECT_NEAR(k.Eye.LatencyOffset.Pitch, -1.0, 1e-9);
    for (double expected : {-0.9, -0.81, -0.729}) {
        EXPECT_NEAR(k.Eye.LatencyOffset.Bank, expected, 1e-9);
        k.Step(0.05);
        EXPECT_NEAR(k.Eye.LatencyOffset.Pitch, expected, 1e-9);
    }
    k.Steps(60, 0.05);
    EXPECT_NEAR(k.Eye.LatencyOffset.Pitch, 0.0, 0.01);
    EXPECT_NEAR(k.Eye.LatencyOffset.Bank, 0.0, 0.01);
}

TEST(CockpitTurbulence, ShakesWithSpeedHoldsAtFactorZeroAndFadesInTheAir) {
    Cockpit k;
    k.Turbulence = 1.0;
    k.Sample.OnGround = 1.0;
    host::RandomSequence expected;
    k.Step(0.05); // at rest: seven draws, nothing to shake with
    double r1 = host::NextRandom(expected) / 32767.0;
    for (int i = 0; i < 6; ++i) host::NextRandom(expected);
    EXPECT_EQ(k.Random.State, expected.State);
    EXPECT_EQ(k.Eye.TurbulenceTimer, std::fmax(r1, 0.1));
    EXPECT_TRUE(k.Eye.TurbulenceTarget.Pitch == 0 && k.Eye.TurbulenceSpeed.Bank == 0);
    k.Sample.GroundSpeed = 60.0; // 116 knots: full effect
    for (int i = 0; i < 5; ++i) {
        int32_t r[7];
        for (int32_t& each : r) each = host::NextRandom(expected);
        k.Step(0.15);
        EXPECT_EQ(k.Eye.TurbulenceTimer, 0.1);
        EXPECT_DOUBLE_EQ(k.Eye.TurbulenceTarget.Pitch, (r[1] / 32767.0 * 200 - 100) / 20);
        EXPECT_DOUBLE_EQ(k.Eye.TurbulenceSpeed.Bank, r[6] / 32767.0 * 50 / 20);
    }
    k.Turbulence = 0.0;
    k.Step(0.15);
    k.Eye.TurbulenceOffset = {3.0, -1.0, 0.3};
    k.Steps(10, 0.15);
    EXPECT_EQ(k.Eye.TurbulenceOffset.Pitch, 3.0);
    k.Sample.OnGround = 0.0;
    k.Steps(2, 0.25); // the fade's speed applies from the next step
    EXPECT_DOUBLE_EQ(k.Eye.TurbulenceOffset.Pitch, 2.5);
    EXPECT_EQ(k.Eye.TurbulenceOffset.Heading, -0.5);
    EXPECT_EQ(k.Eye.TurbulenceOffset.Bank, 0.0); // no overshoot
}

TEST(CockpitTakeOver, AHostChangeOfACompareWordRebasesTheEye) {
    Cockpit k;
    k.Steps(2, 0.05);
    double heading = k.Eye.EyeAngles.Heading;
    k.Live = HostView(30.0); // turned to 30 degrees, and three steps of 45 on top
    k.Live.Direction = 3;
    k.Live.Pad4[1] = 0x11;
    k.Step(0.05);
    EXPECT_NEAR(k.Eye.EyeAngles.Heading - heading, 165.0, 1e-4);
    EXPECT_EQ(k.Live.Pad4[1], 0x11);
    EXPECT_EQ(k.Live.Direction, 0);
    k.Live.Zoom = 128;
    k.Step(0.05);
    EXPECT_EQ(k.Eye.Zoom, 2.0);
    k.Live.EyeOffset[1] = -100;
    k.Step(0.05);
    EXPECT_EQ(k.Eye.EyePosition.Y, (50 - 100) / 256.0);
    k.Live.Pad150[0] = 0x22; // not compared: undone by the write-back
    k.Step(0.05);
    EXPECT_NE(k.Live.Pad150[0], 0x22);
}

TEST(CockpitTakeOver, AHeldKeyOrNoRereadOverwritesTheHostButAnEmptyCopyIsTaken) {
    Cockpit k;
    k.Held.Forward = 1;
    ASSERT_EQ(InCockpitStep(k.Eye, k.Held, k.Live, k.Sample, 0, 0, 0.05, 0, k.Random), 1);
    EXPECT_EQ(k.Eye.ViewCopy.Kind, host::ViewKindCockpit); // never a zero copy
    EXPECT_EQ(std::memcmp(k.Eye.ViewCopy.Pad4, k.Live.Pad4, sizeof k.Live.Pad4), 0);
    EXPECT_EQ(k.Eye.ViewCopy.EyeOffset[2], 72);
    k.Live = k.Eye.ViewCopy;
    k.Live.Zoom = 256;
    k.Step(0.05);
    EXPECT_EQ(k.Live.Zoom, 64);
    k.Held = {};
    k.Live.Rotation[1].Column[1] = 0.5f;
    k.Step(0.05, 0); // a mouse-look step
    EXPECT_NE(k.Live.Rotation[1].Column[1], 0.5f);
}

TEST(CockpitLook, ShowsTheMouseTurnAtOnceAndMovesNothingThatTimeDrives) {
    Cockpit k;
    k.Latency = k.Turbulence = 1.0;
    k.Sample = {0.0, 20.0, 0.0, 1.0, 60.0}; // rolling fast: turbulence draws each step
    k.Steps(3, 0.05);
    k.Sample.Heading = 25.0; // the aircraft turns: latency to feed
    k.Held.Forward = k.Held.HeadRight = 1;
    const CockpitEye before = k.Eye;
    const uint32_t random = k.Random.State;
    for (int i = 0; i < 1000; ++i) { // a fast mouse between two frames
        k.Eye.EyeAngles.Heading += 0.01;
        ASSERT_EQ(InCockpitLook(k.Eye, k.Live), 1);
        k.Live = k.Eye.ViewCopy;
    }
    EXPECT_EQ(k.Random.State, random);
    EXPECT_EQ(std::memcmp(&k.Eye.EyePosition, &before.EyePosition, sizeof before.EyePosition), 0);
    EXPECT_EQ(std::memcmp(&k.Eye.LatencyOffset, &before.LatencyOffset, sizeof(Attitude)), 0);
    EXPECT_EQ(std::memcmp(&k.Eye.TurbulenceOffset, &before.TurbulenceOffset, sizeof(Attitude)), 0);
    EXPECT_EQ(k.Eye.TurbulenceTimer, before.TurbulenceTimer);
    EXPECT_NEAR(k.Eye.EyeAngles.Heading, before.EyeAngles.Heading + 10.0, 1e-9);
    const Attitude &e = k.Eye.EyeAngles, &l = k.Eye.LatencyOffset, &t = k.Eye.TurbulenceOffset;
    Matrix4 shown = EyeRotation((e.Pitch + l.Pitch + t.Pitch) * Degree,
                                (e.Heading + l.Heading + t.Heading) * Degree,
                                (e.Bank + l.Bank + t.Bank) * Degree);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(k.Live.Rotation[2].Column[c], shown.M[2][c]);
    EXPECT_EQ(k.Live.Heading, int16_t((before.EyeAngles.Heading + 10.0) / 360 * 65536));
    // The frame after: one frame's worth of held motion, not a thousand.
    k.Step(0.05);
    EXPECT_NEAR(k.Eye.EyeAngles.Heading, before.EyeAngles.Heading + 10.0 + 35 * 0.05, 1e-9);
    Cockpit fresh; // nothing taken over yet: the host's view first, never a zero copy
    ASSERT_EQ(InCockpitLook(fresh.Eye, fresh.Live), 1);
    EXPECT_EQ(fresh.Eye.ViewCopy.Kind, host::ViewKindCockpit);
    EXPECT_EQ(fresh.Eye.ViewCopy.EyeOffset[2], 72);
}

// ---- Glides and keyboard zoom ----------------------------------------------------

TEST(CockpitGlide, LandsExactlyOnThePoseInHalfASecondAtAnyFrameRate) {
    for (int fps : {10, 60, 200}) {
        Cockpit k;
        k.Step(0.05);
        k.Eye.EyeAngles.Heading = 710.0; // two turns less 10 degrees: the short way is +30
        const EyePose target{{0.5, -0.25, 1.75}, 20.0, -12.5, 2.0};
        StartGlide(k.Eye, target);
        const double dt = 1.0 / fps;
        int frames = 0;
        double before = k.Eye.EyeAngles.Heading;
        while (k.Eye.Glide.Active && frames < 1000) {
            k.Step(dt);
            ++frames;
            EXPECT_GE(k.Eye.EyeAngles.Heading, before) << "never back the long way";
            before = k.Eye.EyeAngles.Heading;
        }
        EXPECT_EQ(frames, int(std::ceil(0.5 * fps - 1e-9))) << fps << " frames a second";
        EXPECT_EQ(k.Eye.EyePosition.X, 0.5);
        EXPECT_EQ(k.Eye.EyePosition.Z, 1.75);
        EXPECT_EQ(k.Eye.EyeAngles.Heading, 720.0 + 20.0);
        EXPECT_EQ(k.Eye.EyeAngles.Pitch, -12.5);
        EXPECT_EQ(k.Eye.Zoom, 2.0);
        EXPECT_EQ(k.Live.Zoom, 128);
        EXPECT_EQ(k.Live.EyeOffset[2], int16_t(1.75 * 256 + 200));
    }
}

TEST(CockpitGlide, EasesInAndOutAndAMovementTakesOverWhereItIs) {
    Cockpit k;
    k.Step(0.05);
    const double start = k.Eye.EyeAngles.Heading;
    StartGlide(k.Eye, {k.Eye.EyePosition, start + 90.0, 0.0, 1.0});
    std::vector<double> headings;
    for (int i = 0; i < 10; ++i) k.Step(0.05), headings.push_back(k.Eye.EyeAngles.Heading);
    EXPECT_LT(headings[0] - start, headings[4] - headings[3]) << "slow off the mark";
    EXPECT_LT(headings[9] - headings[8], headings[5] - headings[4]) << "slow into the pose";
    StartGlide(k.Eye, {k.Eye.EyePosition, start, 0.0, 1.0});
    k.Steps(3, 0.05);
    const double where = k.Eye.EyeAngles.Heading;
    k.Held.HeadRight = 1;
    k.Step(0.05);
    EXPECT_EQ(k.Eye.Glide.Active, 0);
    EXPECT_DOUBLE_EQ(k.Eye.EyeAngles.Heading, where + 35 * 0.05) << "on from there, no jump";
    k.Held = {};
    StartGlide(k.Eye, {k.Eye.EyePosition, start, 0.0, 1.0});
    k.Step(0.05);
    k.Live = HostView(45.0); // the host turns the view: the glide gives way
    k.Step(0.05);
    EXPECT_EQ(k.Eye.Glide.Active, 0);
    EXPECT_EQ(k.Eye.HostPose.Heading, k.Eye.EyeAngles.Heading) << "the pose a reset goes back to";
}

TEST(CockpitZoomKeys, GoFromOneToEightInTwoSecondsAndStopAtTheWheelsLimits) {
    Cockpit k;
    k.Step(0.05);
    k.Held.ZoomIn = 1;
    k.Steps(40, 0.05);
    EXPECT_NEAR(k.Eye.Zoom, 8.0, 1e-9);
    k.Steps(20, 0.05);
    EXPECT_EQ(k.Eye.Zoom, MostZoom);
    EXPECT_EQ(k.Live.Zoom, 8 * 64);
    k.Held.ZoomIn = 0;
    k.Held.ZoomOut = 1;
    k.Steps(200, 0.05);
    EXPECT_EQ(k.Eye.Zoom, LeastZoom);
    k.Held.ZoomIn = 1; // both held: neither wins
    k.Steps(5, 0.05);
    EXPECT_EQ(k.Eye.Zoom, LeastZoom);
}

TEST(CockpitHostile, HugeInfiniteAndNotANumberInputsLeaveTheHostFiniteWords) {
    for (double x : {NaN, Inf, -Inf, 1e300, -1.7e308}) {
        Cockpit k;
        k.Latency = k.Turbulence = 1.0;
        k.Held.HeadRight = k.Held.Forward = 1;
        k.Step(0.05);
        k.Sample = {x, x, x, 1.0, x};
        k.Step(0.05);
        k.Step(x);
        k.Sample = {1.0, x, 2.0, x, 30.0};
        k.Latency = k.Turbulence = x;
        k.Step(0.3);
        k.Eye.EyeAngles.Heading = k.Eye.TurbulenceOffset.Heading = x; // a caller's corrupt eye
        k.Eye.Zoom = x;
        k.Live.Rotation[2].Column[0] = float(x);
        k.Held = {};
        k.Step(0.05);
        k.Steps(3, 1e300);
        EXPECT_TRUE(Finite(k.Eye)) << x;
        EXPECT_EQ(k.Live.Kind, host::ViewKindCockpit);
    }
    Cockpit k; // a ground speed that is not a number draws no turbulence
    k.Turbulence = 1.0;
    k.Sample = {0.0, 0.0, 0.0, 1.0, NaN};
    k.Steps(5, 0.2);
    EXPECT_EQ(k.Random.State, host::RandStateAtLoad);
}

} // namespace
