// Positions and local vectors shared by the fly-by and the pilot view.
#pragma once

namespace camera {

// Metres in a local frame: X east (right), Y up, Z north (forward).
struct Vector3 {
    double X, Y, Z;
};

// Latitude and longitude in radians (north and east positive), altitude in feet.
struct GeoPosition {
    double Latitude, Longitude, Altitude;
};

} // namespace camera
