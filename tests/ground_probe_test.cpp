// The ground probe on plain bytes: its geometry on plain values, the stream
// walk over hand-made scenes, corrupt streams and tables, and random scenes
// against an oracle that tests every triangle by another method.
#include "walk/ground_probe.h"

#include "tests/ground_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace walk;
using geometry::Vector3;
using groundscene::Add;
using groundscene::Cross;
using groundscene::Image;
using groundscene::MakeTriangle;
using groundscene::PlainBytes;
using groundscene::Scale;
using groundscene::Sub;

namespace {

const geometry::Ray Down{{0.2, 10.0, 0.2}, {0.0, -1.0, 0.0}};

// ---- Relative position -------------------------------------------------------------

TEST(ProbeRelativePosition, AgreesWithThePointsOwnEastUpAndNorth) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> latitude(-85, 85), longitude(-180, 180),
        metres(-3000, 3000);
    for (int i = 0; i < 500; ++i) {
        double qf = latitude(rng), ql = longitude(rng);
        double qr = host::EarthRadius + metres(rng) / 10;
        double pf = qf + metres(rng) / 111000, pl = ql + metres(rng) / 111000;
        double pr = host::EarthRadius + metres(rng) / 10;
        Vector3 got = RelativePosition({pf, pl, pr}, {qf, ql, qr});
        Vector3 want = groundscene::LocalOffset(pf, pl, pr, qf, ql, qr);
        // The host's not quite exact quarter turn tilts a few kilometres by
        // well under a millimetre.
        ASSERT_NEAR(got.X, want.X, 1e-4) << i;
        ASSERT_NEAR(got.Y, want.Y, 1e-4) << i;
        ASSERT_NEAR(got.Z, want.Z, 1e-4) << i;
    }
    // One degree north: farther than the tilt allows the comparison above.
    Vector3 north =
        RelativePosition({1.0, 30.0, host::EarthRadius}, {0.0, 30.0, host::EarthRadius});
    double chord = 2 * host::EarthRadius * std::sin(0.5 * M_PI / 180);
    EXPECT_NEAR(north.X, 0.0, 1e-6);
    EXPECT_NEAR(std::hypot(north.Y, north.Z), chord, 1e-3);
    EXPECT_LT(north.Y, 0.0) << "the earth curves away below the horizon";
    EXPECT_GT(north.Z, 111000.0);
}

// ---- Ray and triangle ---------------------------------------------------------------

TEST(ProbeRayTriangle, HitsFromAboveAndBelowInEitherWindingEdgesAndCornersIncluded) {
    Vector3 a{0, 2, 0}, b{1, 2, 0}, c{0, 2, 1}, up{0, 1, 0};
    EXPECT_DOUBLE_EQ(RayTriangle(Down, a, b, c, up), 8.0);
    EXPECT_DOUBLE_EQ(RayTriangle(Down, a, c, b, up), 8.0) << "the other winding";
    EXPECT_DOUBLE_EQ(RayTriangle(Down, a, b, c, {0, -1, 0}), 8.0) << "the normal's sign";
    geometry::Ray rising{{0.2, -3.0, 0.2}, {0.0, 1.0, 0.0}};
    EXPECT_DOUBLE_EQ(RayTriangle(rising, a, c, b, up), 5.0);
    geometry::Ray beside{{1.2, 10.0, 0.2}, {0.0, -1.0, 0.0}};
    EXPECT_EQ(RayTriangle(beside, a, b, c, up), NoHit);
    // A slanted wall hit from the side, its normal along Z.
    geometry::Ray north{{0.3, 0.3, -5.0}, {0.0, 0.0, 1.0}};
    EXPECT_DOUBLE_EQ(RayTriangle(north, {0, 0, 2}, {1, 0, 2}, {0, 1, 2}, {0, 0, 1}), 7.0);

    Vector3 e{0, 0, 0}, f{2, 0, 0}, g{0, 0, 2};
    for (Vector3 o : {Vector3{1, 5, 1}, Vector3{1, 5, 0}, Vector3{0, 5, 1.5}, Vector3{0, 5, 0},
                      Vector3{2, 5, 0}, Vector3{0, 5, 2}}) {
        geometry::Ray ray{o, {0, -1, 0}};
        EXPECT_EQ(RayTriangle(ray, e, f, g, up), 5.0) << o.X << " " << o.Z;
        EXPECT_EQ(RayTriangle(ray, g, f, e, up), 5.0) << o.X << " " << o.Z;
    }
    geometry::Ray outside{{1.0000001, 5, 1}, {0, -1, 0}};
    EXPECT_EQ(RayTriangle(outside, e, f, g, up), NoHit);
}

