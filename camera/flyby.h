// The fly-by camera: every few seconds a viewpoint ahead of the aircraft and
// beside its path, left there while the aircraft flies past; with travelling
// on, the point lies on the path and the viewpoint steps aside as the aircraft
// comes close.
#pragma once

#include "camera/geo.h"

#include <cstdint>

namespace camera {

struct FlyByState {
    GeoPosition CameraPosition; // the point last chosen
    double CameraHeading;       // degrees, the aircraft's heading when it was chosen
    int32_t CameraSide;         // +1 right of the path, -1 left, 0 on it
    double LeadDistance;        // metres ahead of the aircraft
    float Countdown;            // seconds until the next point
};

// Zero at load and never reset: switching the fly-by off and on goes on from
// where it stopped.
extern FlyByState FlyBy;

// One fly-by step, run by the frame tick after it has refreshed the aircraft values.
void FlyByTick();

// Chooses a new camera point from the aircraft's position and attitude.
void PlaceFlyByCamera();
// Steps the viewpoint aside from the camera point as the aircraft comes close.
void TravelFlyByCamera();

// Writes p into the host's five viewpoint words; nothing while they are not
// set or not there.
void WriteViewpoint(const GeoPosition& p);

} // namespace camera
