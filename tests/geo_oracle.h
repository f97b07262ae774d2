// Independent reckoning for the geometry tests: the tangent-plane point in
// earth-centred coordinates (not the rotation sequence under test) and
// distances on the sphere.
#pragma once

#include "camera/geo.h"

#include <cmath>

namespace oracle {

using camera::GeoPosition;

constexpr double Radius = 6367310.0;

struct Xyz {
    double X, Y, Z;
};

inline Xyz Up(const GeoPosition& p) {
    return {std::cos(p.Latitude) * std::cos(p.Longitude),
            std::cos(p.Latitude) * std::sin(p.Longitude), std::sin(p.Latitude)};
}

// The point east and north metres from `from` on its tangent plane, seen from
// the centre of the sphere.
inline GeoPosition TangentPoint(const GeoPosition& from, double east, double north) {
    double sinLat = std::sin(from.Latitude), cosLat = std::cos(from.Latitude);
    double sinLon = std::sin(from.Longitude), cosLon = std::cos(from.Longitude);
    Xyz u = Up(from);
    Xyz p = {Radius * u.X - east * sinLon - north * sinLat * cosLon,
             Radius * u.Y + east * cosLon - north * sinLat * sinLon, Radius * u.Z + north * cosLat};
    return {std::atan2(p.Z, std::hypot(p.X, p.Y)), std::atan2(p.Y, p.X), 0.0};
}

// Straight-line metres between two points on the sphere; any longitude form.
inline double Metres(const GeoPosition& a, const GeoPosition& b) {
    Xyz u = Up(a), v = Up(b);
    return Radius * std::sqrt((u.X - v.X) * (u.X - v.X) + (u.Y - v.Y) * (u.Y - v.Y) +
                              (u.Z - v.Z) * (u.Z - v.Z));
}

} // namespace oracle
