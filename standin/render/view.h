// What a camera sees: the host's viewpoints turned into a projection onto a
// picture. Pure functions over values, in the host's conventions: vectors
// are rows (p' = p x M), X east (right), Y up, Z north (forward); angles in
// degrees, pitch positive looking down, heading clockwise from north, bank
// positive with the right side up, as the cockpit view record's rotation
// RotZ(bank) x RotX(pitch) x RotY(heading) turns.
#pragma once

#include <vector>

namespace view {

struct Vec3 {
    double X, Y, Z;
};
Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(const Vec3& a, double k);

struct Mat3 {
    double M[3][3];
};
Vec3 Times(const Vec3& p, const Mat3& m); // the row vector p x m
Mat3 Multiply(const Mat3& a, const Mat3& b);
Mat3 Transpose(const Mat3& m);
// The inverse; the identity when m has none.
Mat3 Inverse(const Mat3& m);

// RotZ(bank) x RotX(pitch) x RotY(heading): from a frame turned by those
// angles (the aircraft's, an eye's) to the frame it is turned in.
Mat3 Attitude(double pitch, double heading, double bank);

// ---- Cameras ------------------------------------------------------------------

// A camera as the host draws with one: its eye, and the matrix from world
// offsets to the camera's axes scaled so that x / z and y / z run from -1 to 1
// across the picture (the host's view matrix: rotation x diag(1, aspect, 0.5 / zoom)).
struct Camera {
    Vec3 Eye;
    Mat3 View;
};

// The scaling of the host's view matrix: a zoom of 1 shows 0.5 to either
// side at a distance of 1, across the picture's width.
Mat3 ViewScale(double zoom, double aspect);

// The fly-by: from the viewpoint, looking at the target, level, at a zoom.
Camera LookingAt(const Vec3& eye, const Vec3& target, double zoom, double aspect);

// The cockpit: the view record's rotation rows (from the eye to the aircraft)
// and eye point (in the aircraft, metres), the aircraft's position and attitude.
struct Aircraft {
    Vec3 Position;
    double Pitch, Heading, Bank;
};
Camera FromCockpit(const Aircraft& aircraft, const float rows[3][3], const Vec3& eye, double zoom,
                   double aspect);
// A point given in the aircraft's own axes, in the world.
Vec3 InWorld(const Aircraft& aircraft, const Vec3& point);

// The walker: the eye position record and the scene's view matrix as written
// (its 3 x 3 part, row by row).
Camera FromViewMatrix(const Vec3& eye, const float matrix[9]);

// ---- Projection ----------------------------------------------------------------

struct Picture {
    double Width, Height; // pixels
};
struct Point2 {
    double X, Y; // pixels, y down
};

// Nearer than this (in the scaled depth) is not drawn, nor what lies beyond
// this margin around the picture (in x / z and y / z; the picture is -1..1).
constexpr double NearDepth = 0.01;
constexpr double ViewMargin = 1.5;

Vec3 ToCamera(const Camera& camera, const Vec3& world);
// False when the point is not in front of the camera.
bool Project(const Camera& camera, const Picture& picture, const Vec3& world, Point2& out);
// The part of a segment in view (within the margin); false when there is none.
bool ProjectSegment(const Camera& camera, const Picture& picture, const Vec3& a, const Vec3& b,
                    Point2& outA, Point2& outB);
// A flat polygon cut to the part in view (within the margin; empty when none).
std::vector<Point2> ProjectPolygon(const Camera& camera, const Picture& picture,
                                   const std::vector<Vec3>& corners);

// The horizon of level ground: the pixels whose rays are level satisfy
// A x + B y + C = 0; above it (A x + B y + C > 0) the rays rise.
struct Line {
    double A, B, C;
};
Line Horizon(const Camera& camera, const Picture& picture);
// The picture's corners on the side of the line where the rays fall: the ground.
std::vector<Point2> BelowHorizon(const Line& horizon, const Picture& picture);

} // namespace view
