// The outside walk: the pilot leaves the aircraft and walks on the ground and
// on the scene's objects around it. Pure: the caller looks up the host's
// values, probes the ground and writes what comes out into the host's records.
#pragma once

#include "geometry/geometry.h"
#include "host/samples.h"
#include "host/view_record.h"
#include "walk/ground_probe.h"

#include <cstdint>

namespace walk {

constexpr double LeastEyeHeight = 1.7;   // metres
constexpr double CrouchEyeHeight = 0.75; // metres
constexpr double WalkSpeed = 2.0;        // metres per second
constexpr double DefaultRunSpeed = 5.0;  // when the setting is 0
constexpr double TurnRate = 90.0;        // degrees per second
constexpr double HeadPitchRate = 60.0;   // degrees per second
constexpr double HeadPitchLimit = 60.0;  // degrees, on the key paths
constexpr double BobThreshold = 0.5;     // metres per second
constexpr double BobRate = 600.0;        // degrees of the bob's phase per second
constexpr double BobHeight = 0.03;       // metres
constexpr double FallSpeed = 10.0;       // metres per second
constexpr double ProbeHeight = 100000.0; // the ground probe's ray starts this high
constexpr double ViewMatrixDepth = 0.5;  // divided by the zoom
constexpr double GroundAltitudeUnits = 256.0;

struct GeoPoint {
    double Latitude, Longitude; // degrees
};

// The walker outside the aircraft: everything the walk keeps from one frame
// to the next. All zero at load.
struct Walker {
    host::ViewRecord SavedViewRecord; // the host's view as it was when the walk began
    int32_t Engaged;                  // 1 while the walk holds the view record
    uint32_t Record;                  // that record's host address: the walk acts on no other
    double Latitude, Longitude;       // degrees
    double Altitude;                  // the feet, metres
    geometry::Attitude Attitude;      // mouse look outside adds to the heading
    geometry::Attitude Head;          // and to the head's pitch
    double EyeHeight;                 // above the feet, metres
    double Zoom;                      // the wheel and the zoom keys keep it within 0.25..8
    double StartGroundAltitude;       // under the aircraft when the walk began, metres
    double BobOffset;                 // metres
    double ForwardSpeed;              // metres per second, forward positive
    double SideSpeed;                 // metres per second, right positive
};

// What moves the walker in one frame: the pilot's held keys as the walk
// reads them, and Shift (running).
struct WalkerMoves {
    int32_t Forward, Backward, Right, Left;
    int32_t TurnRight, TurnLeft, HeadUp, HeadDown;
    int32_t Rise, Sink;
    bool Running;
};

// Every update, walking or not: the eye at least 1.7 m above the feet (a
// frame's PilotDown may have taken it lower).
void FloorEyeHeight(Walker& walker);

// The walk's first frame: the walker on the ground below the aircraft, facing
// its way, head level, zoom 1. The caller saves the view record.
void EngageWalker(Walker& walker, const host::WalkSample& sample);

// The point v.X metres east and v.Z metres north of from on the tangent plane
// of the 6367310-metre sphere, seen from the centre; longitude in -180..180.
GeoPoint TangentPlaneStep(const GeoPoint& from, const geometry::Vector3& v);

// Speeds, eye height, bob, heading, head pitch and the step over timeStep
// seconds at clock (the pilot clock, seconds), from the moves; running at
// runSpeed (5 m/s when it is 0). The new point, for the ground probe.
GeoPoint MoveWalker(Walker& walker, const WalkerMoves& moves, double runSpeed, double clock,
                    double timeStep);

// The walker at the new point, its feet on the ground the probe found
// (nearestDistance from ProbeHeight down; NoHit: the start ground), falling
// at 10 m/s onto anything lower.
void SettleWalker(Walker& walker, const GeoPoint& at, double nearestDistance, double timeStep);

// What the walk writes into the host.
struct WalkerView {
    double Latitude, Longitude, Altitude; // the eye: degrees, degrees, metres
    host::LatLonAlt Eye;
    host::EyeAttitude Attitude;
    geometry::Matrix4 Rotation; // Ry(heading) x Rx(head pitch)
    uint16_t ZoomWord;
    double U, V;
    int32_t UWord, VWord;
    geometry::Matrix4 ViewMatrix; // Ry(-heading) x Rx(-head pitch) x S
};
// crouching puts the eye 0.75 m above the feet, whatever its height.
WalkerView ComposeWalkerView(const Walker& walker, bool crouching, const host::ViewRecord& view);

// The view record as the walk shows it: kind 1250, the eye points, rotation
// and zoom over the saved record.
void ApplyToViewRecord(const WalkerView& w, host::ViewRecord& view);
void ApplyToCameraBlock(const WalkerView& w, host::CameraBlock& block);
void ApplyToCameraSubBlock(const WalkerView& w, host::CameraSubBlock& sub);

} // namespace walk
