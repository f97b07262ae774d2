// Mouse look, the wheel and the pointer's ray on plain values; the event
// stream as plain bytes.
#include "pilot/mouse.h"

#include "ground_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

using namespace pilot;
using namespace geometry;

namespace {

const MouseLookFeel Standard{MouseLookDegreesPerPixel, 0};

TEST(MouseLook, TheFirstSampleOnlyRecordsOriginIsNoSampleAndThePilotsFeelApplies) {
    MouseLook look{1, 0, 0};
    EXPECT_EQ(MouseLookMove(look, 100, 50, 2.0, Standard).Turned, 0);
    LookTurn turn = MouseLookMove(look, 110, 50, 2.0, Standard);
    EXPECT_EQ(turn.Turned, 1);
    EXPECT_DOUBLE_EQ(turn.Heading, 0.75) << "0.15 / zoom 2 for each of 10 pixels";
    EXPECT_DOUBLE_EQ(MouseLookMove(look, 110, 30, 2.0, Standard).Pitch, -1.5);
    MouseLookMove(look, 0, 0, 2.0, Standard); // lands on the screen's corner: no sample
    EXPECT_EQ(MouseLookMove(look, 500, 500, 2.0, Standard).Turned, 0) << "only recorded";
    EXPECT_DOUBLE_EQ(MouseLookMove(look, 510, 500, 0.0, Standard).Heading, 1.5)
        << "no zoom yet is taken as 1, never divided by";
    // The pilot's rate, and the vertical inverted: right and down.
    turn = MouseLookMove(look, 530, 530, 1.0, MouseLookFeel{0.05, 1});
    EXPECT_DOUBLE_EQ(turn.Heading, 1.0);
    EXPECT_DOUBLE_EQ(turn.Pitch, -1.5) << "down the mouse, up the head";
    CockpitEye eye{};
    eye.Glide.Active = 1;
    TurnEye(eye, turn.Heading, turn.Pitch);
    EXPECT_EQ(eye.Glide.Active, 0) << "the mouse takes the eye out of a glide";
    EXPECT_EQ(eye.EyeAngles.Pitch, -1.5);
}

TEST(MouseWheel, ZoomsInNotchesOfATenthWithinTheLimits) {
    double zoom = 7.9;
    for (int i = 0; i < 3; ++i) zoom = ZoomAfterWheel(zoom, 120);
    EXPECT_EQ(zoom, 8.0);
    EXPECT_EQ(ZoomAfterWheel(8.0, 120), 8.0);
    EXPECT_EQ(ZoomAfterWheel(8.0, -120 * 100), 0.25);
    EXPECT_DOUBLE_EQ(ZoomAfterWheel(1.0, -240), 0.8);
}

// ---- The pick ray -------------------------------------------------------------

host::ViewRecord View(double headingDegrees, int16_t zoomWord = 64) {
    host::ViewRecord v{};
    double h = headingDegrees * M_PI / 180;
    // RotY(h): the third row is the view's forward direction.
    v.Rotation[0] = {{float(std::cos(h)), 0.0f, float(-std::sin(h))}, 0};
    v.Rotation[1] = {{0.0f, 1.0f, 0.0f}, 0};
    v.Rotation[2] = {{float(std::sin(h)), 0.0f, float(std::cos(h))}, 0};
    v.Zoom = zoomWord;
    v.EyeReference[1] = 256;
    v.EyeOffset[2] = 128;
    return v;
}

TEST(PickRay, ThroughTheCentreIsTheForwardRowAndElsewhereKeepsTheShortSidesScale) {
    for (auto [w, h] : {std::pair{600, 600}, {1000, 400}, {300, 700}}) {
        Ray ray;
        ASSERT_TRUE(ComputePickRay(View(30), w, h, w / 2, h / 2, ray));
        EXPECT_NEAR(ray.Origin.Y, 1.0, 1e-6);
        EXPECT_NEAR(ray.Origin.Z, 0.5, 1e-6);
        EXPECT_NEAR(ray.Direction.X, 0.5, 1e-6) << w << "x" << h;
        EXPECT_NEAR(ray.Direction.Z, std::sqrt(0.75), 1e-6);
    }
    Ray ray;
    // Top edge's middle of a wide window: half the height up at depth 1.2.
    ASSERT_TRUE(ComputePickRay(View(0), 1000, 400, 500, 0, ray));
    double up = 0.5 * 0.4; // v scaled by height / width
    EXPECT_NEAR(ray.Direction.Y / ray.Direction.Z, up / 1.2, 1e-6);
    ASSERT_TRUE(ComputePickRay(View(0, 128), 400, 1000, 400, 500, ray));
    EXPECT_NEAR(ray.Direction.X / ray.Direction.Z, 0.5 * 0.4 / 2.4, 1e-6) << "zoom 2: farther";
    EXPECT_FALSE(ComputePickRay(View(0), 0, 400, 0, 0, ray)) << "no area, no ray";
    EXPECT_FALSE(ComputePickRay(View(0), 400, 0, 0, 0, ray));
    ASSERT_TRUE(ComputePickRay(View(0, 0), 400, 400, 200, 200, ray));
    EXPECT_EQ(ray.Direction.Z, 1.0) << "a ray of no length points ahead";
}

TEST(RaySphere, HitsMissesAndKnowsBehindFromInside) {
    Ray ray{{0, 0, 0}, {0, 0, 1}};
    SphereHit hit = RaySphere(ray, {0, 0, 5}, 1.0);
    EXPECT_TRUE(hit.Hit);
    EXPECT_DOUBLE_EQ(hit.Near, 4.0);
    EXPECT_DOUBLE_EQ(hit.Far, 6.0);
    EXPECT_FALSE(RaySphere(ray, {2, 0, 5}, 1.0).Hit) << "beside";
    EXPECT_FALSE(RaySphere(ray, {0, 0, -5}, 1.0).Hit) << "behind";
    EXPECT_TRUE(RaySphere(ray, {0, 0, -0.5}, 1.0).Hit) << "the eye inside it";
    EXPECT_FALSE(RaySphere(ray, {1, 0, 5}, 1.0).Hit) << "grazing counts as a miss";
}

// ---- The event stream -----------------------------------------------------------

// An event stream: calls and ends as in every stream, and event spheres.
struct Stream : groundscene::Image {
    Stream() : Image(0x1000) {}
    void Sphere(uint16_t kind, Vector3 c, float radius, uint32_t code, uint32_t skip = 0,
                uint16_t length = host::EventSphereSize) {
        Put(host::EventSphereRecord{host::EventOpSphere,
                                    length,
                                    skip,
                                    kind,
                                    {float(c.X), float(c.Y), float(c.Z)},
                                    radius,
                                    {0, code, 0}});
    }
    int32_t Hit(const Ray& ray) {
        groundscene::PlainBytes bytes{this, {}};
        return HitEventSpheres(bytes.Source(), Base, {0, 0, 0}, ray);
    }
};

const Ray Ahead{{0, 0, 0}, {0, 0, 1}};

TEST(EventSpheres, AControlWithACodeUnderTheRayShowsTheHandAndAMissSkipsThoseWithin) {
    Stream s;
    s.Sphere(1, {3, 0, 5}, 0.5f, 7); // off to the side
    s.Sphere(1, {0, 0, 5}, 0.5f, 0); // under the ray, but no code: not a control
    s.Sphere(2, {0, 0, 6}, 0.5f, 7); // a sphere of another kind
    s.End();
    EXPECT_EQ(s.Hit(Ahead), 0);
    s.Bytes.resize(s.Bytes.size() - 2);
    s.Sphere(1, {0, 0, 9}, 0.5f, 9);
    s.End();
    EXPECT_EQ(s.Hit(Ahead), 1);
    // A panel sphere the ray misses; the switch "inside" it is skipped over.
    Stream panel;
    panel.Sphere(0, {5, 0, 5}, 1.0f, 0, 38);
    panel.Sphere(1, {0, 0, 5}, 0.5f, 1);
    panel.End();
    EXPECT_EQ(panel.Hit(Ahead), 0);
    std::memset(&panel.Bytes[10], 0, 4); // the panel's centre x: 5 -> 0
    EXPECT_EQ(panel.Hit(Ahead), 1) << "a hit looks inside";
}

TEST(EventSpheres, NestedStreamsTakeTheLastCentreAsTheirBase) {
    Stream s;
    s.Sphere(0, {0, 1, 5}, 2.0f, 0); // a panel around (0, 1, 5)
    s.Call(6 + 2);                   // its switches, just after the end below
    s.End();
    s.Sphere(1, {0, -1, 0}, 0.2f, 4); // (0, -1, 0) from the panel: on the ray
    s.End();
    EXPECT_EQ(s.Hit(Ahead), 1);
    Ray above{{0, 1, 0}, {0, 0, 1}};
    EXPECT_EQ(s.Hit(above), 0) << "relative to the panel, not to the origin";
}

TEST(EventSpheres, CorruptStreamsEndTheirWalk) {
    Stream s[5];
    s[0].Call(0);                                    // calls itself
    s[1].Sphere(0, {9, 9, 9}, 0.1f, 0, 0, 0);        // length 0: would read itself forever
    s[2].Call(6), s[2].Call(-6);                     // two streams calling each other
    s[3].Sphere(0, {9, 9, 9}, 0.1f, 0, 0xFFFFFFF0u); // a miss whose skip wraps around
    s[4].Sphere(1, {0, 0, 5}, 0.5f, 1);
    s[4].Bytes.resize(20); // the record runs past readable bytes
    for (int i = 0; i < 5; ++i) EXPECT_EQ(s[i].Hit(Ahead), 0) << "stream " << i;
}

TEST(EventSpheres, OneMessagesWalkEndsAtItsBudgetWithoutAHit) {
    // A control under the ray after records off it: found as the budget's
    // last record, not after.
    for (int32_t before : {StreamRecordLimit - 1, StreamRecordLimit}) {
        Stream s;
        for (int32_t i = 0; i < before; ++i) s.Sphere(0, {9, 9, 9}, 0.1f, 0);
        s.Sphere(1, {0, 0, 5}, 0.5f, 1);
        s.End();
        EXPECT_EQ(s.Hit(Ahead), before < StreamRecordLimit) << before;
    }
    // The same control after a stream that calls itself twice: a tree of
    // walks to the depth's bound spends the budget first.
    for (bool loops : {false, true}) {
        Stream s;
        s.Call(6 + 38 + 2); // the stream after the control and its end
        s.Sphere(1, {0, 0, 5}, 0.5f, 1);
        s.End();
        s.Sphere(0, {9, 9, 9}, 0.1f, 0); // the nested stream: off the ray
        if (loops) s.Call(-38), s.Call(-44);
        s.End();
        EXPECT_EQ(s.Hit(Ahead), loops ? 0 : 1) << loops;
    }
}

} // namespace
