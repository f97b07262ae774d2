// Positions and local vectors shared by the fly-by and the pilot view, and the
// small geometry that turns one into the other.
#pragma once

#include <cstdint>

namespace camera {

// Metres in a local frame: X east (right), Y up, Z north (forward).
struct Vector3 {
    double X, Y, Z;
};

// Latitude and longitude in radians (north and east positive), altitude in feet.
struct GeoPosition {
    double Latitude, Longitude, Altitude;
};

// ---- Constants of the host contract, used exactly as the host's -----------

// Radius of the sphere onto which local offsets are projected.
constexpr double EarthRadius = 6367310.0; // metres
// The distance keeps its own earth: one arc minute of a great circle is one
// nautical mile.
constexpr double DegreesPerRadian = 57.29577951471995;
constexpr double ArcMinutesPerDegree = 60.0;
constexpr double MetresPerArcMinute = 1852.0;
constexpr double HalfPi = 1.5707963267948966;
constexpr double Pi = 3.141592653589793;

// ---- Rotations and angles ----------------------------------------------------

// About the east axis: Y' = cos a Y - sin a Z, Z' = sin a Y + cos a Z.
void RotateAboutX(Vector3& v, double angle);
// About the up axis: X' = cos a X + sin a Z, Z' = -sin a X + cos a Z.
void RotateAboutY(Vector3& v, double angle);

// Horizontal and vertical angle of the line between a and b, radians; 0.0 when
// the differences that decide it are zero (or not a number).
double AzimuthOf(const Vector3& a, const Vector3& b);
double ElevationOf(const Vector3& a, const Vector3& b);

// ---- Positions ---------------------------------------------------------------

// The point offset.X metres east and offset.Z metres north of from on the plane
// touching the sphere there, projected back onto the sphere. offset.Y and
// from.Altitude play no part; the result's altitude is 0.0 and its longitude
// lies in [-2 pi, 0).
GeoPosition OffsetPosition(const GeoPosition& from, const Vector3& offset);

// The same point with its latitude in [-pi/2, pi/2]: a latitude a full turn
// below (as a point exactly over a pole can come out of OffsetPosition, by the
// sign of a zero) is taken back, and one beyond a pole mirrored over it with
// the longitude half a turn on. Others are returned as they are.
GeoPosition OnTheSphere(const GeoPosition& p);

// Metres along the great circle from a to b; altitudes play no part.
double GreatCircleDistance(const GeoPosition& a, const GeoPosition& b);

} // namespace camera
