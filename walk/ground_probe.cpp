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
};

ProbeFrame FrameOf(const SpherePoint& q) {
    return {EarthCentred(q), TurnOf(q.Longitude * ProbeDegreesToRadians),
            TurnOf(-q.Latitude * ProbeDegreesToRadians), TurnOf(ProbeQuarterTurn)};
}

Vector3 Relative(const SpherePoint& p, const ProbeFrame& q) {
    Vector3 a = EarthCentred(p);
    Vector3 d{a.X - q.Point.X, a.Y - q.Point.Y, a.Z - q.Point.Z};
    RotateY(d, q.Longitude);
    RotateX(d, q.MinusLatitude);
    RotateX(d, q.Quarter);
    return d;
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
    const pilot::ByteSource& Bytes;
    pilot::Ray Ray;
    ProbeFrame Frame;
    double Nearest;
    int32_t Records, Triangles; // what is left of this object's bounds
    uint32_t WindowAt, WindowLength;
    uint8_t Window[WindowSize];
    host::GeometryTriangle Batch[TriangleBatch];
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

// One stream from at with the offset it inherits; streams it calls are walked
// within it. Returns when the stream ends, or when a record cannot be read, would
// not move the walk forward or lies past the bounds: that ends this stream only.
void WalkStream(Walker& w, uint32_t at, const Vector3& inherited, int32_t depth) {
    if (depth > GeometryCallDepthLimit) return;
    Vector3 base = inherited, current = inherited;
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
            WalkStream(w, at + uint32_t(offset), current, depth + 1);
            if (!Advance(at, host::GeometryCallSize)) return;
            break;
        }
        case host::GeometryOpReferencePoint: {
            if (!(r = Need(w, at, sizeof(host::GeometryReferencePoint)))) return;
            host::GeometryReferencePoint p = Field<host::GeometryReferencePoint>(r);
            base = Relative({p.Latitude, p.Longitude, p.Altitude + ProbeEarthRadius}, w.Frame);
            if (!Advance(at, host::GeometryReferencePointSize)) return;
            break;
        }
        case host::GeometryOpSphere: {
            if (!(r = Need(w, at, sizeof(host::GeometrySphere)))) return;
            host::GeometrySphere s = Field<host::GeometrySphere>(r);
            current = {s.Centre[0] + base.X, s.Centre[1] + base.Y, s.Centre[2] + base.Z};
            double radius = s.Radius;
            bool hit = pilot::RaySphere(w.Ray, current, SphereRadiusScale2 * radius * radius).Hit;
            if (!Advance(at, hit ? int64_t(s.EnterLength) : int64_t(s.SkipLength))) return;
            break;
        }
        case host::GeometryOpTriangles: {
            if (!(r = Need(w, at, host::GeometryTriangleListHeaderSize))) return;
            int32_t n = Field<int32_t>(r + offsetof(host::GeometryTriangleList, Count));
            if (n < 0) return; // its length would point back
            if (!WalkTriangles(w, uint64_t(at) + host::GeometryTriangleListHeaderSize, n, current))
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
// directory whose offset is not 0, from that entry. False for none, or for
// model data or a directory that cannot be read.
bool FindGeometryBlock(const pilot::ByteSource& bytes, uint32_t model, uint32_t& block) {
    uint8_t head[host::SceneModelCheckSize];
    if (!bytes.Read(bytes.Context, model, head, sizeof head)) return false;
    if (std::memcmp(head + host::SceneDirectoryTagAt, host::SceneDirectoryTag, 4) != 0)
        return false;
    int32_t count = Field<int32_t>(head + host::SceneDirectoryCountAt);
    if (count > GeometryDirectoryLimit) count = GeometryDirectoryLimit;
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

int32_t GroundProbe(const pilot::ByteSource& bytes, uint32_t sceneObjectTable,
                    GroundProbeRecord& probe) {
    probe.NearestDistance = NoGroundHit;
    host::SceneTableHeader table;
    if (sceneObjectTable == 0 || !bytes.Read(bytes.Context, sceneObjectTable, &table, sizeof table))
        return 0;
    SpherePoint q{probe.Latitude, probe.Longitude, probe.Altitude + ProbeEarthRadius};
    Walker w{bytes, {probe.RayOrigin, probe.RayDirection}, FrameOf(q), NoGroundHit, 0, 0, 0, 0, {},
             {}};
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
        if (!FindGeometryBlock(bytes, entry.ModelData, block)) continue;
        w.Records = GeometryRecordLimit;
        w.Triangles = GeometryTriangleLimit;
        w.WindowLength = 0;
        WalkStream(w, block, {0.0, 0.0, 0.0}, 0);
    }
    probe.NearestDistance = w.Nearest;
    return 1;
}

} // namespace walk
