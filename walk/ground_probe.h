// The ground probe: a ray cast straight down onto every object of the host's
// scene finds the surface the walker stands on. Each object's geometry is a
// stream of records in host memory: calls of other streams, reference points
// that place what follows on the earth, bounding spheres that let the walk
// skip whole groups of triangles, and triangle lists. Pure: the host's bytes
// come through a ByteSource (host memory for the module, plain bytes for the
// tests), every read of them checked.
#pragma once

#include "geometry/geometry.h"
#include "host/byte_source.h"
#include "host/units.h"

#include <cstdint>

namespace walk {

// ---- Constants of the host's geometry, used exactly as the host's -----------

constexpr double NoHit = 1e10;             // the nearest distance when nothing is hit
constexpr double ParallelLimit = 1e-10;    // |N.u| below it: the ray runs along the plane
constexpr double NearestHitLimit = 1e-10;  // a hit nearer than this is behind the origin
constexpr double FarthestHitLimit = 1e10;  // a hit farther than this is none
constexpr double SphereRadiusScale2 = 2.0; // the squared radius is doubled: radius x sqrt 2

// ---- Bounds of the walk: the host's data is trusted no further ----------------

constexpr int32_t GeometryCallDepthLimit = 16;     // streams called within each other
constexpr int32_t GeometryRecordLimit = 65536;     // records in one object's walk
constexpr int32_t GeometryTriangleLimit = 1 << 20; // triangles in one object's walk
constexpr int32_t GeometryDirectoryLimit = 4096;   // directory entries searched

// The budget of one probe, over all objects: records (with the directory
// entries read past each model data's first bytes) and triangles. A record
// that costs more counts for more: a reference point placed exactly (its
// sines and cosines) as PlacementCost records, a sphere tested exactly as
// SphereCost. An object far from the ray takes three records, so some forty
// thousand fit in it, four times the densest scene the benchmarks give; a
// probe of that scene tests about a hundred triangles. Past the budget the
// probe stops with the nearest hit found so far: streams made to call
// themselves cost a frame a millisecond at most.
constexpr int32_t ProbeRecordBudget = 1 << 17;
constexpr int32_t ProbeTriangleBudget = 1 << 15;
constexpr int32_t PlacementCost = 16;
constexpr int32_t SphereCost = 2;

// The bounds one probe keeps to; the module uses the defaults. A caller that
// runs the walk very often over hostile data (a fuzzer) may give tighter ones:
// the same code paths, reached sooner.
struct GeometryLimits {
    int32_t CallDepth = GeometryCallDepthLimit;
    int32_t Records = GeometryRecordLimit;
    int32_t Triangles = GeometryTriangleLimit;
    int32_t Directory = GeometryDirectoryLimit;
    int32_t ProbeRecords = ProbeRecordBudget;
    int32_t ProbeTriangles = ProbeTriangleBudget;
};

// Filled by the caller; NearestDistance is the result. f64 throughout.
struct GroundProbeRecord {
    double Latitude, Longitude;     // the probe point, degrees
    double Altitude;                // metres
    geometry::Vector3 RayOrigin;    // in the probe point's frame: X east, Y up, Z north, metres
    geometry::Vector3 RayDirection; // length 1, same frame
    double NearestDistance;         // along the ray; NoHit when nothing is hit
};

// A point given by latitude and longitude (degrees) and its distance from the
// earth's centre (metres).
struct SpherePoint {
    double Latitude, Longitude, Radius;
};

// Where p lies seen from q, in q's frame (X east, Y up, Z north, metres), by
// the host's rotations and constants.
geometry::Vector3 RelativePosition(const SpherePoint& p, const SpherePoint& q);

// True when the ray passes through the sphere of that radius enlarged by sqrt 2.
bool RayEntersBoundingSphere(const geometry::Ray& ray, const geometry::Vector3& centre,
                             double radius);

// Distance along the ray to the triangle (v0, v1, v2) of plane normal n, or
// NoHit. Points on an edge are inside; a ray along the plane, or a hit
// nearer than NearestHitLimit or farther than FarthestHitLimit, is no hit.
double RayTriangle(const geometry::Ray& ray, const geometry::Vector3& v0,
                   const geometry::Vector3& v1, const geometry::Vector3& v2,
                   const geometry::Vector3& n);

// Sets probe.NearestDistance to the nearest hit of the probe's ray on the
// objects of the scene object table at sceneObjectTable, NoHit for none.
// Gives 0 when the table is absent or unreadable, else 1. An object whose
// entry, model data, directory or geometry cannot be read is passed over; the
// first entry that cannot be read ends the table. A corrupt stream ends its
// own walk: a record that cannot be read, would not move the walk forward, or
// lies past the bounds in limits. Past the probe's budget the whole probe ends.
int32_t GroundProbe(const host::ByteSource& bytes, uint32_t sceneObjectTable,
                    GroundProbeRecord& probe, const GeometryLimits& limits = {});

} // namespace walk