TEST(ProbeRayTriangle, NothingEdgeOnAtOrBehindTheOriginNorBeyondTheFarLimit) {
    // The ray runs in the triangle's plane, straight through it.
    Vector3 a{-1, 0, 0}, b{1, 0, 0}, c{0, 5, 0};
    geometry::Ray ray{{0, 10, 0}, {0, -1, 0}};
    EXPECT_EQ(RayTriangle(ray, a, b, c, {0, 0, 1}), NoHit);
    EXPECT_EQ(RayTriangle(ray, a, b, c, {0, 0.99e-10, 1}), NoHit) << "|N.u| below 1e-10";
    EXPECT_NE(RayTriangle(ray, a, b, c, {0, 1.01e-10, 1}), NoHit) << "just above it";

    auto from = [](double height) {
        return RayTriangle({{0.25, height, 0.25}, {0, -1, 0}}, {0, 0, 0}, {1, 0, 0}, {0, 0, 1},
                           {0, 1, 0});
    };
    EXPECT_EQ(from(0.0), NoHit) << "at the origin";
    EXPECT_EQ(from(-1.0), NoHit) << "behind";
    EXPECT_EQ(from(0.5e-10), NoHit) << "t below 1e-10";
    EXPECT_EQ(from(2e-10), 2e-10);
    EXPECT_EQ(from(1e10), 1e10) << "t of exactly 1e10 is still a hit";
    EXPECT_EQ(from(2e10), NoHit) << "t above 1e10";
}

TEST(ProbeRayTriangle, TiesOfTheNormalsAxesKeepTheEarlierAxis) {
    // A flat triangle with a stored normal that disagrees with it: the axis
    // the normal picks decides the plane of the inside test, so the tie shows.
    Vector3 a{0, 0, 0}, b{1, 0, 0}, c{0, 0, 1};
    EXPECT_EQ(RayTriangle(Down, a, b, c, {0.5, 0.5, 0}), NoHit) << "X kept: seen edge-on";
    EXPECT_NEAR(RayTriangle(Down, a, b, c, {0.5, 0.5000001, 0}), 10.2, 1e-5) << "Y wins";
    EXPECT_NEAR(RayTriangle(Down, a, b, c, {0, 0.5, 0.5}), 10.2, 1e-12) << "Y kept";
    EXPECT_EQ(RayTriangle(Down, a, b, c, {0, 0.5, 0.5000001}), NoHit) << "Z wins";
}

TEST(ProbeBoundingSphere, TheRadiusIsEnlargedBySquareRootTwo) {
    geometry::Ray down{{0, 1000, 0}, {0, -1, 0}};
    EXPECT_TRUE(RayEntersBoundingSphere(down, {1.3 * 4, 0, 0}, 4.0));
    EXPECT_TRUE(RayEntersBoundingSphere(down, {0, 0, -1.41 * 4}, 4.0));
    EXPECT_FALSE(RayEntersBoundingSphere(down, {0, 0, 1.5 * 4}, 4.0));
    EXPECT_FALSE(RayEntersBoundingSphere(down, {0, 2000, 0}, 4.0)) << "behind the origin";
    EXPECT_TRUE(RayEntersBoundingSphere(down, {0, 999, 0}, 4.0)) << "the origin inside";
}

// ---- The walk over hand-made scenes ----------------------------------------------------

// A flat triangle at height y around (x, z) in its stream's frame.
host::GeometryTriangle Roof(double x, double y, double z, double half = 1.0) {
    return MakeTriangle({x - half, y, z - half}, {x + half, y, z - half}, {x, y, z + half});
}

// count triangles far beside the ray, the last under it, at 2.
std::vector<host::GeometryTriangle> RoofLast(int32_t count) {
    std::vector<host::GeometryTriangle> list(size_t(count - 1), Roof(500, 1, 0));
    list.push_back(Roof(0, 2, 0));
    return list;
}

// Objects in a row, each a stream the test writes: the table, then each
// object's model data and geometry.
struct Objects {
    Image Im{0x10000};
    uint32_t Table, Model = 0, Stream = 0; // the last object's
    PlainBytes Bytes{&Im, {}};
    int32_t Count = 0;
    GroundProbeRecord Record{0.0, 0.0, 0.0, {0, 100000, 0}, {0, -1, 0}, -1.0};

