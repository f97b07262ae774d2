// Independent reckoning for the geometry tests: the tangent-plane point in
// earth-centred coordinates (not the rotation sequence under test) and
// distances on the sphere.
#pragma once

#include "camera/geo.h"

#include <cmath>

namespace oracle {

using camera::GeoPosition;
using geometry::Vector3;

constexpr double Radius = 6367310.0;

// Earth-centred here: X and Y in the equator's plane, Z through the north pole.
inline Vector3 Up(const GeoPosition& p) {
    return {std::cos(p.Latitude) * std::cos(p.Longitude),
            std::cos(p.Latitude) * std::sin(p.Longitude), std::sin(p.Latitude)};
}

// The point east and north metres from `from` on its tangent plane, seen from
// the centre of the sphere.
inline GeoPosition TangentPoint(const GeoPosition& from, double east, double north) {
    double sinLat = std::sin(from.Latitude), cosLat = std::cos(from.Latitude);
    double sinLon = std::sin(from.Longitude), cosLon = std::cos(from.Longitude);
    Vector3 u = Up(from);
    Vector3 p = {Radius * u.X - east * sinLon - north * sinLat * cosLon,
                 Radius * u.Y + east * cosLon - north * sinLat * sinLon,
                 Radius * u.Z + north * cosLat};
    return {std::atan2(p.Z, std::hypot(p.X, p.Y)), std::atan2(p.Y, p.X), 0.0};
}

// Straight-line metres between two points on the sphere; any longitude form.
inline double Metres(const GeoPosition& a, const GeoPosition& b) {
    Vector3 d = geometry::Minus(Up(a), Up(b));
    return Radius * std::sqrt(geometry::Dot(d, d));
}

} // namespace oracle
