// The fly-by camera: every few seconds a viewpoint ahead of the aircraft and
// beside its path, left there while the aircraft flies past; with travelling
// on, the point lies on the path and the viewpoint steps aside as the aircraft
// comes close. Pure: the frame hands in the aircraft and the settings and
// writes the viewpoint that comes out.
#pragma once

#include "camera/geo.h"
#include "host/random.h"

#include <cstdint>

namespace camera {

// The aircraft as the fly-by uses it.
struct AircraftState {
    GeoPosition Position; // radians, radians, feet
    double Pitch;         // degrees, positive nose down
    double Heading;       // degrees
    double Speed;         // km/h
};

struct FlyBySettings {
    int32_t Duration;    // seconds between points
    int32_t RelAltitude; // feet added to each point
    int32_t MinDistance; // metres: least lead, sideways step when travelling
    int32_t Placement;   // 0 always right, 1 always left, 2 random
    int32_t Travelling;  // non-zero: the point lies on the path
};

struct FlyByState {
    GeoPosition CameraPosition; // the point last chosen
    double CameraHeading;       // degrees, the aircraft's heading when it was chosen
    int32_t CameraSide;         // +1 right of the path, -1 left, 0 on it
    double LeadDistance;        // metres ahead of the aircraft
    float Countdown;            // seconds until the next point
};

// What one step asks of the host: the viewpoint to write, if any.
struct FlyByOutput {
    bool Write;
    GeoPosition Viewpoint;
};

// Whether every value that places a point is finite: position, pitch,
// heading and speed (the bank plays no part).
bool CanPlaceFrom(const AircraftState& aircraft);

// One fly-by step. The side of a random placement is drawn from random. While
// the aircraft's values cannot place a point, the step places and writes
// nothing; a viewpoint it asks to write is finite, its latitude within
// [-pi/2, pi/2].
FlyByOutput FlyByStep(FlyByState& state, const FlyBySettings& settings,
                      const AircraftState& aircraft, float frameStep, host::RandomSequence& random);

// The new camera point from the aircraft's position and attitude.
GeoPosition PlaceFlyByCamera(FlyByState& state, const FlyBySettings& settings,
                             const AircraftState& aircraft);
// The viewpoint beside the camera point as the aircraft comes close.
GeoPosition TravelFlyByCamera(const FlyByState& state, const FlyBySettings& settings,
                              const AircraftState& aircraft);

} // namespace camera