    explicit Objects(int32_t count) : Table(Im.Table(std::vector<uint32_t>(size_t(count), 0))) {}
    uint32_t Entry(int32_t i) const {
        return Table + 16 + uint32_t(i) * host::SceneObjectEntrySize;
    }
    // The next object's model data, with entries directory entries, the last
    // its geometry: the stream written next.
    void Next(int32_t entries = 1) {
        Model = Im.ModelData(entries);
        Im.PutAt(Entry(Count++) + 96, Model);
        Im.SetEntry(Model, entries - 1, "BLCK", Im.Here());
        Stream = Im.Here();
    }
    // Nearest distance of the downward ray at (x, z).
    double Probe(double x = 0.0, double z = 0.0, const GeometryLimits& limits = {}) {
        Record.RayOrigin = {x, 100000, z};
        EXPECT_EQ(GroundProbe(Bytes.Source(), Table, Record, limits), 1);
        return Record.NearestDistance;
    }
};

struct OneObject : Objects {
    explicit OneObject(int32_t entries = 1) : Objects(1) { Next(entries); }
};

// Three objects, each a roof under the ray: at heights 1, 2 and 3.
struct ThreeObjects : Objects {
    ThreeObjects() : Objects(3) {
        for (int i = 0; i < 3; ++i) {
            Next();
            Im.Triangles({Roof(0, 1.0 + i, 0)});
            Im.End();
        }
    }
};

TEST(GroundProbe, AReferencePointMovesOnlyTheSpheresAfterIt) {
    OneObject o;
    o.Im.ReferencePoint(0.0f, 0.01f, 0.0f); // about 1.1 km east
    o.Im.Triangles({Roof(0, 7, 0)});        // still at the stream's own origin
    o.Im.End();
    EXPECT_EQ(o.Probe(), 100000 - 7.0);

    // In a called stream the inherited offset is the caller's sphere centre.
    OneObject called;
    called.Im.Sphere({30, 0, 0}, 10.0f);
    uint32_t call = called.Im.Call(0);
    called.Im.End();
    called.Im.CallTo(call, called.Im.Here());
    called.Im.ReferencePoint(0.0f, 0.01f, 0.0f);
    called.Im.Triangles({Roof(0, 5, 0)});
    called.Im.End();
    EXPECT_EQ(called.Probe(30, 0), 100000 - 5.0);
    EXPECT_EQ(called.Probe(0, 0), NoHit);

    // A sphere far beside the ray (passed over before its point is placed
    // exactly), then a point 50 m higher, then a wide roof: the roof still
    // lies at the sphere's centre from the first point.
    OneObject later;
    later.Im.ReferencePoint(0.0f, 0.01f, 0.0f);
    later.Im.Sphere({0, 0, 0}, 1.0f);
    later.Im.ReferencePoint(0.0f, 0.0f, 50.0f);
    later.Im.Triangles({Roof(0, 3, 0, 5000)});
    later.Im.End();
    Vector3 b =
        RelativePosition({0.0, double(0.01f), host::EarthRadius}, {0, 0, host::EarthRadius});
    EXPECT_NEAR(later.Probe(), 100000 - 3 - b.Y, 1e-6);
}

TEST(GroundProbe, AMissedSphereSkipsItsTrianglesAndANestedOneIsPlacedFromTheBase) {
    OneObject o;
    uint32_t outer = o.Im.Sphere({5, 0, 0}, 50.0f);
    uint32_t inner = o.Im.Sphere({20, 0, 0}, 2.0f); // from the base, not from the outer sphere
    o.Im.Triangles({Roof(0, 3, 0)});
    o.Im.SkipTo(inner, o.Im.Here());
    o.Im.Triangles({Roof(0, 1, 0, 100)}); // relative to the inner sphere still
    uint32_t end = o.Im.End();
    o.Im.SkipTo(outer, end);
    EXPECT_EQ(o.Probe(20, 0), 100000 - 3.0);
    EXPECT_EQ(o.Probe(0, 0), 100000 - 1.0) << "the inner sphere missed: its list skipped";
    EXPECT_EQ(o.Probe(90, 0), NoHit) << "the outer sphere missed: all skipped";
}

