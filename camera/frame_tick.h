// The module's heartbeat: one tick per host frame message.
#pragma once

#include "camera/geo.h"
#include "module/host.h"
#include "module/key_bindings.h"

#include <cstdint>

namespace camera {

// Values of the frame tick; zero at load, kept across switching views off and on.
extern uint32_t PreviousFrameTime; // milliseconds, as timeGetTime gave them
extern float FrameStep;            // seconds since the previous tick, at most 1.0
extern GeoPosition AircraftPosition;
extern double AircraftPitch;   // degrees
extern double AircraftHeading; // degrees
extern double AircraftSpeed;   // the host's speed variable as delivered (km/h)

// The fly-by's host variable records, in lookup order; kept between ticks.
enum FlyByVar { VarLatitude, VarLongitude, VarAltitude, VarHeading, VarPitch, VarBank, VarSpeed };
constexpr uint32_t FlyByVarTokens[] = {
    host::HostVarLatitude, host::HostVarLongitude, host::HostVarAltitude, host::HostVarHeading,
    host::HostVarPitch,    host::HostVarBank,      host::HostVarSpeed};
extern host::HostVarRecord FlyByVars[7];

constexpr double DegreesToRadians = 0.01745329251944;
constexpr double MetresPerDegreeLatitude = 111130.0;
constexpr double LongitudeUnitsPerDegreeRoot = 16777216.0; // 2^24, applied twice
constexpr double FeetPerMetre = 3.28084;

void FrameTick();

// Runs the commands "ToggleHeadLatency" and "ToggleGroundTurbulence" for the
// pilot view's input; 1 when the command was one of them.
int32_t ExtraCommandHandler(uint32_t first, uint32_t second, addon::KeyBinding* command);

} // namespace camera
