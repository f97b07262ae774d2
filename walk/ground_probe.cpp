#include "walk/ground_probe.h"

#include "host/scene.h"

#include <cmath>
#include <cstring>

namespace walk {

namespace {

using geometry::Vector3;

// ---- The probe point's frame ------------------------------------------------------

using geometry::RotateAboutX;
using geometry::RotateAboutY;
using geometry::Turn;
using geometry::TurnOf;

// A point on the earth, from its centre: (0, 0, -radius) turned by the latitude
// about X, then by minus the longitude about Y.
Vector3 EarthCentred(const SpherePoint& p) {
    Vector3 v{0.0, 0.0, -p.Radius};
    RotateAboutX(v, TurnOf(p.Latitude * host::RadiansPerDegree));
    RotateAboutY(v, TurnOf(-p.Longitude * host::RadiansPerDegree));
    return v;
}

// What RelativePosition needs of q, computed once per probe: a scene places
// every object at its own reference point.
struct ProbeFrame {
    Vector3 Point;
    Turn Longitude, MinusLatitude, Quarter;
    double Latitude, MinusLongitude; // the angles of the rotations that placed Point
};

ProbeFrame FrameOf(const SpherePoint& q) {
    return {EarthCentred(q),
            TurnOf(q.Longitude * host::RadiansPerDegree),
            TurnOf(-q.Latitude * host::RadiansPerDegree),
            TurnOf(host::WalkQuarterTurn),
            q.Latitude * host::RadiansPerDegree,
            -q.Longitude * host::RadiansPerDegree};
}

Vector3 Relative(const SpherePoint& p, const ProbeFrame& q) {
    Vector3 a = EarthCentred(p);
    Vector3 d{a.X - q.Point.X, a.Y - q.Point.Y, a.Z - q.Point.Z};
    RotateAboutY(d, q.Longitude);
    RotateAboutX(d, q.MinusLatitude);
    RotateAboutX(d, q.Quarter);
    return d;
}

// ---- Objects far from the ray, without their reference point's trigonometry ----------

// Most objects of a scene lie far beside the ray, and placing each one's
// reference point exactly costs two cosines and two sines. So the walk first
// places it near its exact place (near the probe point, by the sum formulas
// from the probe point's own cosines and sines with short series for the
// small difference), and works out the exact place only when something needs
// it: a sphere the ray may enter, a triangle list or a call. A sphere is
// passed over on the near place only when the written test is sure to miss it
// at the exact one, so the results are exactly the written walk's.

// A reference point as the stream gives it: degrees, metres.
struct Point {
    float Latitude, Longitude, Altitude;
};

constexpr double NearAngleLimit = 0.05; // radians (300 km): the series' error is below 1e-12
constexpr double NearAltitudeLimit = 1e6;
constexpr double NearError = 0.5; // metres: a bound on |near - exact|, some 100 times too large

void NearTurn(const Turn& from, double difference, double& c, double& s) {
    // Multiplied, not divided: the series' own error is far below NearError.
    double x2 = difference * difference;
    double cd = 1.0 - x2 * 0.5 * (1.0 - x2 * (1.0 / 12.0) * (1.0 - x2 * (1.0 / 30.0)));
    double sd = difference * (1.0 - x2 * (1.0 / 6.0) * (1.0 - x2 * (1.0 / 20.0)));
    c = from.C * cd - from.S * sd;
    s = from.S * cd + from.C * sd;
}

// p's earth-centred point near where EarthCentred puts it (within a tenth of
// NearError), or false when p is too far from the probe point, or not a
// number, for the series to hold.
bool NearEarthCentred(const Point& p, const ProbeFrame& q, Vector3& near) {
    double latitude = p.Latitude * host::RadiansPerDegree;
    double minusLongitude = -double(p.Longitude) * host::RadiansPerDegree;
    double dl = latitude - q.Latitude, dm = minusLongitude - q.MinusLongitude;
    if (!(std::fabs(dl) <= NearAngleLimit && std::fabs(dm) <= NearAngleLimit &&
          std::fabs(p.Altitude) <= NearAltitudeLimit))
        return false;
    double r = p.Altitude + host::EarthRadius;
    double cl, sl, cm, sm;
    NearTurn({q.MinusLatitude.C, -q.MinusLatitude.S}, dl, cl, sl);
    NearTurn({q.Longitude.C, -q.Longitude.S}, dm, cm, sm);
    near = {-r * cl * sm, r * sl, -r * cl * cm};
    return true;
}

// The probe's ray turned back into earth-centred coordinates, where the near
// points are: no rotation per object.
struct EarthRay {
    Vector3 Origin, Direction;
};

Vector3 ToEarth(Vector3 v, const ProbeFrame& q) {
    RotateAboutX(v, {q.Quarter.C, -q.Quarter.S});
    RotateAboutX(v, {q.MinusLatitude.C, -q.MinusLatitude.S});
    RotateAboutY(v, {q.Longitude.C, -q.Longitude.S});
    return v;
}

// True when the written ray-sphere test misses the sphere of squared radius
// squaredRadius centred at centre from a reference point whose earth-centred
// point lies within NearError of near: the ray passes that point by more than
// the centre's length, the error and the radius, with room for the test's
// own rounding. Rotations keep lengths, so this holds in the probe's frame.
// Without a square root: beside > 2 (a^2 + q) gives sqrt(beside) > a +
// sqrt(q), for a the error and the centre's length and q the squared radius
// with that room; what lies only a little farther than that is not passed
// over, but placed exactly.
bool SurelyMissed(const EarthRay& ray, const Vector3& near, const Vector3& centre,
                  double squaredRadius) {
    double mx = near.X - ray.Origin.X, my = near.Y - ray.Origin.Y, mz = near.Z - ray.Origin.Z;
    double l = mx * mx + my * my + mz * mz;
    double s = mx * ray.Direction.X + my * ray.Direction.Y + mz * ray.Direction.Z;
    double beside = l - s * s; // squared distance from the ray's line
    double a = NearError + std::fabs(centre.X) + std::fabs(centre.Y) +
               std::fabs(centre.Z); // >= the error and the centre's length
    double q = squaredRadius + 1e-9 * l + 1.0;
    return beside > 2.0 * (a * a + q);
}

// ---- Ray and triangle --------------------------------------------------------------

// One triangle as the stream holds it (f32, from the sphere's centre k), in f64.
inline double TriangleDistance(const geometry::Ray& ray, const double (&v)[3][3],
                               const double (&n)[3]) {
    // The dominant axis of the normal; ties keep the earlier axis. The other
    // two are the plane the inside test works in.
    double nx = std::fabs(n[0]), ny = std::fabs(n[1]), nz = std::fabs(n[2]);
    int a = 1, b = 2; // X dominant: project onto Y and Z
    double largest = nx;
    if (ny > nx) a = 0, b = 2, largest = ny;
    if (nz > largest) a = 0, b = 1;
    const double* v0 = v[0];
    const double* v1 = v[1];
    const double* v2 = v[2];
    // One winding for the inside test.
    if ((v1[b] - v0[b]) * (v1[a] - v2[a]) < (v1[a] - v0[a]) * (v1[b] - v2[b])) {
        const double* t = v0;
        v0 = v1;
        v1 = t;
    }
    const double o[3] = {ray.Origin.X, ray.Origin.Y, ray.Origin.Z};
    const double u[3] = {ray.Direction.X, ray.Direction.Y, ray.Direction.Z};
    double e = n[0] * u[0] + n[1] * u[1] + n[2] * u[2];
    if (-ParallelLimit < e && e < ParallelLimit) return NoHit;
    double t = -((n[0] * o[0] + n[1] * o[1] + n[2] * o[2]) -
                 (n[0] * v0[0] + n[1] * v0[1] + n[2] * v0[2])) /
               e;
    if (t < NearestHitLimit || t > FarthestHitLimit) return NoHit;
    double ha = o[a] + t * u[a], hb = o[b] + t * u[b];
    bool inside = (v1[a] - v0[a]) * (v1[b] - hb) <= (v1[b] - v0[b]) * (v1[a] - ha) &&
                  (v2[a] - v1[a]) * (v2[b] - hb) <= (v2[b] - v1[b]) * (v2[a] - ha) &&
                  (v0[a] - v2[a]) * (v0[b] - hb) <= (v0[b] - v2[b]) * (v0[a] - ha);
    return inside ? t : NoHit;
}

// ---- The stream walk ----------------------------------------------------------------

constexpr uint32_t TriangleBatch = 32; // triangles counted against the bounds at once

// One probe's walk over the objects' streams. The host's bytes are read in
// place, from the stretches the byte source vouches for; nothing is allocated.
struct Walker {
    const host::ByteSource& Bytes;
    const GeometryLimits& Limits;
    geometry::Ray Ray;
    ProbeFrame Frame;
    bool PassOverFar = false; // the ray suits SurelyMissed
    EarthRay Earth = {};
    double Nearest = NoHit;
    int32_t Records = 0, Triangles = 0; // what is left of this object's bounds
    // What is left of the whole probe's budget, and whether a walk has come
    // to its end: then the probe stops with the nearest hit found so far.
    int32_t BudgetRecords = 0, BudgetTriangles = 0;
    bool Spent = false;
    host::ByteSpan Stream = {}; // the stretch of stream read last
};

// size bytes of the stream at at, in place; null when they cannot be read.
inline const uint8_t* Need(Walker& w, uint32_t at, uint32_t size) {
    return host::View(w.Bytes, w.Stream, at, size);
}

// One more record, within the object's bounds and the probe's budget.
inline bool TakeRecord(Walker& w) {
    if (w.BudgetRecords <= 0) w.Spent = true;
    if (w.Records <= 0 || w.Spent) return false;
    --w.Records;
    --w.BudgetRecords;
    return true;
}

using host::Field;

// The next record at at + length, if that moves the walk forward within the
// address space.
bool Advance(uint32_t& at, int64_t length) {
    int64_t next = int64_t(at) + length;
    if (length <= 0 || next > int64_t(UINT32_MAX)) return false;
    at = uint32_t(next);
    return true;
}

void TestTriangles(Walker& w, const uint8_t* list, uint32_t count, const Vector3& k) {
    for (uint32_t i = 0; i < count; ++i) {
        host::GeometryTriangle f =
            Field<host::GeometryTriangle>(list + i * host::GeometryTriangleSize);
        double v[3][3], n[3];
        for (int j = 0; j < 3; ++j) {
            v[j][0] = f.Vertex[j][0] + k.X;
            v[j][1] = f.Vertex[j][1] + k.Y;
            v[j][2] = f.Vertex[j][2] + k.Z;
            n[j] = f.Normal[j];
        }
        double t = TriangleDistance(w.Ray, v, n);
        if (t < w.Nearest) w.Nearest = t; // strictly nearer: an equal later one does not replace
    }
}

// The n triangles from at; false when they could not all be read or were too
// many, after testing those before the first that could not.
bool WalkTriangles(Walker& w, uint64_t at, int32_t n, const Vector3& k) {
    while (n > 0) {
        uint32_t batch = n < int32_t(TriangleBatch) ? uint32_t(n) : TriangleBatch;
        if (w.BudgetTriangles < int32_t(batch)) w.Spent = true;
        if (w.Triangles < int32_t(batch) || w.Spent) return false;
        w.Triangles -= int32_t(batch);
        w.BudgetTriangles -= int32_t(batch);
        uint32_t size = batch * host::GeometryTriangleSize;
        const uint8_t* list = at + size <= 0x100000000ull ? Need(w, uint32_t(at), size) : nullptr;
        if (list) {
            TestTriangles(w, list, batch, k);
        } else {
            // The batch runs into unreadable memory: the triangles up to it.
            for (uint32_t i = 0; i < batch; ++i) {
                uint64_t one = at + uint64_t(i) * host::GeometryTriangleSize;
                if (one + host::GeometryTriangleSize > 0x100000000ull) return false;
                const uint8_t* bytes = Need(w, uint32_t(one), host::GeometryTriangleSize);
                if (!bytes) return false;
                TestTriangles(w, bytes, 1, k);
            }
        }
        at += size;
        n -= int32_t(batch);
    }
    return true;
}

// One stream's offsets: the base B (what it inherits, or where its latest
// reference point lies) and the current K (B, or B plus the latest sphere's
// centre). Plain values, updated field by field: a record's fields go
// straight from the host's bytes into them.
struct Offsets {
    Vector3 Base, Current;
    // B may wait for its point's exact place (Near is where it nearly lies),
    // and K for a point's too (K is then Centre plus that point's place): B's
    // while OnBase, else the earlier one kept in CurrentAt.
    bool BaseWaits = false, CurrentWaits = false, OnBase = false;
    Point At = {}, CurrentAt = {};
    Vector3 Near = {};
    float Centre[3] = {};
};

// A reference point's exact place, by its own sines and cosines.
Vector3 Placed(Walker& w, const Point& p) {
    w.BudgetRecords -= PlacementCost - 1; // besides the record that asked for it
    return Relative({p.Latitude, p.Longitude, p.Altitude + host::EarthRadius}, w.Frame);
}

const Vector3& ExactBase(Walker& w, Offsets& o) {
    if (o.BaseWaits) {
        o.Base = Placed(w, o.At);
        o.BaseWaits = false;
    }
    return o.Base;
}

const Vector3& ExactCurrent(Walker& w, Offsets& o) {
    if (o.CurrentWaits) {
        Vector3 b = o.OnBase ? ExactBase(w, o) : Placed(w, o.CurrentAt);
        o.Current = {o.Centre[0] + b.X, o.Centre[1] + b.Y, o.Centre[2] + b.Z};
        o.CurrentWaits = false;
    }
    return o.Current;
}

// One stream from at with the offset it inherits; streams it calls are walked
// within it. Returns when the stream ends, or when a record cannot be read, would
// not move the walk forward or lies past the bounds: that ends this stream only.
void WalkStream(Walker& w, uint32_t at, const Vector3& inherited, int32_t depth) {
    if (depth > w.Limits.CallDepth) return;
    Offsets o{inherited, inherited};
    for (;;) {
        if (!TakeRecord(w)) return;
        const uint8_t* r = Need(w, at, 2);
        if (!r) return;
        switch (Field<uint16_t>(r)) {
        case host::StreamOpCall: {
            if (!(r = Need(w, at, host::StreamCallSize))) return;
            int32_t offset = Field<int32_t>(r + offsetof(host::StreamCallRecord, Offset));
            if (offset == 0) return; // it would call itself for ever
            WalkStream(w, at + uint32_t(offset), ExactCurrent(w, o), depth + 1);
            if (!Advance(at, host::StreamCallSize)) return;
            break;
        }
        case host::GeometryOpReferencePoint: {
            if (!(r = Need(w, at, sizeof(host::GeometryReferencePoint)))) return;
            if (o.CurrentWaits && o.OnBase) { // K keeps the point it waits for
                o.CurrentAt = o.At;
                o.OnBase = false;
            }
            o.At = {Field<float>(r + offsetof(host::GeometryReferencePoint, Latitude)),
                    Field<float>(r + offsetof(host::GeometryReferencePoint, Longitude)),
                    Field<float>(r + offsetof(host::GeometryReferencePoint, Altitude))};
            o.BaseWaits = true;
            if (!w.PassOverFar || !NearEarthCentred(o.At, w.Frame, o.Near)) ExactBase(w, o);
            if (!Advance(at, host::GeometryReferencePointSize)) return;
            break;
        }
        case host::GeometryOpSphere: {
            if (!(r = Need(w, at, sizeof(host::GeometrySphere)))) return;
            const uint8_t* c = r + offsetof(host::GeometrySphere, Centre);
            float centre[3] = {Field<float>(c), Field<float>(c + 4), Field<float>(c + 8)};
            double radius = Field<float>(r + offsetof(host::GeometrySphere, Radius));
            double squaredRadius = SphereRadiusScale2 * radius * radius;
            bool hit = false;
            if (o.BaseWaits &&
                SurelyMissed(w.Earth, o.Near, {centre[0], centre[1], centre[2]}, squaredRadius)) {
                o.CurrentWaits = o.OnBase = true; // the centre waits with the point
                o.Centre[0] = centre[0], o.Centre[1] = centre[1], o.Centre[2] = centre[2];
            } else {
                const Vector3& b = ExactBase(w, o);
                o.Current = {centre[0] + b.X, centre[1] + b.Y, centre[2] + b.Z};
                o.CurrentWaits = false;
                hit = geometry::RaySphere(w.Ray, o.Current, squaredRadius).Hit;
                w.BudgetRecords -= SphereCost - 1;
            }
            int64_t length =
                hit ? int64_t(Field<uint16_t>(r + offsetof(host::GeometrySphere, EnterLength)))
                    : int64_t(Field<int32_t>(r + offsetof(host::GeometrySphere, SkipLength)));
            if (!Advance(at, length)) return;
            break;
        }
        case host::GeometryOpTriangles: {
            if (!(r = Need(w, at, host::GeometryTriangleListHeaderSize))) return;
            int32_t n = Field<int32_t>(r + offsetof(host::GeometryTriangleList, Count));
            if (n < 0) return; // its length would point back
            if (n > 0 && !WalkTriangles(w, uint64_t(at) + host::GeometryTriangleListHeaderSize, n,
                                        ExactCurrent(w, o)))
                return;
            if (!Advance(at, host::GeometryTriangleListHeaderSize +
                                 int64_t(n) * host::GeometryTriangleSize))
                return;
            break;
        }
        default: // the end, a record of another kind, or one the probe does not know
            return;
        }
    }
}

// The object's geometry block: the first "BLCK" entry of its model data's
// directory whose offset is not 0, from that entry, among its first limit
// entries. False for none, or for model data or a directory that cannot be
// read. Entries read past the model data's first bytes are counted in past.
bool FindGeometryBlock(const Walker& w, host::ByteSpan& span, uint32_t model, uint32_t& block,
                       int32_t& past) {
    const uint8_t* head = host::View(w.Bytes, span, model, host::SceneModelCheckSize);
    if (!head) return false;
    if (std::memcmp(head + host::SceneDirectoryTagAt, host::ModelDirectoryTag, 4) != 0)
        return false;
    int32_t count = Field<int32_t>(head + host::SceneDirectoryCountAt);
    if (count > w.Limits.Directory) count = w.Limits.Directory;
    host::DirectoryFind found = host::FindInDirectory(
        w.Bytes, span, model + host::SceneDirectoryEntriesAt, count, host::GeometryBlockTag);
    // The entries within the checked head come with it; the rest are reads.
    constexpr int32_t InHead = int32_t((host::SceneModelCheckSize - host::SceneDirectoryEntriesAt) /
                                       host::ModelDirectoryEntrySize);
    if (found.EntriesRead > InHead) past += found.EntriesRead - InHead;
    block = found.Block;
    return block != 0;
}

// ---- The objects, looked up ahead of their walks -----------------------------------------

// An object's reads wait on one another (its entry, then its model data, then
// its stream's first records, then the record the first sphere leads to), so
// one object at a time leaves the memory idle most of the time. The probe
// therefore starts each object's reads some objects before its turn, one step
// of the chain per object: while it walks object i, it has the model data of
// object i + 3 fetched, looks up object i + 2 (its entry and directory, now
// at hand) and has its first records fetched, and reads those of object i + 1
// to have the record after its first sphere fetched. Fetching reads nothing:
// only bytes a check vouched for are read. The results are the written
// walk's: an object looked up ahead is walked only once the count, read
// again, says it is in the table.

// How far ahead of the object walked each step of the chain is taken.
constexpr uint32_t ModelsAhead = 3, LookUpsAhead = 2, RecordsAhead = 1;
constexpr uint32_t LookedUp = LookUpsAhead + 1; // objects looked up and not yet walked

// What the look-up of one object found.
struct Object {
    uint32_t Index = UINT32_MAX; // which object, once looked up
    bool Entry = false;          // its entry could be read; if not, the table ends there
    bool Block = false;          // it has a geometry block, at At
    uint32_t At = 0;
    int32_t PastHead = 0;      // directory entries read past the model data's head
    host::ByteSpan Model = {}; // the stretch its model data was read from
};

// The stretches each kind of read was last served from: going from one kind to
// the next asks the byte source nothing again.
struct TableSpans {
    host::ByteSpan Count, Entries, Models;
};

const uint8_t* EntryOf(const Walker& w, TableSpans& t, uint32_t firstEntry, uint32_t i) {
    uint64_t at = firstEntry + uint64_t(i) * host::SceneObjectEntrySize;
    if (at + host::SceneObjectEntrySize > 0x100000000ull) return nullptr;
    return host::View(w.Bytes, t.Entries, uint32_t(at), host::SceneObjectEntrySize);
}

constexpr uint32_t FirstRecordsSize =
    host::GeometryReferencePointSize + sizeof(host::GeometrySphere); // a point and a sphere

Object LookUp(const Walker& w, TableSpans& t, uint32_t firstEntry, uint32_t i) {
    Object o;
    o.Index = i;
    const uint8_t* entry = EntryOf(w, t, firstEntry, i);
    if (!entry) return o;
    o.Entry = true;
    uint32_t model = Field<uint32_t>(entry + offsetof(host::SceneObjectEntry, ModelData));
    o.Block = FindGeometryBlock(w, t.Models, model, o.At, o.PastHead);
    o.Model = t.Models;
    if (o.Block) host::Ahead(w.Bytes, o.At, FirstRecordsSize);
    return o;
}

// The directory's tag, count and first entries: what a look-up reads of
// the model data, as a rule.
constexpr uint32_t DirectoryHeadSize =
    host::SceneDirectoryEntriesAt - host::SceneDirectoryTagAt + 2 * host::ModelDirectoryEntrySize;

// The directory's head of entry i's model data, on its way: only from an entry
// already known readable, which asks the byte source nothing.
void FetchModel(const Walker& w, const TableSpans& t, uint32_t firstEntry, uint32_t i) {
    uint64_t at = firstEntry + uint64_t(i) * host::SceneObjectEntrySize +
                  offsetof(host::SceneObjectEntry, ModelData);
    const host::ByteSpan& e = t.Entries;
    if (at < e.At || at + 4 > uint64_t(e.At) + e.Size) return;
    uint32_t model = Field<uint32_t>(e.Bytes + (at - e.At));
    host::Ahead(w.Bytes, model + host::SceneDirectoryTagAt, DirectoryHeadSize);
}

// When the object's stream starts as a rule, with a reference point and the
// sphere around it all, the record that sphere skips to on a miss, on its way.
void FetchAfterFirstSphere(const Walker& w, const Object& o) {
    if (!o.Block || uint64_t(o.At) + FirstRecordsSize > 0x100000000ull) return;
    host::ByteSpan heads = o.Model; // the geometry often lies just after the directory
    const uint8_t* r = host::View(w.Bytes, heads, o.At, FirstRecordsSize);
    if (!r) return;
    const uint8_t* sphere = r + host::GeometryReferencePointSize;
    if (Field<uint16_t>(r) != host::GeometryOpReferencePoint ||
        Field<uint16_t>(sphere) != host::GeometryOpSphere)
        return;
    int32_t skip = Field<int32_t>(sphere + offsetof(host::GeometrySphere, SkipLength));
    host::Ahead(w.Bytes, o.At + host::GeometryReferencePointSize + uint32_t(skip), 2);
}

} // namespace

geometry::Vector3 RelativePosition(const SpherePoint& p, const SpherePoint& q) {
    return Relative(p, FrameOf(q));
}

bool RayEntersBoundingSphere(const geometry::Ray& ray, const geometry::Vector3& centre,
                             double radius) {
    return geometry::RaySphere(ray, centre, SphereRadiusScale2 * radius * radius).Hit;
}

double RayTriangle(const geometry::Ray& ray, const geometry::Vector3& v0,
                   const geometry::Vector3& v1, const geometry::Vector3& v2,
                   const geometry::Vector3& n) {
    const double v[3][3] = {{v0.X, v0.Y, v0.Z}, {v1.X, v1.Y, v1.Z}, {v2.X, v2.Y, v2.Z}};
    const double normal[3] = {n.X, n.Y, n.Z};
    return TriangleDistance(ray, v, normal);
}

int32_t GroundProbe(const host::ByteSource& bytes, uint32_t sceneObjectTable,
                    GroundProbeRecord& probe, const GeometryLimits& limits) {
    probe.NearestDistance = NoHit;
    TableSpans t;
    const uint8_t* header =
        sceneObjectTable ? host::View(bytes, t.Count, sceneObjectTable, host::SceneTableCheckSize)
                         : nullptr;
    if (!header) return 0;
    uint32_t firstEntry = Field<uint32_t>(header + offsetof(host::SceneTableHeader, FirstEntry));
    SpherePoint q{probe.Latitude, probe.Longitude, probe.Altitude + host::EarthRadius};
    Walker w{bytes, limits, {probe.RayOrigin, probe.RayDirection}, FrameOf(q)};
    const Vector3& o = probe.RayOrigin;
    const Vector3& u = probe.RayDirection;
    double length2 = u.X * u.X + u.Y * u.Y + u.Z * u.Z;
    w.PassOverFar = std::isfinite(o.X) && std::isfinite(o.Y) && std::isfinite(o.Z) &&
                    std::fabs(length2 - 1.0) <= 1e-12 && std::isfinite(w.Frame.Point.X) &&
                    std::isfinite(w.Frame.Point.Y) && std::isfinite(w.Frame.Point.Z);
    Vector3 origin = ToEarth(o, w.Frame);
    w.Earth = {{origin.X + w.Frame.Point.X, origin.Y + w.Frame.Point.Y, origin.Z + w.Frame.Point.Z},
               ToEarth(u, w.Frame)};
    w.BudgetRecords = limits.ProbeRecords;
    w.BudgetTriangles = limits.ProbeTriangles;
    Object ahead[LookedUp]; // object i in ahead[i % LookedUp]
    for (uint32_t i = 0; !w.Spent; ++i) {
        // The host may change the count while the walk runs: it is read again.
        const uint8_t* counted = host::View(bytes, t.Count, sceneObjectTable, sizeof(int32_t));
        if (!counted) break;
        int64_t count = Field<int32_t>(counted);
        if (i >= count) break;
        Object& current = ahead[i % LookedUp];
        if (current.Index != i) current = LookUp(w, t, firstEntry, i);
        if (!current.Entry) break; // the end of the table's readable stretch
        if (i + ModelsAhead < count) FetchModel(w, t, firstEntry, i + ModelsAhead);
        if (i + LookUpsAhead < count)
            ahead[(i + LookUpsAhead) % LookedUp] = LookUp(w, t, firstEntry, i + LookUpsAhead);
        const Object& soon = ahead[(i + RecordsAhead) % LookedUp];
        if (soon.Index == i + RecordsAhead) FetchAfterFirstSphere(w, soon);
        // Directory entries past the heads count against the budget of records.
        w.BudgetRecords -= current.PastHead;
        if (w.BudgetRecords < 0) break;
        if (!current.Block) continue;
        w.Records = limits.Records;
        w.Triangles = limits.Triangles;
        w.Stream = current.Model; // the geometry often lies just after the directory
        WalkStream(w, current.At, {0.0, 0.0, 0.0}, 0);
    }
    probe.NearestDistance = w.Nearest;
    return 1;
}

} // namespace walk