TEST(GroundProbe, SpheresNearTheRaysReachGiveTheWrittenAnswerWhereverTheirPointLies) {
    // The walk may pass over a far sphere before placing its reference point
    // exactly: its answers must be the written test's, right at the edge too.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0, 1);
    int hits = 0, misses = 0;
    for (int n = 0; n < 3000; ++n) {
        OneObject o;
        o.Record.Latitude = float(-70 + 140 * unit(rng));
        o.Record.Longitude = float(-180 + 360 * unit(rng));
        o.Record.Altitude = 200 * unit(rng);
        double spread = n % 10 == 0 ? 3.0 : 0.02; // degrees: mostly within a few km
        float latitude = float(o.Record.Latitude + spread * (unit(rng) - 0.5));
        float longitude = float(o.Record.Longitude + spread * (unit(rng) - 0.5));
        float altitude = float(50 * unit(rng));
        Vector3 centre{float(40 * (unit(rng) - 0.5)), float(10 * unit(rng)),
                       float(40 * (unit(rng) - 0.5))};
        float radius = float(1 + 9 * unit(rng));
        o.Im.ReferencePoint(latitude, longitude, altitude);
        uint32_t sphere = o.Im.Sphere(centre, radius);
        host::GeometryTriangle roof = Roof(0, -0.5 * radius, 0, 40 * radius);
        o.Im.Triangles({roof});
        o.Im.SkipTo(sphere, o.Im.End());

        Vector3 b = RelativePosition(
            {latitude, longitude, altitude + host::EarthRadius},
            {o.Record.Latitude, o.Record.Longitude, o.Record.Altitude + host::EarthRadius});
        Vector3 k{float(centre.X) + b.X, float(centre.Y) + b.Y, float(centre.Z) + b.Z};
        // Beside the centre by the enlarged radius, give or take a few metres.
        double side = std::sqrt(2.0) * radius + (-0.3 + 4 * unit(rng)), a = 2 * M_PI * unit(rng);
        geometry::Ray ray{{k.X + side * std::cos(a), k.Y + 1000, k.Z + side * std::sin(a)},
                          {0, -1, 0}};
        Vector3 v[3];
        for (int j = 0; j < 3; ++j)
            v[j] = {roof.Vertex[j][0] + k.X, roof.Vertex[j][1] + k.Y, roof.Vertex[j][2] + k.Z};
        double want = RayEntersBoundingSphere(ray, k, radius)
                          ? RayTriangle(ray, v[0], v[1], v[2],
                                        {roof.Normal[0], roof.Normal[1], roof.Normal[2]})
                          : NoHit;
        o.Record.RayOrigin = ray.Origin;
        ASSERT_EQ(GroundProbe(o.Bytes.Source(), o.Table, o.Record), 1);
        ASSERT_EQ(o.Record.NearestDistance, want) << n << ": " << side - std::sqrt(2.0) * radius;
        (want < NoHit ? hits : misses) += 1;
    }
    EXPECT_GT(hits, 150);
    EXPECT_GT(misses, 1500);
}

// ---- The table and the directory ------------------------------------------------------

TEST(GroundProbe, NoTableNoObjectsOrNoUsableBlockIsNoHit) {
    OneObject o;
    o.Im.Triangles({Roof(0, 1, 0)});
    o.Im.End();
    GroundProbeRecord r = o.Record;
    EXPECT_EQ(GroundProbe(o.Bytes.Source(), 0, r), 0) << "no table";
    EXPECT_EQ(r.NearestDistance, NoHit);
    r.NearestDistance = 5.0;
    EXPECT_EQ(GroundProbe(o.Bytes.Source(), 0x9000, r), 0) << "unreadable";
    EXPECT_EQ(r.NearestDistance, NoHit);
    o.Bytes.Holes = {{o.Table + 15, 1}};
    EXPECT_EQ(GroundProbe(o.Bytes.Source(), o.Table, r), 0) << "its sixteen bytes checked";
    o.Bytes.Holes.clear();

    EXPECT_EQ(o.Probe(), 100000 - 1.0);
    o.Im.PutAt(o.Table, int32_t(0));
    EXPECT_EQ(o.Probe(), NoHit) << "no objects";
    o.Im.PutAt(o.Table, int32_t(-3));
    EXPECT_EQ(o.Probe(), NoHit) << "a negative count";
    o.Im.PutAt(o.Table, int32_t(1));
    o.Im.SetEntry(o.Model, 0, "BLCK", 0, 0);
    EXPECT_EQ(o.Probe(), NoHit) << "a BLCK entry with offset 0 is passed over";
    o.Im.SetEntry(o.Model, 0, "BLCk", o.Stream);
    EXPECT_EQ(o.Probe(), NoHit) << "no BLCK entry";
    o.Im.SetEntry(o.Model, 0, "BLCK", o.Stream);
    o.Im.PutAt(o.Model + host::SceneDirectoryTagAt, 'Q');
    EXPECT_EQ(o.Probe(), NoHit) << "no PNTR directory";
    o.Im.PutAt(o.Model + host::SceneDirectoryTagAt, 'P');
    o.Bytes.Holes = {{o.Model + 199, 1}};
    EXPECT_EQ(o.Probe(), NoHit) << "the model data's 200 bytes checked";
}

