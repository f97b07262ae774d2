// The host's scene around the aircraft, as the ground probe finds it: the
// scene object table in G3D.DLL, each object's model data with its "BLCK"
// geometry stream (a reference point, bounding spheres, triangle lists), and
// the records the outside walk writes (the eye's position and attitude in
// GLOBAL.DLL, the scene's view matrix, the view's camera block).
#include "standin/standin.h"

#include "host/discovery.h"
#include "host/units.h"
#include "standin/scene.h"

#include <cmath>
#include <cstring>

namespace standin {

namespace {

// Where the scene stands: around the aircraft's start in the walking scenarios.
constexpr double kOriginLatitude = scene::OriginLatitude, kOriginLongitude = scene::OriginLongitude;
constexpr double kGroundAltitude = scene::GroundAltitude;
constexpr double kMetresPerDegree = host::MetresPerDegreeLatitude; // the host's metres north
static_assert(kMetresPerDegree == scene::MetresPerDegree);

// The walk reads the host's metres north with a degree of its own (and writes
// its eye back in the same metres): the scene's latitudes are given in it.
double WalkLatitude(double hostDegrees) {
    return hostDegrees * kMetresPerDegree / host::EyeRecordMetresPerDegree;
}

constexpr int kObjectCount = scene::ObjectCount;

constexpr uint32_t kEntrySize = 104;
uint8_t Entries[kObjectCount * kEntrySize];
uint8_t Models[kObjectCount][1024];
uint8_t CameraBlockBytes[sizeof(host::CameraBlock)];
uint8_t CameraSubBlockBytes[sizeof(host::CameraSubBlock)];

constexpr size_t kSphereSize = 26;
constexpr size_t kRoofListSize = 6 + 2 * 48;

// A sphere record whose contents (enter) are the next `contents` bytes.
void Sphere(ByteWriter& w, float x, float y, float z, float radius, size_t contents) {
    w.Put<uint16_t>(0xF004);
    w.Put<uint16_t>(uint16_t(kSphereSize));
    w.Put<int32_t>(int32_t(kSphereSize + contents));
    w.Put<uint16_t>(0);
    w.Put(x), w.Put(y), w.Put(z), w.Put(radius);
}

// A flat roof of two triangles, relative to the sphere before it.
void Roof(ByteWriter& w, float halfEast, float halfNorth, float y) {
    w.Put<uint16_t>(0xF005);
    w.Put<int32_t>(2);
    const float corners[2][3][2] = {{{-1, -1}, {1, -1}, {1, 1}}, {{-1, -1}, {1, 1}, {-1, 1}}};
    for (const auto& triangle : corners) {
        for (const auto& c : triangle) w.Put(c[0] * halfEast), w.Put(y), w.Put(c[1] * halfNorth);
        w.Put(0.0f), w.Put(1.0f), w.Put(0.0f);
    }
}

void BuildObject(const scene::Object& o, uint8_t* model) {
    std::memset(model, 0, 1024);
    std::memcpy(model + 124, "PNTR", 4);
    ByteWriter w{model, 132};
    int32_t entries = 1;
    w.PutAt(128, entries);
    if (!o.HasGeometry) {
        w.Put<uint32_t>(0x4C414D41); // a block of another kind
        w.Put<int32_t>(64);
        return;
    }
    size_t entry = w.At;
    w.Put<uint32_t>(0), w.Put<int32_t>(0); // "BLCK", offset: filled in below
    std::memcpy(model + entry, "BLCK", 4);
    size_t stream = w.At;
    w.PutAt(entry + 4, int32_t(stream - entry));
    // The reference point: the object's place, on the ground.
    w.Put<uint16_t>(0xF002);
    w.Put(float(WalkLatitude(kOriginLatitude + o.NorthMetres / kMetresPerDegree)));
    w.Put(float(kOriginLongitude +
                o.EastMetres / (kMetresPerDegree * std::cos(kOriginLatitude * Pi / 180.0))));
    w.Put(float(kGroundAltitude));
    for (int i = 0; i < 16; ++i) w.Put<uint8_t>(0);
    float radius = float(std::hypot(o.HalfEast, o.HalfNorth) * 0.8); // x sqrt 2 by the probe
    float middle = float(o.Height / 2);
    if (!o.Nested) {
        Sphere(w, 0.0f, middle, 0.0f, radius, kRoofListSize);
        Roof(w, float(o.HalfEast), float(o.HalfNorth), float(o.Height) - middle);
        w.Put<uint16_t>(0xF001);
        return;
    }
    // An outer sphere around the building, whose contents call a stream of
    // its own: an inner sphere around the top and the roof.
    Sphere(w, 0.0f, middle, 0.0f, float(radius + o.Height / 2), 6);
    size_t call = w.At;
    w.Put<uint16_t>(0xF000), w.Put<int32_t>(0);
    w.Put<uint16_t>(0xF001);
    w.PutAt(call + 2, int32_t(w.At - call));
    Sphere(w, 0.0f, float(o.Height) - 1.0f - middle, 0.0f, radius, kRoofListSize);
    Roof(w, float(o.HalfEast), float(o.HalfNorth), 1.0f);
    w.Put<uint16_t>(0xF001);
}

} // namespace

void PrepareScene(uint8_t* g3d, host::ViewRecord& cockpit) {
    for (int i = 0; i < kObjectCount; ++i) {
        BuildObject(scene::Objects[i], Models[i]);
        uint32_t model = AddressOf(Models[i]);
        std::memcpy(Entries + i * kEntrySize + 96, &model, 4);
    }
    uint8_t* table = g3d + host::SceneObjectTableOffset;
    int32_t count = kObjectCount;
    uint32_t first = AddressOf(Entries);
    std::memcpy(table, &count, 4);
    std::memcpy(table + 12, &first, 4);
    uint32_t sub = AddressOf(CameraSubBlockBytes);
    std::memcpy(CameraBlockBytes + 120, &sub, 4);
    cockpit.CameraBlock = AddressOf(CameraBlockBytes);
}

WalkReading ReadWalk() {
    WalkReading r;
    host::LatLonAlt eye;
    std::memcpy(
        &eye,
        reinterpret_cast<const void*>(uintptr_t(GlobalBase() + host::EyePositionRecordOffset)),
        sizeof eye);
    auto value = [](const host::FixedPoint& p) {
        double f = p.Fraction / 4294967295.0;
        return p.Whole < 0 ? p.Whole - f : p.Whole + f;
    };
    r.Latitude = value(eye.Latitude) / kMetresPerDegree; // in the host's degrees
    r.WalkLatitude = value(eye.Latitude) / host::EyeRecordMetresPerDegree;
    r.Longitude = value(eye.Longitude) / 11930464.711111;
    r.Altitude = value(eye.Altitude);
    r.Written = eye.Latitude.Whole != 0 || eye.Latitude.Fraction != 0;
    std::memcpy(
        &r.Attitude,
        reinterpret_cast<const void*>(uintptr_t(GlobalBase() + host::EyeAttitudeRecordOffset)),
        sizeof r.Attitude);
    std::memcpy(r.ViewMatrix,
                reinterpret_cast<const void*>(uintptr_t(G3dBase() + host::HostViewMatrixOffset)),
                sizeof r.ViewMatrix);
    std::memcpy(&r.Camera, CameraBlockBytes, sizeof r.Camera);
    std::memcpy(&r.Sub, CameraSubBlockBytes, sizeof r.Sub);
    return r;
}

double SceneGroundUnder(double latitude, double longitude) {
    return scene::GroundUnder(scene::ToLocal(latitude, longitude));
}

} // namespace standin
