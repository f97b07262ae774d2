#include "geometry/geometry.h"

#include <cmath>

namespace geometry {

namespace {

constexpr Vector3 Origin = {0.0, 0.0, 0.0};

// Zero tests that let a not-a-number difference count as zero.
bool IsNonZero(double x) {
    return x < 0.0 || x > 0.0;
}

} // namespace

// ============================================================================
// Rotating a vector
// ============================================================================

Turn TurnOf(double angle) {
    return {std::cos(angle), std::sin(angle)};
}

void RotateAboutX(Vector3& v, const Turn& t) {
    double y = v.Y, z = v.Z;
    v.Y = t.C * y - t.S * z;
    v.Z = t.S * y + t.C * z;
}

void RotateAboutX(Vector3& v, double angle) {
    RotateAboutX(v, TurnOf(angle));
}

void RotateAboutY(Vector3& v, const Turn& t) {
    double x = v.X, z = v.Z;
    v.X = t.C * x + t.S * z;
    v.Z = -t.S * x + t.C * z;
}

void RotateAboutY(Vector3& v, double angle) {
    RotateAboutY(v, TurnOf(angle));
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
// Matrices
// ============================================================================

Matrix4 Identity() {
    Matrix4 m = {};
    for (int i = 0; i < 4; ++i) m.M[i][i] = 1.0f;
    return m;
}

Matrix4 RotX(double angle) {
    float c = float(std::cos(angle)), s = float(std::sin(angle));
    Matrix4 m = Identity();
    m.M[1][1] = c;
    m.M[1][2] = s;
    m.M[2][1] = -s;
    m.M[2][2] = c;
    return m;
}

Matrix4 RotY(double angle) {
    float c = float(std::cos(angle)), s = float(std::sin(angle));
    Matrix4 m = Identity();
    m.M[0][0] = c;
    m.M[0][2] = -s;
    m.M[2][0] = s;
    m.M[2][2] = c;
    return m;
}

Matrix4 RotZ(double angle) {
    float c = float(std::cos(angle)), s = float(std::sin(angle));
    Matrix4 m = Identity();
    m.M[0][0] = c;
    m.M[0][1] = s;
    m.M[1][0] = -s;
    m.M[1][1] = c;
    return m;
}

Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.M[r][k] * b.M[k][c];
            m.M[r][c] = sum;
        }
    return m;
}

Vector3 Transform(const Matrix4& m, float x, float y, float z) {
    float out[3];
    for (int c = 0; c < 3; ++c) out[c] = x * m.M[0][c] + y * m.M[1][c] + z * m.M[2][c] + m.M[3][c];
    return {out[0], out[1], out[2]};
}

// ============================================================================
// Rays and spheres
// ============================================================================

SphereHit RaySphere(const Ray& ray, const Vector3& centre, double squaredRadius) {
    Vector3 w = Minus(centre, ray.Origin);
    double l = Dot(w, w), s = Dot(w, ray.Direction);
    if (l >= squaredRadius && s < 1e-10) return {false, 0.0, 0.0}; // outside, and behind
    double m = squaredRadius - l + s * s;
    if (!(m > 1e-10)) return {false, 0.0, 0.0};
    double root = std::sqrt(m);
    return {true, s - root, s + root};
}

// ============================================================================
// On the sphere
// ============================================================================

LatLon OffsetOnSphere(const LatLon& from, const Vector3& offset, double radius,
                      const Turns& turns) {
    // The offset's point on the tangent plane, carried from the north pole to
    // from's place; its direction from the centre is the answer.
    Vector3 w = {offset.X, radius, offset.Z};
    RotateAboutX(w, -turns.Quarter);
    RotateAboutX(w, from.Latitude);
    RotateAboutY(w, -from.Longitude);
    RotateAboutY(w, turns.Half);
    double longitude = -1.0 * AzimuthOf(Origin, w);
    RotateAboutY(w, longitude);
    double latitude = -1.0 * ElevationOf(Origin, w);
    return {latitude, longitude};
}

LatLon OnTheSphere(const LatLon& p) {
    LatLon q = p;
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

} // namespace geometry
