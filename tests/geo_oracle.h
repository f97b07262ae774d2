// Independent reckoning for the geometry tests: the tangent-plane point in
// earth-centred coordinates (not the rotation sequence under test), distances
// on the sphere, and the reading of the host's viewpoint words.
#pragma once

#include "camera/geo.h"
#include "module/host.h"
#include "platform/sim/sim.h"

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

// A whole word and a fraction of the magnitude; the sign is the whole word's,
// so values within one unit of zero cannot be read back.
inline double Unpack(int32_t whole, uint32_t fraction) {
    double f = fraction / 4294967295.0;
    return whole < 0 ? whole - f : whole + f;
}

// Latitude and longitude of the words; the altitude stays in whole metres.
inline GeoPosition Decode(const camera::EncodedViewpoint& w) {
    return {Unpack(w.Latitude, w.LatitudeFraction) / 10001700.0 * (M_PI / 2),
            Unpack(w.Longitude, w.LongitudeFraction) / 2147483648.0 * M_PI,
            double(int16_t(w.Altitude))};
}

inline camera::EncodedViewpoint HostWords() {
    return {sim::PeekHost<int32_t>(host::HostEyeLatitude),
            sim::PeekHost<uint32_t>(host::HostEyeLatitudeFraction),
            sim::PeekHost<int32_t>(host::HostEyeLongitude),
            sim::PeekHost<uint32_t>(host::HostEyeLongitudeFraction),
            sim::PeekHost<uint16_t>(host::HostEyeAltitude)};
}

} // namespace oracle
