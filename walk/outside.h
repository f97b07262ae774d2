// The outside walk: the pilot leaves the aircraft and walks on the ground and
// on the scene's objects around it. Pure: the caller looks up the host's
// values, probes the ground and writes what comes out into the host's records.
#pragma once

#include "geometry/geometry.h"
#include "host/view_record.h"
#include "pilot/cockpit.h"
#include "pilot/pilot_state.h"

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
constexpr double NoHit = 1e10;
constexpr double ViewMatrixDepth = 0.5; // divided by the zoom
constexpr double GroundAltitudeUnits = 256.0;

// The host's values the walk begins from, in the host's units and lookup
// order: latitude, longitude, altitude, pitch, bank, heading, ground altitude.
struct WalkSample {
    double Latitude, Longitude, Altitude, Pitch, Bank, Heading, GroundAltitude;
};

struct GeoPoint {
    double Latitude, Longitude; // degrees
};

// Every update, walking or not: the eye at least 1.7 m above the feet (a
// frame's PilotDown may have taken it lower).
void FloorEyeHeight(pilot::PilotViewState& state);

// The walk's first frame: the walker on the ground below the aircraft, facing
// its way, head level, zoom 1. The caller saves the view record.
void EngageWalker(pilot::PilotViewState& state, const WalkSample& sample);

// The point v.X metres east and v.Z metres north of from on the tangent plane
// of the 6367310-metre sphere, seen from the centre; longitude in -180..180.
GeoPoint TangentPlaneStep(const GeoPoint& from, const geometry::Vector3& v);

// Speeds, eye height, bob, heading, head pitch and the step, from the held
// commands; running while Shift is down. The new point, for the ground probe.
GeoPoint MoveWalker(pilot::PilotViewState& state, bool running);

// The walker at the new point, its feet on the ground the probe found
// (nearestDistance from ProbeHeight down; NoHit: the start ground), falling
// at 10 m/s onto anything lower.
void SettleWalker(pilot::PilotViewState& state, const GeoPoint& at, double nearestDistance);

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
WalkerView ComposeWalkerView(const pilot::PilotViewState& state, const host::ViewRecord& view);

// The view record as the walk shows it: kind 1250, the eye points, rotation
// and zoom over the saved record.
void ApplyToViewRecord(const WalkerView& w, host::ViewRecord& view);
void ApplyToCameraBlock(const WalkerView& w, host::CameraBlock& block);
void ApplyToCameraSubBlock(const WalkerView& w, host::CameraSubBlock& sub);

} // namespace walk
