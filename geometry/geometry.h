// The small geometry the cameras share: vectors in a local frame, attitudes,
// single-precision rotation matrices, rays and spheres, and the step on the
// plane touching the earth's sphere. Pure functions over values, with the
// rotation conventions of the host's own.
#pragma once

#include <cstdint>

namespace geometry {

constexpr double Pi = 3.141592653589793;
constexpr double HalfPi = Pi / 2.0;

// Metres (or a view's units) in a local frame: X east (right), Y up, Z north (forward).
struct Vector3 {
    double X, Y, Z;
};

inline Vector3 Minus(const Vector3& a, const Vector3& b) {
    return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
inline double Dot(const Vector3& a, const Vector3& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

// Pitch (positive looks down), heading (positive turns right), bank; degrees.
struct Attitude {
    double Pitch, Heading, Bank;
};

// ---- Rotating a vector ------------------------------------------------------

// An angle's cosine and sine, worked out once for an angle turned by often.
struct Turn {
    double C, S;
};
Turn TurnOf(double angle);

// About the east axis: Y' = cos a Y - sin a Z, Z' = sin a Y + cos a Z.
void RotateAboutX(Vector3& v, const Turn& turn);
void RotateAboutX(Vector3& v, double angle);
// About the up axis: X' = cos a X + sin a Z, Z' = -sin a X + cos a Z.
void RotateAboutY(Vector3& v, const Turn& turn);
void RotateAboutY(Vector3& v, double angle);

// Horizontal and vertical angle of the line between a and b, radians; 0.0 when
// the differences that decide it are zero (or not a number).
double AzimuthOf(const Vector3& a, const Vector3& b);
double ElevationOf(const Vector3& a, const Vector3& b);

// ---- Single-precision rotations: row vectors, p' = p x M ---------------------

struct Matrix4 {
    float M[4][4];
};

Matrix4 Identity();
// Angles in radians; cosine and sine are taken in double and rounded to float.
Matrix4 RotX(double angle);
Matrix4 RotY(double angle);
Matrix4 RotZ(double angle);
// (a x b)[r][c] = sum over k of a[r][k] x b[k][c], in float.
Matrix4 Multiply(const Matrix4& a, const Matrix4& b);
// The point (x, y, z, 1) times m.
Vector3 Transform(const Matrix4& m, float x, float y, float z);

// ---- Rays and spheres --------------------------------------------------------------

struct Ray {
    Vector3 Origin;
    Vector3 Direction; // length 1
};

struct SphereHit {
    bool Hit;
    double Near, Far; // distances along the ray
};
// No hit when the origin is outside and the sphere behind it, or when the ray
// passes within 1e-10 of its edge.
SphereHit RaySphere(const Ray& ray, const Vector3& centre, double squaredRadius);

// ---- On the sphere -----------------------------------------------------------------

// Latitude and longitude, radians.
struct LatLon {
    double Latitude, Longitude;
};

// The quarter and half turn the step rotates by: the host's own values differ
// from the exact ones in the eleventh digit, and each camera keeps its own.
struct Turns {
    double Quarter, Half;
};

// The point offset.X metres east and offset.Z metres north of from on the
// plane touching the sphere of radius there, seen from the sphere's centre.
// offset.Y plays no part; the longitude comes out in [-2 pi, 0].
LatLon OffsetOnSphere(const LatLon& from, const Vector3& offset, double radius, const Turns& turns);

// The same point with its latitude in [-pi/2, pi/2]: a latitude a full turn
// below (as a point exactly over a pole can come out of OffsetOnSphere, by the
// sign of a zero) is taken back, and one beyond a pole mirrored over it with
// the longitude half a turn on. Others are returned as they are.
LatLon OnTheSphere(const LatLon& p);

} // namespace geometry
