// What a camera sees: the host's viewpoints turned into a projection.
#include "standin/render/view.h"

#include <cmath>

namespace view {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

Mat3 Identity() {
    return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

Point2 ToPixels(const Vec3& c, const Picture& picture) {
    return {picture.Width / 2 * (1 + c.X / c.Z), picture.Height / 2 * (1 - c.Y / c.Z)};
}

Vec3 Towards(const Vec3& a, const Vec3& b, double t) {
    return a + (b - a) * t;
}

// What is drawn: in front of the near plane and within the margin around the
// picture (x / z and y / z within -ViewMargin..ViewMargin), so that no point
// handed to the drawing lies far outside it. Positive inside each plane.
constexpr int kViewPlanes = 5;
double Inside(const Vec3& c, int plane) {
    switch (plane) {
    case 0:
        return c.Z - NearDepth;
    case 1:
        return ViewMargin * c.Z + c.X;
    case 2:
        return ViewMargin * c.Z - c.X;
    case 3:
        return ViewMargin * c.Z + c.Y;
    default:
        return ViewMargin * c.Z - c.Y;
    }
}

} // namespace

// ---- Vectors and matrices ------------------------------------------------------

Vec3 operator+(const Vec3& a, const Vec3& b) {
    return {a.X + b.X, a.Y + b.Y, a.Z + b.Z};
}
Vec3 operator-(const Vec3& a, const Vec3& b) {
    return {a.X - b.X, a.Y - b.Y, a.Z - b.Z};
}
Vec3 operator*(const Vec3& a, double k) {
    return {a.X * k, a.Y * k, a.Z * k};
}

Vec3 Times(const Vec3& p, const Mat3& m) {
    const double v[3] = {p.X, p.Y, p.Z};
    double r[3] = {};
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k) r[c] += v[k] * m.M[k][c];
    return {r[0], r[1], r[2]};
}

Mat3 Multiply(const Mat3& a, const Mat3& b) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.M[i][j] += a.M[i][k] * b.M[k][j];
    return r;
}

Mat3 Transpose(const Mat3& m) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.M[i][j] = m.M[j][i];
    return r;
}

Mat3 Inverse(const Mat3& m) {
    const auto& a = m.M;
    Mat3 r{};
    // The adjugate, transposed, over the determinant.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
            r.M[i][j] = a[i1][j1] * a[i2][j2] - a[i1][j2] * a[i2][j1];
        }
    double det = a[0][0] * r.M[0][0] + a[0][1] * r.M[1][0] + a[0][2] * r.M[2][0];
    if (det == 0.0 || !std::isfinite(det)) return Identity();
    for (auto& row : r.M)
        for (double& v : row) v /= det;
    return r;
}

Mat3 Attitude(double pitch, double heading, double bank) {
    double p = pitch * kRadiansPerDegree, h = heading * kRadiansPerDegree,
           b = bank * kRadiansPerDegree;
    Mat3 z = {{{std::cos(b), std::sin(b), 0}, {-std::sin(b), std::cos(b), 0}, {0, 0, 1}}};
    Mat3 x = {{{1, 0, 0}, {0, std::cos(p), std::sin(p)}, {0, -std::sin(p), std::cos(p)}}};
    Mat3 y = {{{std::cos(h), 0, -std::sin(h)}, {0, 1, 0}, {std::sin(h), 0, std::cos(h)}}};
    return Multiply(z, Multiply(x, y));
}

// ---- Cameras ------------------------------------------------------------------------

Mat3 ViewScale(double zoom, double aspect) {
    return {{{1, 0, 0}, {0, aspect, 0}, {0, 0, 0.5 / zoom}}};
}

Camera LookingAt(const Vec3& eye, const Vec3& target, double zoom, double aspect) {
    Vec3 d = target - eye;
    double heading = std::atan2(d.X, d.Z) / kRadiansPerDegree;
    double pitch = -std::atan2(d.Y, std::hypot(d.X, d.Z)) / kRadiansPerDegree;
    return {eye, Multiply(Transpose(Attitude(pitch, heading, 0.0)), ViewScale(zoom, aspect))};
}

Vec3 InWorld(const Aircraft& aircraft, const Vec3& point) {
    return aircraft.Position +
           Times(point, Attitude(aircraft.Pitch, aircraft.Heading, aircraft.Bank));
}