TEST(GroundProbe, TheFirstBlockEntryWithAnOffsetWinsAndTheDirectoryGoesOnPastItsHead) {
    OneObject o(12); // entries 8 and on lie past the 200 bytes read first
    uint32_t miss = o.Im.Triangles({Roof(50, 1, 0)});
    o.Im.End();
    uint32_t hit = o.Im.Triangles({Roof(0, 2, 0)});
    o.Im.End();
    for (int i = 0; i < 12; ++i) o.Im.SetEntry(o.Model, i, "SCEN", miss);
    o.Im.SetEntry(o.Model, 9, "BLCK", 0, 0);
    o.Im.SetEntry(o.Model, 10, "BLCK", hit);
    o.Im.SetEntry(o.Model, 11, "BLCK", miss);
    EXPECT_EQ(o.Probe(), 100000 - 2.0);
    o.Bytes.Holes = {{o.Im.DirectoryEntry(o.Model, 10), 8}};
    EXPECT_EQ(o.Probe(), NoHit) << "an unreadable entry ends the search";
    o.Bytes.Holes.clear();
    o.Im.PutAt(o.Model + host::SceneDirectoryCountAt, int32_t(10));
    EXPECT_EQ(o.Probe(), NoHit) << "only count entries are searched";
}

TEST(GroundProbe, AnUnreadableObjectIsPassedOverButAnUnreadableEntryEndsTheTable) {
    ThreeObjects s;
    EXPECT_EQ(s.Probe(), 100000 - 3.0);
    s.Im.PutAt(s.Entry(2) + 96, uint32_t(0x00900000)); // model data nowhere
    EXPECT_EQ(s.Probe(), 100000 - 2.0);
    s.Bytes.Holes = {{s.Entry(0) + 103, 1}}; // the first entry's 104 bytes are checked
    EXPECT_EQ(s.Probe(), NoHit) << "the first unreadable stretch ends the table";
    s.Bytes.Holes = {{s.Entry(1), 1}};
    EXPECT_EQ(s.Probe(), 100000 - 1.0);
    s.Bytes.Holes.clear();
    s.Im.PutAt(s.Table, int32_t(0x7FFFFFFF)); // a huge count: the entries run out first
    s.Im.PutAt(s.Entry(2) + 96, s.Im.Base + 0x100000);
    EXPECT_EQ(s.Probe(), 100000 - 2.0);
}

TEST(GroundProbe, TheCountIsReadAgainBeforeEachEntry) {
    // The host drops objects while the probe runs: the count falls to 1 as
    // the first entry is read.
    ThreeObjects s;
    s.Bytes.Exact = true; // the entry's own stretch, reached after the count's
    auto shrinking = [](void* context, uint32_t at, uint32_t size, host::ByteSpan& out) {
        auto* scene = static_cast<ThreeObjects*>(context);
        if (at == scene->Entry(0)) scene->Im.PutAt(scene->Table, int32_t(1));
        return PlainBytes::Span(&scene->Bytes, at, size, out);
    };
    EXPECT_EQ(GroundProbe({+shrinking, &s}, s.Table, s.Record), 1);
    EXPECT_EQ(s.Record.NearestDistance, 100000 - 1.0) << "objects 2 and 3 gone";
}

// ---- Corrupt streams end their own walk ----------------------------------------------------

