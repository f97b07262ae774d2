// The projection of the pictures of what the cameras see, on hand-computed
// points, with viewpoints made the way the module makes them (its own eye
// rotation and walker's view matrix).
#include "standin/render/trace.h"
#include "standin/render/view.h"

#include "pilot/cockpit.h"
#include "walk/outside.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace view;

namespace {

constexpr double Degree = 0.01745329251944;
constexpr double Aspect = 4.0 / 3.0;
// 400 x 300: at zoom 1 the picture's half width is half the distance, so a
// point x to the side at depth z lies 400 x / z pixels from the middle.
constexpr Picture Small = {400, 300};

Point2 At(const Camera& c, const Vec3& p) {
    Point2 out{NAN, NAN};
    EXPECT_TRUE(Project(c, Small, p, out)) << p.X << " " << p.Y << " " << p.Z;
    return out;
}

// The cockpit camera with the view record's rows as the module writes them
// for these eye angles (degrees).
Camera Cockpit(const Aircraft& a, double pitch, double heading, double bank,
               const Vec3& eye = {0, 1, 2}, double zoom = 1.0) {
    geometry::Matrix4 m = pilot::EyeRotation(pitch * Degree, heading * Degree, bank * Degree);
    float rows[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rows[i][j] = m.M[i][j];
    return FromCockpit(a, rows, eye, zoom, Aspect);
}

// Where the horizon line crosses the column x.
double HorizonRowAt(const Line& h, double x) {
    return -(h.A * x + h.C) / h.B;
}

} // namespace

TEST(ViewProjection, StraightAheadLandsInTheMiddle) {
    // The fly-by looks at the aircraft from its viewpoint, whatever the bearing.
    for (const Vec3& target : {Vec3{300, 500, 400}, Vec3{-50, 420, -10}, Vec3{0, 900, 1}}) {
        Camera c = LookingAt({0, 500, 0}, target, 1.0, Aspect);
        Point2 p = At(c, target);
        EXPECT_NEAR(p.X, 200.0, 1e-9);
        EXPECT_NEAR(p.Y, 150.0, 1e-9);
        Point2 beyond = At(c, target * 3.0 - Vec3{0, 500, 0} * 2.0); // further along the line
        EXPECT_NEAR(beyond.X, 200.0, 1e-9);
        EXPECT_NEAR(beyond.Y, 150.0, 1e-9);
    }
    // Level, looking north: 100 m right and 75 m up at 400 m ahead is the
    // top-right corner; behind the camera is not drawn.
    Camera north = LookingAt({0, 500, 0}, {0, 500, 1000}, 1.0, Aspect);
    Point2 corner = At(north, {100, 575, 400});
    EXPECT_NEAR(corner.X, 300.0, 1e-9);
    EXPECT_NEAR(corner.Y, 75.0, 1e-9);
    Point2 unused;
    EXPECT_FALSE(Project(north, Small, {0, 500, -10}, unused));
}

TEST(ViewProjection, HorizonIsLevelAtBankZeroAndTiltsByTheBank) {
    Aircraft level{{0, 1000, 0}, 0, 0, 0};
    Camera c = Cockpit(level, 0, 0, 0);
    Line h = Horizon(c, Small);
    EXPECT_NEAR(HorizonRowAt(h, 0), 150.0, 1e-9);
    EXPECT_NEAR(HorizonRowAt(h, 400), 150.0, 1e-9);
    EXPECT_GT(h.A * 200 + h.B * 0 + h.C, 0.0); // the top of the picture is sky
    // The ground: the lower half of the picture.
    std::vector<Point2> ground = BelowHorizon(h, Small);
    double top = 300, area = 0;
    for (size_t i = 0; i < ground.size(); ++i) {
        const Point2 &a = ground[i], &b = ground[(i + 1) % ground.size()];
        top = std::fmin(top, a.Y), area += a.X * b.Y - b.X * a.Y;
    }
    EXPECT_NEAR(top, 150.0, 1e-9);
    EXPECT_NEAR(std::fabs(area) / 2, 400.0 * 150.0, 1e-6);

    // Banked 30 degrees (the host's bank: the right side up), the horizon turns
    // clockwise through the middle: 100 pixels right of it, 100 tan 30 lower.
    Aircraft banked{{0, 1000, 0}, 0, 0, 30};
    Camera b = Cockpit(banked, 0, 0, 0);
    Line bh = Horizon(b, Small);
    EXPECT_NEAR(HorizonRowAt(bh, 200), 150.0, 1e-9);
    EXPECT_NEAR(HorizonRowAt(bh, 300), 150.0 + 100 * std::tan(30 * Degree), 1e-6);
    // A far point at eye level, a quarter as far right as ahead: in the eye's
    // axes (2500 cos 30, -2500 sin 30, 10000).
    Vec3 eye = b.Eye;
    Point2 p = At(b, eye + Vec3{2500, 0, 10000});
    EXPECT_NEAR(p.X, 200 + 400 * 0.25 * std::cos(30 * Degree), 1e-6);
    EXPECT_NEAR(p.Y, 200.0, 1e-6);
}

TEST(ViewProjection, CockpitEyeAtKnownRotations) {
    Aircraft north{{0, 1000, 0}, 0, 0, 0};
    // The eye turned 90 degrees right sees east; ahead of the aircraft is beside it.
    Camera right = Cockpit(north, 0, 90, 0);
    EXPECT_NEAR(right.Eye.X, 0.0, 1e-12);
    EXPECT_NEAR(right.Eye.Y, 1001.0, 1e-12);
    EXPECT_NEAR(right.Eye.Z, 2.0, 1e-12);
    Point2 east = At(right, right.Eye + Vec3{500, 0, 0});
    EXPECT_NEAR(east.X, 200.0, 1e-4);
    EXPECT_NEAR(east.Y, 150.0, 1e-4);
    Point2 unused;
    EXPECT_FALSE(Project(right, Small, right.Eye + Vec3{-1, 0, -500}, unused));

    // Looking 30 degrees down: the point that far below the line ahead.
    Camera down = Cockpit(north, 30, 0, 0);
    Point2 below = At(down, down.Eye + Vec3{0, -1000 * std::tan(30 * Degree), 1000});
    EXPECT_NEAR(below.X, 200.0, 1e-4);
    EXPECT_NEAR(below.Y, 150.0, 1e-4);

    // The aircraft heading east: its own axes turn with it, and so does the eye.
    Aircraft east90{{100, 1000, 200}, 0, 90, 0};
    Camera ahead = Cockpit(east90, 0, 0, 0, {0.5, 1, 3});
    EXPECT_NEAR(ahead.Eye.X, 103.0, 1e-9); // 3 ahead of the aircraft: east
    EXPECT_NEAR(ahead.Eye.Z, 199.5, 1e-9); // 0.5 to its right: south
    Point2 p = At(ahead, ahead.Eye + Vec3{800, 0, 0});
    EXPECT_NEAR(p.X, 200.0, 1e-4);
    EXPECT_NEAR(p.Y, 150.0, 1e-4);

    // Head latency: the eye banked one way while the aircraft banks the other
    // keeps the horizon level.
    Aircraft banked{{0, 1000, 0}, 0, 0, -20};
    Line h = Horizon(Cockpit(banked, 0, 0, 20), Small);
    EXPECT_NEAR(HorizonRowAt(h, 0), 150.0, 1e-4);
    EXPECT_NEAR(HorizonRowAt(h, 400), 150.0, 1e-4);

    // Zoom 2 halves the view: 0.25 to the side at 1 ahead is the picture's edge.
    Camera zoomed = Cockpit(north, 0, 0, 0, {0, 1, 2}, 2.0);
    EXPECT_NEAR(At(zoomed, zoomed.Eye + Vec3{0.25, 0, 1}).X, 400.0, 1e-4);
}

TEST(ViewProjection, WalkerSeesThroughTheViewMatrixAsWritten) {
    // Facing east with the head 20 degrees down, zoom 1, a 4:3 view.
    walk::Walker s{};
    s.Attitude.Heading = 90;
    s.Head.Pitch = 20;
    s.Zoom = 1.0;
    s.EyeHeight = 1.7;
    host::ViewRecord record{};
    record.AspectNumerator = 4;
    record.AspectDenominator = 3;
    walk::WalkerView w = walk::ComposeWalkerView(s, false, record);
    float m[9];
    for (int i = 0; i < 9; ++i) m[i] = w.ViewMatrix.M[i / 3][i % 3];
    Camera c = FromViewMatrix({10, 401.7, -5}, m);
    Point2 p = At(c, c.Eye + Vec3{100 * std::cos(20 * Degree), -100 * std::sin(20 * Degree), 0});
    EXPECT_NEAR(p.X, 200.0, 1e-3);
    EXPECT_NEAR(p.Y, 150.0, 1e-3);
    // The level line ahead is 400 tan 20 pixels above the middle.
    Line h = Horizon(c, Small);
    EXPECT_NEAR(HorizonRowAt(h, 200), 150.0 - 400 * std::tan(20 * Degree), 1e-3);
}

TEST(ViewProjection, SegmentsAndPolygonsAreCutToTheView) {
    Camera c = LookingAt({0, 10, 0}, {0, 10, 100}, 1.0, Aspect);
    // From behind the camera to ahead of it: only the part in front is drawn,
    // and it ends at the margin around the picture, not far beyond it.
    Point2 a, b;
    ASSERT_TRUE(ProjectSegment(c, Small, {0, 0, -50}, {0, 0, 50}, a, b));
    EXPECT_NEAR(a.Y, 150 + 150 * ViewMargin, 1e-6);
    EXPECT_NEAR(b.Y, 150 + 400.0 * 10 / 50, 1e-6);
    EXPECT_FALSE(ProjectSegment(c, Small, {0, 0, -50}, {5, 0, -10}, a, b));
    // The ground under the camera, 200 m each way: a polygon within the margins.
    std::vector<Point2> ground =
        ProjectPolygon(c, Small, {{-200, 0, -200}, {200, 0, -200}, {200, 0, 200}, {-200, 0, 200}});
    ASSERT_GE(ground.size(), 3u);
    for (const Point2& g : ground) {
        EXPECT_GE(g.X, 200 - 200 * ViewMargin - 1e-6);
        EXPECT_LE(g.X, 200 + 200 * ViewMargin + 1e-6);
        EXPECT_GT(g.Y, 150.0); // all of it below the horizon
    }
}

TEST(ViewTrace, KeyFramesAreTheStepsWithTheirCommentsAndTheFlyBysPasses) {
    using render::Frame;
    std::vector<Frame> frames;
    for (int i = 1; i <= 96; ++i) { // 16 frames a second: 1 s of line 3, 5 s of line 5
        Frame f;
        f.Time = i / 16.0, f.StepLine = i <= 16 ? 3 : 5;
        f.Plane = {{f.Time * 100, 500, 0}, 0, 90, 0};
        frames.push_back(f);
    }
    const std::string scenario = "# a header comment\n"
                                 "load   # loaded\n"
                                 "run 1   # level\n"
                                 "type \"#1\" into 1006   # out\n"
                                 "run 5\n";
    std::vector<render::KeyFrame> keys = render::KeyFrames(frames, scenario);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].Frame, 15u);
    EXPECT_EQ(keys[0].Caption, "level");
    EXPECT_EQ(keys[1].Frame, 24u); // half a second into the long step
    EXPECT_EQ(keys[2].Frame, 95u);
    EXPECT_EQ(keys[2].Caption, "out");

    // The fly-by: a viewpoint that jumps to a new point; each point's frame
    // is the one with the aircraft nearest to it.
    for (Frame& f : frames) {
        f.ViewpointWritten = true;
        f.Viewpoint = f.Time < 2.0 ? Vec3{150, 520, 30} : Vec3{525, 500, -40};
    }
    std::vector<render::Pass> passes = render::Passes(frames);
    ASSERT_EQ(passes.size(), 2u);
    EXPECT_EQ(passes[0].Frame, 23u); // 1.5 s: 150 m east
    EXPECT_NEAR(passes[0].Distance, std::hypot(20.0, 30.0), 1e-9);
    EXPECT_EQ(passes[1].Frame, 83u); // 5.25 s
    EXPECT_NEAR(passes[1].Distance, 40.0, 1e-9);
    EXPECT_EQ(render::Shown(frames[0]), render::Eye::FlyBy);
}
