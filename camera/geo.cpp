#include "camera/geo.h"

#include "host/units.h"

#include <cmath>

namespace camera {

GeoPosition OffsetPosition(const GeoPosition& from, const geometry::Vector3& offset) {
    geometry::LatLon p = geometry::OffsetOnSphere({from.Latitude, from.Longitude}, offset,
                                                  host::EarthRadius, {host::HalfPi, host::Pi});
    return {p.Latitude, p.Longitude, 0.0};
}

GeoPosition OnTheSphere(const GeoPosition& p) {
    geometry::LatLon q = geometry::OnTheSphere({p.Latitude, p.Longitude});
    return {q.Latitude, q.Longitude, p.Altitude};
}

double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b) {
    constexpr double Pi = host::Pi;
    double d = b.Longitude - a.Longitude;
    if (std::fabs(d) > Pi) d = d > 0.0 ? -(2.0 * Pi - std::fabs(d)) : 2.0 * Pi - std::fabs(d);
    double c = std::sin(a.Latitude) * std::sin(b.Latitude) +
               std::cos(a.Latitude) * std::cos(b.Latitude) * std::cos(d);
    // Equal or nearly equal positions can round the cosine just past 1: that
    // is a distance of 0, not a missing one. Not a number stays one.
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    return std::acos(c) * host::DegreesPerRadian * ArcMinutesPerDegree * MetresPerArcMinute;
}

} // namespace camera
