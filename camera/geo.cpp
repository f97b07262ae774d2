#include "camera/geo.h"

#include <cmath>

namespace camera {

namespace {

constexpr Vector3 Origin = {0.0, 0.0, 0.0};

// Zero tests that let a not-a-number difference count as zero.
bool IsNonZero(double x) {
    return x < 0.0 || x > 0.0;
}

} // namespace

// ============================================================================
// Rotations and angles
// ============================================================================

void RotateAboutX(Vector3& v, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    double y = v.Y, z = v.Z;
    v.Y = c * y - s * z;
    v.Z = s * y + c * z;
}

void RotateAboutY(Vector3& v, double angle) {
    double c = std::cos(angle), s = std::sin(angle);
    double x = v.X, z = v.Z;
    v.X = c * x + s * z;
    v.Z = -s * x + c * z;
}

double AzimuthOf(const Vector3& a, const Vector3& b) {
    double dx = a.X - b.X, dz = a.Z - b.Z;
    if (IsNonZero(dz)) return std::atan2(dx, dz) + Pi;
    if (IsNonZero(dx)) return std::atan2(dz, dx) + HalfPi;
    return 0.0;
}

double ElevationOf(const Vector3& a, const Vector3& b) {
    double dy = a.Y - b.Y, dz = a.Z - b.Z;
    if (IsNonZero(dy)) return std::atan2(dz, dy) + HalfPi;
    return 0.0;
}

// ============================================================================
// Positions
// ============================================================================

GeoPosition OffsetPosition(const GeoPosition& from, const Vector3& offset) {
    // The offset's point on the tangent plane, carried from the north pole to
    // from's place; its direction from the centre is the answer.
    Vector3 w = {offset.X, EarthRadius, offset.Z};
    RotateAboutX(w, -HalfPi);
    RotateAboutX(w, from.Latitude);
    RotateAboutY(w, -from.Longitude);
    RotateAboutY(w, Pi);
    double longitude = -1.0 * AzimuthOf(Origin, w);
    RotateAboutY(w, longitude);
    double latitude = -1.0 * ElevationOf(Origin, w);
    return {latitude, longitude, 0.0};
}

GeoPosition OnTheSphere(const GeoPosition& p) {
    GeoPosition q = p;
    if (q.Latitude < -HalfPi) q.Latitude += 2.0 * Pi;
    if (q.Latitude > HalfPi) {
        q.Latitude = Pi - q.Latitude;
        q.Longitude += Pi;
    }
    if (q.Latitude < -HalfPi) { // from under the south pole
        q.Latitude = -Pi - q.Latitude;
        q.Longitude += Pi;
    }
    return q;
}

double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b) {
    double d = b.Longitude - a.Longitude;
    if (std::fabs(d) > Pi) d = d > 0.0 ? -(2.0 * Pi - std::fabs(d)) : 2.0 * Pi - std::fabs(d);
    double c = std::sin(a.Latitude) * std::sin(b.Latitude) +
               std::cos(a.Latitude) * std::cos(b.Latitude) * std::cos(d);
    // Equal or nearly equal positions can round the cosine just past 1: that
    // is a distance of 0, not a missing one. Not a number stays one.
    if (c > 1.0) c = 1.0;
    if (c < -1.0) c = -1.0;
    return std::acos(c) * DegreesPerRadian * ArcMinutesPerDegree * MetresPerArcMinute;
}

} // namespace camera