TEST(GroundProbeMends, ACallOfItselfOrAStreamGoneWrongEndsOnlyItsOwnStream) {
    OneObject self;
    self.Im.Triangles({Roof(0, 4, 0)});
    self.Im.Call(0);
    self.Im.Triangles({Roof(0, 9, 0)});
    self.Im.End();
    EXPECT_EQ(self.Probe(), 100000 - 4.0) << "a call of offset 0 ends its stream";

    // A called stream that goes wrong ends itself; its caller goes on.
    OneObject caller;
    uint32_t call = caller.Im.Call(0);
    caller.Im.Triangles({Roof(0, 6, 0)});
    caller.Im.End();
    caller.Im.CallTo(call, caller.Im.Here());
    caller.Im.Put(uint16_t(0xF00D));
    EXPECT_EQ(caller.Probe(), 100000 - 6.0);
}

// A roof at (9, 2) before a sphere whose skip is skip; after the sphere a roof
// at (9, 3), placed from the sphere's centre.
void SphereThenRoof(OneObject& o, const Vector3& centre, uint16_t enter, int32_t skip) {
    o.Im.Triangles({Roof(9, 2, 0)});
    o.Im.Sphere(centre, 5.0f, enter, skip);
    o.Im.Triangles({Roof(9 - centre.X, 3, 0)});
    o.Im.End();
}

TEST(GroundProbeMends, ASphereWhoseMoveGoesNowhereOrBackEndsTheWalk) {
    OneObject stuck; // hit, but entering by 0 would read itself for ever
    SphereThenRoof(stuck, {9, 0, 0}, 0, 26);
    EXPECT_EQ(stuck.Probe(9, 0), 100000 - 2.0);

    for (int32_t skip : {0, -26, -1000, INT32_MIN}) {
        OneObject missed; // a miss that skips back or nowhere
        SphereThenRoof(missed, {30, 0, 0}, 26, skip);
        EXPECT_EQ(missed.Probe(9, 0), 100000 - 2.0) << skip;
        OneObject entered; // a hit enters: the skip is not used
        SphereThenRoof(entered, {9, 0, 0}, 26, skip);
        EXPECT_EQ(entered.Probe(9, 0), 100000 - 3.0) << skip;
    }
    OneObject good; // the same with a skip forward
    SphereThenRoof(good, {30, 0, 0}, 26, 26);
    EXPECT_EQ(good.Probe(9, 0), 100000 - 3.0);
}

TEST(GroundProbeMends, ATriangleListRunningIntoUnreadableMemoryStopsThere) {
    for (int32_t count : {40, 70, 0x7FFFFFFF}) {
        OneObject o;
        std::vector<host::GeometryTriangle> list;
        for (int i = 0; i < 36; ++i) list.push_back(Roof(i < 35 ? 50 : 0, 1.0 + i, 0));
        uint32_t at = o.Im.Triangles(list);
        o.Im.PutAt(at + 2, count); // the list claims more than the bytes hold
        EXPECT_EQ(o.Probe(), 100000 - 36.0) << count << ": the last readable triangle is hit";
        // A hole in the middle: those before it are still tested.
        o.Im.Triangles({Roof(0, 100, 0)});
        o.Im.End();
        o.Bytes.Holes = {{at + 6 + 35 * 48 + 47, 1}};
        EXPECT_EQ(o.Probe(), NoHit) << count;
        o.Bytes.Holes = {{at + 6 + 36 * 48, 1}};
        EXPECT_EQ(o.Probe(), 100000 - 36.0) << count;
    }
    OneObject negative;
    negative.Im.Triangles({Roof(0, 3, 0)});
    uint32_t back = negative.Im.Triangles({});
    negative.Im.PutAt(back + 2, int32_t(-1));
    negative.Im.Triangles({Roof(0, 8, 0)});
    negative.Im.End();
    EXPECT_EQ(negative.Probe(), 100000 - 3.0) << "a negative count would point back";
}

// A roof under the ray reached calls deep, as the lists'th record (a
// triangle list) and the triangles'th triangle, through the entries'th
// directory entry.
void RoofAfter(Objects& o, int32_t calls, int32_t lists, int32_t triangles, int32_t entries) {
    o.Next(entries);
    for (int32_t i = 0; i < calls; ++i) {
        o.Im.Call(host::StreamCallSize + 2); // the next call, one level deeper
        o.Im.End();
    }
    for (int32_t i = 1; i < lists; ++i) o.Im.Triangles({});
    o.Im.Triangles(RoofLast(triangles));
    o.Im.End();
}

