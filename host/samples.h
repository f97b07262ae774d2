// What the host's variable lookup gives the cameras, in the host's own units
// and in the order each reads them. Plain values: the features take them
// without the host-memory seam (host/lookup.h reads them).
#pragma once

namespace host {

// The aircraft as the fly-by reads it.
struct AircraftSample {
    double Latitude;  // metres north of the equator
    double Longitude; // 2^48 units per turn
    double Altitude;  // metres
    double Heading;   // degrees
    double Pitch;     // degrees, positive nose down
    double Bank;      // degrees
    double Speed;     // km/h
};

// The aircraft as the in-cockpit eye step reads it: pitch, bank, heading
// (degrees), on the ground (0.0 when airborne), ground speed (metres per
// second).
struct CockpitSample {
    double Pitch, Bank, Heading, OnGround, GroundSpeed;
};

// The aircraft as the walk begins from it: latitude, longitude, altitude,
// pitch, bank, heading, and the ground's altitude (1/256 metre).
struct WalkSample {
    double Latitude, Longitude, Altitude, Pitch, Bank, Heading, GroundAltitude;
};

} // namespace host
