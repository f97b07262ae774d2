// Positions of the fly-by: the host's sphere in radians and feet, offsets on
// it, and distances along it.
#pragma once

#include "geometry/geometry.h"

#include <cstdint>

namespace camera {

// Latitude and longitude in radians (north and east positive), altitude in feet.
struct GeoPosition {
    double Latitude, Longitude, Altitude;
};

// The distance keeps its own earth: one arc minute of a great circle is one
// nautical mile.
constexpr double ArcMinutesPerDegree = 60.0;
constexpr double MetresPerArcMinute = 1852.0;

// The point offset.X metres east and offset.Z metres north of from on the plane
// touching the host's sphere there, projected back onto it (exact quarter and
// half turns). offset.Y and from.Altitude play no part; the result's altitude
// is 0.0 and its longitude lies in [-2 pi, 0).
GeoPosition OffsetPosition(const GeoPosition& from, const geometry::Vector3& offset);

// The same point with its latitude in [-pi/2, pi/2] (geometry::OnTheSphere).
GeoPosition OnTheSphere(const GeoPosition& p);

// Metres along the great circle from a to b; altitudes play no part.
double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b);

} // namespace camera