TEST(GroundProbeMends, EachBoundOfOneObjectsWalkEndsItJustPastTheBound) {
    const struct {
        const char* What;
        int32_t GeometryLimits::*Bound;
        bool ModuleBoundToo; // the triangles' would take 48 MB
    } cases[] = {{"calls deep", &GeometryLimits::CallDepth, true},
                 {"records", &GeometryLimits::Records, true},
                 {"triangles", &GeometryLimits::Triangles, false},
                 {"directory entries", &GeometryLimits::Directory, true}};
    for (size_t c = 0; c < std::size(cases); ++c)
        for (bool module : {true, false}) { // the module's bounds, or a caller's tighter ones
            if (module && !cases[c].ModuleBoundToo) continue;
            GeometryLimits limits;
            if (!module) limits.*cases[c].Bound = 11;
            int32_t bound = limits.*cases[c].Bound;
            for (int32_t n : {bound, bound + 1}) {
                int32_t at[4] = {0, 1, 1, 1};
                at[c] = n;
                Objects o(1);
                RoofAfter(o, at[0], at[1], at[2], at[3]);
                EXPECT_EQ(o.Probe(0, 0, limits) < NoHit, n == bound) << cases[c].What << " " << n;
            }
        }
}

// ---- The probe's budget over all objects ------------------------------------------------------

// A roof at 4, then loops objects whose stream is a list of beside triangles
// beside the ray and calls calls of that list again, then a roof at 9.
void SelfCallingBetweenRoofs(Objects& s, int32_t loops, int32_t beside, int32_t calls) {
    s.Next();
    s.Im.Triangles({Roof(0, 4, 0)});
    s.Im.End();
    for (int32_t i = 0; i < loops; ++i) {
        s.Next();
        uint32_t start =
            s.Im.Triangles(std::vector<host::GeometryTriangle>(size_t(beside), Roof(500, 1, 0)));
        for (int32_t c = 0; c < calls; ++c) s.Im.CallTo(s.Im.Call(0), start);
        s.Im.End();
    }
    s.Next();
    s.Im.Triangles({Roof(0, 9, 0)});
    s.Im.End();
}

TEST(GroundProbeBudget, SelfCallingStreamsEndTheProbeWithTheSurfaceFoundBefore) {
    // Records: each stream calling itself twice walks a tree to its own bound
    // of records, and two spend the budget.
    static_assert(2 * GeometryRecordLimit == ProbeRecordBudget);
    for (int32_t loops : {1, 2}) {
        Objects s(loops + 2);
        SelfCallingBetweenRoofs(s, loops, 0, 2);
        EXPECT_EQ(s.Probe(), 100000 - (loops == 1 ? 9.0 : 4.0)) << loops;
    }
    // Triangles: a list of 2^14 walked again by a call of itself, to the
    // depth's bound; the budget ends it after two walks.
    Objects t(3);
    SelfCallingBetweenRoofs(t, 1, 1 << 14, 1);
    EXPECT_EQ(t.Probe(), 100000 - 4.0) << "2^15 triangles tested, none left for the last roof";
    GeometryLimits more;
    more.ProbeTriangles = 1 << 20;
    EXPECT_EQ(t.Probe(0, 0, more), 100000 - 9.0)
        << "the calls' 17 walks of the list, then the roof";
}

TEST(GroundProbeBudget, CountsRecordsByTheirCostAndTrianglesOverAllObjects) {
    // The first object's stream (before its end), and what it costs of a
    // budget: the second object's roof (its twentieth triangle) is found with
    // one record or triangle more, not with the budget spent.
    struct Case {
        const char* What;
        std::function<void(Objects&)> Stream;
        int32_t Entries, Cost;
        int32_t GeometryLimits::*Budget = &GeometryLimits::ProbeRecords;
    } cases[] = {
        {"records, the end's too",
         [](Objects& o) {
             for (int i = 0; i < 5; ++i) o.Im.Triangles({});
         },
         1, 6},
        {"a point placed exactly", // too far to pass over
         [](Objects& o) { o.Im.ReferencePoint(0.0f, 10.0f, 0.0f); }, 1, PlacementCost + 1},
        {"a sphere tested exactly",
         [](Objects& o) {
             o.Im.Sphere({50, 0, 0}, 1.0f);
         },
         1, SphereCost + 1},
        {"directory entries past the head", [](Objects&) {}, 12, 4 + 1},
        {"triangles",
         [](Objects& o) {
             o.Im.Triangles(std::vector<host::GeometryTriangle>(20, Roof(500, 1, 0)));
         },
         1, 39, &GeometryLimits::ProbeTriangles},
    };
    for (const Case& c : cases)
        for (int32_t budget : {c.Cost, c.Cost + 1}) {
            Objects o(2);
            o.Next(c.Entries);
            c.Stream(o);
            o.Im.End();
            o.Next();
            o.Im.Triangles(RoofLast(20));
            o.Im.End();
            GeometryLimits limits;
            limits.*c.Budget = budget;
            EXPECT_EQ(o.Probe(0, 0, limits) < NoHit, budget > c.Cost) << c.What << " " << budget;
        }
}