Camera FromCockpit(const Aircraft& aircraft, const float rows[3][3], const Vec3& eye, double zoom,
                   double aspect) {
    Mat3 record{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) record.M[i][j] = rows[i][j];
    // Eye to aircraft, then aircraft to world; the way back is its transpose.
    Mat3 toWorld = Multiply(record, Attitude(aircraft.Pitch, aircraft.Heading, aircraft.Bank));
    return {InWorld(aircraft, eye), Multiply(Transpose(toWorld), ViewScale(zoom, aspect))};
}

Camera FromViewMatrix(const Vec3& eye, const float matrix[9]) {
    Camera c{eye, {}};
    for (int i = 0; i < 9; ++i) c.View.M[i / 3][i % 3] = matrix[i];
    return c;
}

// ---- Projection ------------------------------------------------------------------------

Vec3 ToCamera(const Camera& camera, const Vec3& world) {
    return Times(world - camera.Eye, camera.View);
}

bool Project(const Camera& camera, const Picture& picture, const Vec3& world, Point2& out) {
    Vec3 c = ToCamera(camera, world);
    if (!(c.Z >= NearDepth)) return false;
    out = ToPixels(c, picture);
    return true;
}

bool ProjectSegment(const Camera& camera, const Picture& picture, const Vec3& a, const Vec3& b,
                    Point2& outA, Point2& outB) {
    Vec3 ca = ToCamera(camera, a), cb = ToCamera(camera, b);
    for (int plane = 0; plane < kViewPlanes; ++plane) {
        double fa = Inside(ca, plane), fb = Inside(cb, plane);
        if (fa < 0 && fb < 0) return false;
        if (fa < 0) ca = Towards(ca, cb, fa / (fa - fb));
        if (fb < 0) cb = Towards(cb, ca, fb / (fb - fa));
    }
    outA = ToPixels(ca, picture);
    outB = ToPixels(cb, picture);
    return true;
}

std::vector<Point2> ProjectPolygon(const Camera& camera, const Picture& picture,
                                   const std::vector<Vec3>& corners) {
    std::vector<Vec3> in, out;
    for (const Vec3& c : corners) in.push_back(ToCamera(camera, c));
    for (int plane = 0; plane < kViewPlanes && !in.empty(); ++plane) {
        out.clear();
        for (size_t i = 0; i < in.size(); ++i) {
            const Vec3 &a = in[i], &b = in[(i + 1) % in.size()];
            double fa = Inside(a, plane), fb = Inside(b, plane);
            if (fa >= 0) out.push_back(a);
            if ((fa >= 0) != (fb >= 0)) out.push_back(Towards(a, b, fa / (fa - fb)));
        }
        in.swap(out);
    }
    std::vector<Point2> pixels;
    for (const Vec3& c : in) pixels.push_back(ToPixels(c, picture));
    return pixels;
}

Line Horizon(const Camera& camera, const Picture& picture) {
    // The ray through a pixel is (u, v, 1) in the scaled camera axes, with u
    // and v from -1 to 1; it rises where its world Y, (u, v, 1) x inverse, is positive.
    Mat3 back = Inverse(camera.View);
    double nu = back.M[0][1], nv = back.M[1][1], n1 = back.M[2][1];
    return {2 * nu / picture.Width, -2 * nv / picture.Height, n1 - nu + nv};
}

std::vector<Point2> BelowHorizon(const Line& horizon, const Picture& picture) {
    const Point2 corners[4] = {
        {0, 0}, {picture.Width, 0}, {picture.Width, picture.Height}, {0, picture.Height}};
    auto side = [&](const Point2& p) { return horizon.A * p.X + horizon.B * p.Y + horizon.C; };
    std::vector<Point2> out;
    for (int i = 0; i < 4; ++i) {
        const Point2 &a = corners[i], &b = corners[(i + 1) % 4];
        double sa = side(a), sb = side(b);
        if (sa <= 0) out.push_back(a);
        if ((sa < 0) != (sb < 0) && sa != sb) {
            double t = sa / (sa - sb);
            out.push_back({a.X + (b.X - a.X) * t, a.Y + (b.Y - a.Y) * t});
        }
    }
    return out;
}

} // namespace view
