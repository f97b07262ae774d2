// The one record of the internal pilot view: everything it keeps from one
// message or frame to the next. Zero at load, never cleared as a whole again,
// so it survives switching the view off and on.
#pragma once

#include "pilot/cockpit.h"

#include <cstdint>

namespace pilot {

struct PilotViewState {
    // Handed over by the frame on every tick while the view is on.
    double LatencyFactor;    // head latency: the rate while it is on, else 0
    double TurbulenceFactor; // ground turbulence: likewise
    double RunSpeed;         // metres per second
    int32_t ExternalView;    // the pilot is outside the aircraft

    // The pilot clock: seconds of the current pilot frame and since the last.
    double Clock;
    double TimeStep;
    uint32_t PreviousTime; // milliseconds, as timeGetTime gave them

    CockpitEye Eye;
    HeldCommands Held;

    // The walker outside the aircraft.
    host::ViewRecord SavedViewRecord; // the host's view as it was when the walk began
    int32_t ExternalViewEngaged;      // 1 while the walk holds the view record
    uint32_t WalkRecord;              // that record's host address: the walk acts on no other
    double WalkerLatitude;            // degrees
    double WalkerLongitude;           // degrees
    double WalkerAltitude;            // the feet, metres
    Attitude WalkerAttitude;          // mouse look outside adds to the heading
    Attitude HeadAttitude;            // and to the head's pitch
    double EyeHeight;                 // above the feet, metres
    double WalkerZoom;                // the wheel keeps it within 0.25..8
    double StartGroundAltitude;       // under the aircraft when the walk began, metres
    double BobOffset;                 // metres
    double ForwardSpeed;              // metres per second, forward positive
    double SideSpeed;                 // metres per second, right positive

    // Mouse look and the pointer
    int32_t MouseLook;
    int32_t LastCursorX, LastCursorY; // both 0: no sample yet
};

} // namespace pilot
