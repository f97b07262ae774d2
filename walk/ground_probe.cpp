#include "walk/ground_probe.h"

#include "host/scene.h"

#include <cmath>
#include <cstring>

namespace walk {

namespace {

using camera::Vector3;

// ---- The probe point's frame ------------------------------------------------------

// A rotation's cosine and sine, computed once for an angle used many times.
struct Turn {
    double C, S;
};

Turn TurnOf(double angle) {
    return {std::cos(angle), std::sin(angle)};
}

// About X: y' = y cos a - z sin a, z' = y sin a + z cos a.
void RotateX(Vector3& v, const Turn& t) {
    double y = v.Y, z = v.Z;
    v.Y = t.C * y - t.S * z;
    v.Z = t.S * y + t.C * z;
}

// About Y: x' = x cos a + z sin a, z' = -x sin a + z cos a.
void RotateY(Vector3& v, const Turn& t) {
    double x = v.X, z = v.Z;
    v.X = t.C * x + t.S * z;
    v.Z = -t.S * x + t.C * z;
}

// A point on the earth, from its centre: (0, 0, -radius) turned by the latitude
// about X, then by minus the longitude about Y.
Vector3 EarthCentred(const SpherePoint& p) {
    Vector3 v{0.0, 0.0, -p.Radius};
    RotateX(v, TurnOf(p.Latitude * ProbeDegreesToRadians));
    RotateY(v, TurnOf(-p.Longitude * ProbeDegreesToRadians));
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
            TurnOf(q.Longitude * ProbeDegreesToRadians),
            TurnOf(-q.Latitude * ProbeDegreesToRadians),
            TurnOf(ProbeQuarterTurn),
            q.Latitude * ProbeDegreesToRadians,
            -q.Longitude * ProbeDegreesToRadians};
}

Vector3 Relative(const SpherePoint& p, const ProbeFrame& q) {
    Vector3 a = EarthCentred(p);
    Vector3 d{a.X - q.Point.X, a.Y - q.Point.Y, a.Z - q.Point.Z};
    RotateY(d, q.Longitude);
    RotateX(d, q.MinusLatitude);
    RotateX(d, q.Quarter);
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
bool NearEarthCentred(const host::GeometryReferencePoint& p, const ProbeFrame& q, Vector3& near) {
    double latitude = p.Latitude * ProbeDegreesToRadians;
    double minusLongitude = -double(p.Longitude) * ProbeDegreesToRadians;
    double dl = latitude - q.Latitude, dm = minusLongitude - q.MinusLongitude;
    if (!(std::fabs(dl) <= NearAngleLimit && std::fabs(dm) <= NearAngleLimit &&
          std::fabs(p.Altitude) <= NearAltitudeLimit))
        return false;
    double r = p.Altitude + ProbeEarthRadius;
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
    RotateX(v, {q.Quarter.C, -q.Quarter.S});
    RotateX(v, {q.MinusLatitude.C, -q.MinusLatitude.S});
    RotateY(v, {q.Longitude.C, -q.Longitude.S});
    return v;
}

// True when the written ray-sphere test misses the sphere of squared radius
// squaredRadius centred at centre from a reference point whose earth-centred
// point lies within NearError of near: the ray passes that point by more than
// the centre's length, the error and the radius, with room for the test's
// own rounding. Rotations keep lengths, so this holds in the probe's frame.
bool SurelyMissed(const EarthRay& ray, const Vector3& near, const Vector3& centre,
                  double squaredRadius) {
    double mx = near.X - ray.Origin.X, my = near.Y - ray.Origin.Y, mz = near.Z - ray.Origin.Z;
    double l = mx * mx + my * my + mz * mz;
    double s = mx * ray.Direction.X + my * ray.Direction.Y + mz * ray.Direction.Z;
    double beside = l - s * s; // squared distance from the ray's line
    if (!(beside > 0.0)) return false;
    double length =
        std::fabs(centre.X) + std::fabs(centre.Y) + std::fabs(centre.Z); // >= its length
    double reach = std::sqrt(beside) - NearError - length;
    return reach > 0.0 && reach * reach - squaredRadius > 1e-9 * l + 1.0;
}

// ---- Ray and triangle --------------------------------------------------------------

// One triangle as the stream holds it (f32, from the sphere's centre k), in f64.
inline double TriangleDistance(const pilot::Ray& ray, const double (&v)[3][3],
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
    if (-ParallelLimit < e && e < ParallelLimit) return NoGroundHit;
    double t = -((n[0] * o[0] + n[1] * o[1] + n[2] * o[2]) -
                 (n[0] * v0[0] + n[1] * v0[1] + n[2] * v0[2])) /
               e;
    if (t < NearestHitLimit || t > FarthestHitLimit) return NoGroundHit;
    double ha = o[a] + t * u[a], hb = o[b] + t * u[b];
    bool inside = (v1[a] - v0[a]) * (v1[b] - hb) <= (v1[b] - v0[b]) * (v1[a] - ha) &&
                  (v2[a] - v1[a]) * (v2[b] - hb) <= (v2[b] - v1[b]) * (v2[a] - ha) &&
                  (v0[a] - v2[a]) * (v0[b] - hb) <= (v0[b] - v2[b]) * (v0[a] - ha);
    return inside ? t : NoGroundHit;
}

// ---- The stream walk ----------------------------------------------------------------

constexpr uint32_t WindowSize = 64; // stream bytes fetched at once: a few records
constexpr uint32_t TriangleBatch = 32;

// One probe's walk over the objects' streams. Nothing is allocated: the
// bytes read land in the two buffers here.
struct Walker {
    const host::ByteSource& Bytes;
    const GeometryLimits& Limits;
    pilot::Ray Ray;
    ProbeFrame Frame;
    bool PassOverFar = false; // the ray suits SurelyMissed
    EarthRay Earth = {};
    double Nearest = NoGroundHit;
    int32_t Records = 0, Triangles = 0; // what is left of this object's bounds
    uint32_t WindowAt = 0, WindowLength = 0;
    uint8_t Window[WindowSize] = {};
    host::GeometryTriangle Batch[TriangleBatch] = {};
};

bool Read(const Walker& w, uint64_t at, void* out, uint32_t size) {
    if (at + size > 0x100000000ull) return false; // past the address space
    return w.Bytes.Read(w.Bytes.Context, uint32_t(at), out, size);
}

// size bytes of the stream at at, from the window or freshly read into it;
// null when they cannot be read.
const uint8_t* Need(Walker& w, uint32_t at, uint32_t size) {
    if (w.WindowLength != 0 && at >= w.WindowAt &&
        uint64_t(at) + size <= uint64_t(w.WindowAt) + w.WindowLength)
        return w.Window + (at - w.WindowAt);
    // The record's own bytes decide, whatever lies after it.
    w.WindowLength = 0;
    if (Read(w, at, w.Window, WindowSize))
        w.WindowLength = WindowSize;
    else if (Read(w, at, w.Window, size))
        w.WindowLength = size;
    else
        return nullptr;
    w.WindowAt = at;
    return w.Window;
}

template <class T> T Field(const uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The next record at at + length, if that moves the walk forward within the
// address space.
bool Advance(uint32_t& at, int64_t length) {
    int64_t next = int64_t(at) + length;
    if (length <= 0 || next > int64_t(UINT32_MAX)) return false;
    at = uint32_t(next);
    return true;
}

void TestTriangles(Walker& w, const host::GeometryTriangle* list, uint32_t count,
                   const Vector3& k) {
    for (uint32_t i = 0; i < count; ++i) {
        const host::GeometryTriangle& f = list[i];
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
        if (w.Triangles < int32_t(batch)) return false;
        w.Triangles -= int32_t(batch);
        if (Read(w, at, w.Batch, batch * host::GeometryTriangleSize)) {
            TestTriangles(w, w.Batch, batch, k);
        } else {
            // The batch runs into unreadable memory: the triangles up to it.
            for (uint32_t i = 0; i < batch; ++i) {
                uint64_t one = at + uint64_t(i) * host::GeometryTriangleSize;
                if (!Read(w, one, w.Batch, host::GeometryTriangleSize)) return false;
                TestTriangles(w, w.Batch, 1, k);
            }
        }
        at += uint64_t(batch) * host::GeometryTriangleSize;
        n -= int32_t(batch);
    }
    return true;
}

// An offset that may wait for its reference point's exact place: Point plus
// Centre, exact once Pending is cleared.
struct Offset {
    Vector3 Value;
    bool Pending;
    host::GeometryReferencePoint Point;
    float Centre[3];
};

const Vector3& Exact(Walker& w, Offset& o) {
    if (o.Pending) {
        Vector3 b = Relative(
            {o.Point.Latitude, o.Point.Longitude, o.Point.Altitude + ProbeEarthRadius}, w.Frame);
        o.Value = {o.Centre[0] + b.X, o.Centre[1] + b.Y, o.Centre[2] + b.Z};
        o.Pending = false;
    }
    return o.Value;
}

// One stream from at with the offset it inherits; streams it calls are walked
// within it. Returns when the stream ends, or when a record cannot be read, would
// not move the walk forward or lies past the bounds: that ends this stream only.
void WalkStream(Walker& w, uint32_t at, const Vector3& inherited, int32_t depth) {
    if (depth > w.Limits.CallDepth) return;
    Offset base{inherited, false, {}, {0.0f, 0.0f, 0.0f}};
    Offset current = base;
    Vector3 nearPoint{}; // base's point, earth-centred, while base is pending
    for (;;) {
        if (w.Records <= 0) return;
        --w.Records;
        const uint8_t* r = Need(w, at, 2);
        if (!r) return;
        switch (Field<uint16_t>(r)) {
        case host::GeometryOpCall: {
            if (!(r = Need(w, at, host::GeometryCallSize))) return;
            int32_t offset = Field<int32_t>(r + offsetof(host::GeometryCallRecord, Offset));
            if (offset == 0) return; // it would call itself for ever
            WalkStream(w, at + uint32_t(offset), Exact(w, current), depth + 1);
            if (!Advance(at, host::GeometryCallSize)) return;
            break;
        }
        case host::GeometryOpReferencePoint: {
            if (!(r = Need(w, at, sizeof(host::GeometryReferencePoint)))) return;
            base.Point = Field<host::GeometryReferencePoint>(r);
            base.Pending = true;
            if (!w.PassOverFar || !NearEarthCentred(base.Point, w.Frame, nearPoint)) Exact(w, base);
            if (!Advance(at, host::GeometryReferencePointSize)) return;
            break;
        }
        case host::GeometryOpSphere: {
            if (!(r = Need(w, at, sizeof(host::GeometrySphere)))) return;
            host::GeometrySphere s = Field<host::GeometrySphere>(r);
            double radius = s.Radius;
            double squaredRadius = SphereRadiusScale2 * radius * radius;
            bool hit = false;
            Vector3 centre{s.Centre[0], s.Centre[1], s.Centre[2]};
            if (base.Pending && SurelyMissed(w.Earth, nearPoint, centre, squaredRadius)) {
                current = base; // the centre waits with the point
                std::memcpy(current.Centre, s.Centre, sizeof s.Centre);
            } else {
                const Vector3& b = Exact(w, base);
                current = {
                    {s.Centre[0] + b.X, s.Centre[1] + b.Y, s.Centre[2] + b.Z}, false, {}, {}};
                hit = pilot::RaySphere(w.Ray, current.Value, squaredRadius).Hit;
            }
            if (!Advance(at, hit ? int64_t(s.EnterLength) : int64_t(s.SkipLength))) return;
            break;
        }
        case host::GeometryOpTriangles: {
            if (!(r = Need(w, at, host::GeometryTriangleListHeaderSize))) return;
            int32_t n = Field<int32_t>(r + offsetof(host::GeometryTriangleList, Count));
            if (n < 0) return; // its length would point back
            if (n > 0 && !WalkTriangles(w, uint64_t(at) + host::GeometryTriangleListHeaderSize, n,
                                        Exact(w, current)))
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
// entries. False for none, or for model data or a directory that cannot be read.
bool FindGeometryBlock(const host::ByteSource& bytes, int32_t limit, uint32_t model,
                       uint32_t& block) {
    uint8_t head[host::SceneModelCheckSize];
    if (!bytes.Read(bytes.Context, model, head, sizeof head)) return false;
    if (std::memcmp(head + host::SceneDirectoryTagAt, host::SceneDirectoryTag, 4) != 0)
        return false;
    int32_t count = Field<int32_t>(head + host::SceneDirectoryCountAt);
    if (count > limit) count = limit;
    for (int32_t i = 0; i < count; ++i) {
        uint32_t offset =
            host::SceneDirectoryEntriesAt + uint32_t(i) * host::SceneDirectoryEntrySize;
        uint64_t at = uint64_t(model) + offset;
        uint8_t entry[host::SceneDirectoryEntrySize];
        if (offset + sizeof entry <= sizeof head)
            std::memcpy(entry, head + offset, sizeof entry);
        else if (at + sizeof entry > 0x100000000ull ||
                 !bytes.Read(bytes.Context, uint32_t(at), entry, sizeof entry))
            return false;
        int32_t from = Field<int32_t>(entry + 4);
        if (std::memcmp(entry, host::GeometryBlockTag, 4) == 0 && from != 0) {
            block = uint32_t(at) + uint32_t(from);
            return true;
        }
    }
    return false;
}

} // namespace

camera::Vector3 RelativePosition(const SpherePoint& p, const SpherePoint& q) {
    return Relative(p, FrameOf(q));
}

bool RayEntersBoundingSphere(const pilot::Ray& ray, const camera::Vector3& centre, double radius) {
    return pilot::RaySphere(ray, centre, SphereRadiusScale2 * radius * radius).Hit;
}

double RayTriangle(const pilot::Ray& ray, const camera::Vector3& v0, const camera::Vector3& v1,
                   const camera::Vector3& v2, const camera::Vector3& n) {
    const double v[3][3] = {{v0.X, v0.Y, v0.Z}, {v1.X, v1.Y, v1.Z}, {v2.X, v2.Y, v2.Z}};
    const double normal[3] = {n.X, n.Y, n.Z};
    return TriangleDistance(ray, v, normal);
}

int32_t GroundProbe(const host::ByteSource& bytes, uint32_t sceneObjectTable,
                    GroundProbeRecord& probe, const GeometryLimits& limits) {
    probe.NearestDistance = NoGroundHit;
    host::SceneTableHeader table;
    if (sceneObjectTable == 0 || !bytes.Read(bytes.Context, sceneObjectTable, &table, sizeof table))
        return 0;
    SpherePoint q{probe.Latitude, probe.Longitude, probe.Altitude + ProbeEarthRadius};
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
    for (uint32_t i = 0;; ++i) {
        int32_t count; // the host may change it while the walk runs
        if (!bytes.Read(bytes.Context, sceneObjectTable, &count, sizeof count)) break;
        if (int64_t(i) >= count) break;
        uint64_t at = table.FirstEntry + uint64_t(i) * host::SceneObjectEntrySize;
        host::SceneObjectEntry entry;
        if (at + sizeof entry > 0x100000000ull ||
            !bytes.Read(bytes.Context, uint32_t(at), &entry, sizeof entry))
            break; // the end of the table's readable stretch
        uint32_t block;
        if (!FindGeometryBlock(bytes, limits.Directory, entry.ModelData, block)) continue;
        w.Records = limits.Records;
        w.Triangles = limits.Triangles;
        w.WindowLength = 0;
        WalkStream(w, block, {0.0, 0.0, 0.0}, 0);
    }
    probe.NearestDistance = w.Nearest;
    return 1;
}

} // namespace walk