// ---- Random scenes against an oracle that tests every triangle ---------------------------

// Moeller and Trumbore's test, both sides, f64: the distance or NoHit.
double Oracle(const geometry::Ray& ray, const groundscene::WorldTriangle& t) {
    Vector3 e1 = Sub(t.V[1], t.V[0]), e2 = Sub(t.V[2], t.V[0]);
    Vector3 p = Cross(ray.Direction, e2);
    double det = Dot(e1, p);
    if (std::fabs(det) < 1e-12) return NoHit;
    Vector3 s = Sub(ray.Origin, t.V[0]);
    double u = Dot(s, p) / det;
    if (u < 0 || u > 1) return NoHit;
    Vector3 q = Cross(s, e1);
    double v = Dot(ray.Direction, q) / det;
    if (v < 0 || u + v > 1) return NoHit;
    double d = Dot(e2, q) / det;
    return d > 1e-10 ? d : NoHit;
}

TEST(GroundProbeOracle, RandomScenesGiveTheNearestOfEveryTriangle) {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> unit(0, 1);
    int hits = 0, scenes = 400;
    for (int n = 0; n < scenes; ++n) {
        groundscene::SceneShape shape{};
        shape.Objects = 1 + int32_t(unit(rng) * 6);
        shape.Spread = 30;
        shape.Size = 2 + unit(rng) * 20;
        shape.LeastTriangles = 1, shape.MostTriangles = 60;
        shape.Calls = true;
        // Probe points on float values, so that the first object stands on one.
        shape.ProbeLatitude = float(-80 + 160 * unit(rng));
        shape.ProbeLongitude = float(-180 + 360 * unit(rng));
        shape.ProbeAltitude = -10 + 40 * unit(rng);
        groundscene::Scene scene = groundscene::MakeScene(0x00400000, shape, rng());

        // Mostly aimed at a point of some triangle, from high above or slanting.
        Vector3 target{shape.Size * (unit(rng) - 0.5), shape.Size * unit(rng),
                       shape.Size * (unit(rng) - 0.5)};
        if (n % 5 != 0 && !scene.World.empty()) {
            const auto& t = scene.World[size_t(unit(rng) * double(scene.World.size()))];
            double a = unit(rng), b = unit(rng) * (1 - a);
            target = Add(t.V[0], Add(Scale(Sub(t.V[1], t.V[0]), a), Scale(Sub(t.V[2], t.V[0]), b)));
        }
        Vector3 origin{-20 + 40 * unit(rng), 30 + (n % 4 == 0 ? 100000 : 300 * unit(rng)),
                       -20 + 40 * unit(rng)};
        if (n % 3 == 0) origin = {target.X, origin.Y, target.Z};
        Vector3 d = Sub(target, origin);
        d = Scale(d, 1 / std::sqrt(Dot(d, d)));
        geometry::Ray ray{origin, d};

        double want = NoHit;
        for (const groundscene::WorldTriangle& t : scene.World)
            want = std::min(want, Oracle(ray, t));
        PlainBytes bytes{&scene.Bytes, {}};
        GroundProbeRecord r{
            shape.ProbeLatitude, shape.ProbeLongitude, shape.ProbeAltitude, origin, d, 0};
        ASSERT_EQ(GroundProbe(bytes.Source(), scene.Table, r), 1);
        ASSERT_NEAR(r.NearestDistance, want, 1e-4 + 1e-9 * want)
            << "scene " << n << " of " << scene.World.size() << " triangles";
        // Read in stretches of the bytes asked for only, the answer is the same.
        GroundProbeRecord exact = r;
        bytes.Exact = true;
        ASSERT_EQ(GroundProbe(bytes.Source(), scene.Table, exact), 1);
        ASSERT_EQ(exact.NearestDistance, r.NearestDistance) << "scene " << n;
        hits += want < NoHit;
    }
    EXPECT_GT(hits, scenes / 2) << "the scenes must be hit often enough to tell";
}

} // namespace
