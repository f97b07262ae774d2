#include "walk/outside.h"

#include <cmath>

namespace walk {

namespace {

using camera::Vector3;

// The step's own angles use pi exactly (its rotations use the host's values).
constexpr double ExactPi = 3.141592653589793;

constexpr float SubBlockWord144 = 0.04319699853658676f;  // bits 0x3D30EF56
constexpr float SubBlockWord168 = -0.03725900128483772f; // bits 0xBD189CE5
constexpr double UScale = 0.75, VScale = 0.5, UvWordScale = 1073741824.0;

double Pick(int32_t first, int32_t second, double value) {
    return first ? value : second ? -value : 0.0;
}

// atan2-based angles of the reference step sequence, with exact pi.
double AngleAroundY(const Vector3& d) {
    if (d.Z != 0.0) return -(std::atan2(d.X, d.Z) + ExactPi);
    if (d.X != 0.0) return -(std::atan2(d.Z, d.X) + ExactPi / 2);
    return 0.0;
}

Vector3 Negated(const Vector3& v) {
    return {-v.X, -v.Y, -v.Z};
}

} // namespace

void FloorEyeHeight(pilot::PilotViewState& s) {
    if (s.EyeHeight < LeastEyeHeight) s.EyeHeight = LeastEyeHeight;
}

void EngageWalker(pilot::PilotViewState& s, const WalkSample& sample) {
    s.StartGroundAltitude = sample.GroundAltitude / GroundAltitudeUnits;
    s.WalkerLatitude = sample.Latitude / host::LatLonMetresPerDegree;
    s.WalkerLongitude = sample.Longitude / 16777216.0 / 16777216.0 * 360.0;
    s.WalkerAltitude = s.StartGroundAltitude;
    s.WalkerAttitude = {0.0, sample.Heading, 0.0};
    s.HeadAttitude = {0.0, 0.0, 0.0};
    s.BobOffset = s.ForwardSpeed = s.SideSpeed = 0.0;
    s.WalkerZoom = 1.0;
}

GeoPoint TangentPlaneStep(const GeoPoint& from, const Vector3& v) {
    Vector3 p = {v.X, WalkEarthRadius, v.Z};
    camera::RotateAboutX(p, -WalkQuarterTurn);
    camera::RotateAboutX(p, from.Latitude * WalkRadiansPerDegree);
    camera::RotateAboutY(p, -from.Longitude * WalkRadiansPerDegree);
    camera::RotateAboutY(p, WalkHalfTurn);
    double t1 = AngleAroundY(Negated(p));
    camera::RotateAboutY(p, t1);
    Vector3 d = Negated(p);
    double t2 = d.Y != 0.0 ? -(std::atan2(d.Z, d.Y) + ExactPi / 2) : 0.0;
    double latitude = t2 * WalkDegreesPerRadian;
    double longitude = t1 * WalkDegreesPerRadian;
    // Next to a pole the elevation can come out a turn off (-270 for 90) or
    // past 90: the same point, its latitude within -90..90 and its longitude
    // on the other side of the pole.
    if (latitude < -180.0) latitude += 360.0;
    if (latitude > 180.0) latitude -= 360.0;
    if (std::fabs(latitude) > 90.0) {
        latitude = (latitude > 0.0 ? 180.0 : -180.0) - latitude;
        longitude += 180.0;
    }
    // Bounded: an absurd value must not spin the host's thread.
    if (std::fabs(longitude) > 1e6) longitude = std::fmod(longitude, 360.0);
    while (longitude > 180.0) longitude -= 360.0;
    while (longitude < -180.0) longitude += 360.0;
    return {latitude, longitude};
}

GeoPoint MoveWalker(pilot::PilotViewState& s, bool running) {
    const pilot::HeldCommands& held = s.Held;
    double dt = s.TimeStep;
    if (s.RunSpeed == 0.0) s.RunSpeed = DefaultRunSpeed;
    double speed = running ? s.RunSpeed : WalkSpeed;
    // Forward wins over backward, right over left.
    s.ForwardSpeed = Pick(held.Forward, held.Backward, speed);
    s.SideSpeed = Pick(held.StepRight, held.StepLeft, speed);
    if (held.Up)
        s.EyeHeight += speed * dt;
    else if (held.Down)
        s.EyeHeight -= speed * dt; // below the floor for this frame only
    if (std::fabs(s.ForwardSpeed) > BobThreshold || std::fabs(s.SideSpeed) > BobThreshold) {
        s.BobOffset = std::sin(s.Clock * BobRate * WalkRadiansPerDegree) * BobHeight;
    } else {
        // The bob dies away while the walker stands; a slow frame never makes it grow.
        double keep = dt + dt;
        s.BobOffset *= keep < 1.0 ? keep : 1.0;
    }
    if (held.HeadRight)
        s.WalkerAttitude.Heading += TurnRate * dt;
    else if (held.HeadLeft)
        s.WalkerAttitude.Heading -= TurnRate * dt;
    if (held.ZoomIn != held.ZoomOut) {
        double factor = std::pow(pilot::ZoomKeyFactorPerSecond, held.ZoomIn ? dt : -dt);
        s.WalkerZoom = pilot::LimitedZoom(s.WalkerZoom * factor);
    }
    double& pitch = s.HeadAttitude.Pitch;
    if (held.HeadUp) {
        pitch -= HeadPitchRate * dt;
        if (pitch < -HeadPitchLimit) pitch = -HeadPitchLimit;
    } else if (held.HeadDown) {
        pitch += HeadPitchRate * dt;
        if (pitch > HeadPitchLimit) pitch = HeadPitchLimit;
    }
    GeoPoint at = {s.WalkerLatitude, s.WalkerLongitude};
    if (s.ForwardSpeed == 0.0 && s.SideSpeed == 0.0) return at;
    Vector3 v = {s.SideSpeed * dt, 0.0, s.ForwardSpeed * dt};
    camera::RotateAboutY(v, s.WalkerAttitude.Heading * WalkRadiansPerDegree);
    return TangentPlaneStep(at, v);
}

void SettleWalker(pilot::PilotViewState& s, const GeoPoint& at, double nearestDistance) {
    double ground = nearestDistance < NoHit ? ProbeHeight - nearestDistance : s.StartGroundAltitude;
    s.WalkerLatitude = at.Latitude;
    s.WalkerLongitude = at.Longitude;
    double& feet = s.WalkerAltitude;
    if (feet <= ground) {
        feet = ground; // onto anything higher at once
    } else {
        feet -= FallSpeed * s.TimeStep;
        if (feet < ground) feet = ground;
    }
}

WalkerView ComposeWalkerView(const pilot::PilotViewState& s, const host::ViewRecord& view) {
    WalkerView w;
    w.Latitude = s.WalkerLatitude;
    w.Longitude = s.WalkerLongitude;
    w.Altitude = s.WalkerAltitude + s.BobOffset + (s.Held.Crouch ? CrouchEyeHeight : s.EyeHeight);
    w.Eye = host::EncodeLatLonAlt(w.Latitude, w.Longitude, w.Altitude);
    w.Attitude = {host::EncodeAngle(s.WalkerAttitude.Pitch),
                  host::EncodeAngle(s.WalkerAttitude.Bank),
                  host::EncodeAngle(s.WalkerAttitude.Heading)};
    double heading = s.WalkerAttitude.Heading * WalkRadiansPerDegree;
    double pitch = s.HeadAttitude.Pitch * WalkRadiansPerDegree;
    w.Rotation = pilot::Multiply(pilot::RotY(heading), pilot::RotX(pitch));
    double zoom = s.WalkerZoom / 64.0;
    w.ZoomWord = zoom >= 0.0 && zoom < 65536.0 ? uint16_t(zoom) : 0;
    w.U = ((w.Longitude + 180.0) / 360.0) * UScale;
    w.V = (1.0 - (w.Latitude + 90.0) / 180.0) * VScale;
    w.UWord = std::isfinite(w.U) ? int32_t(std::trunc(w.U * UvWordScale)) : 0;
    w.VWord = std::isfinite(w.V) ? int32_t(std::trunc(w.V * UvWordScale)) : 0;
    // A view without an aspect ratio is taken as square.
    double aspect = view.AspectDenominator != 0
                        ? (2.0 * view.AspectNumerator) / (2.0 * view.AspectDenominator)
                        : 1.0;
    double walkerZoom = s.WalkerZoom > 0.0 ? s.WalkerZoom : 1.0;
    pilot::Matrix4 scale{};
    scale.M[0][0] = 1.0f;
    scale.M[1][1] = float(aspect);
    scale.M[2][2] = float(ViewMatrixDepth / walkerZoom);
    scale.M[3][3] = 1.0f;
    w.ViewMatrix =
        pilot::Multiply(pilot::Multiply(pilot::RotY(-heading), pilot::RotX(-pitch)), scale);
    return w;
}

void ApplyToViewRecord(const WalkerView& w, host::ViewRecord& view) {
    view.Kind = host::ViewKindOutside;
    view.EyePoint = w.Eye;
    view.EyePointAgain = w.Eye;
    view.Direction = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) view.Rotation[r].Column[c] = w.Rotation.M[r][c];
    view.OutsideZoom = w.ZoomWord;
}

void ApplyToCameraBlock(const WalkerView& w, host::CameraBlock& block) {
    for (int i = 0; i < 16; ++i) block.Matrix[i] = w.Rotation.M[i / 4][i % 4];
    block.Latitude = w.Latitude;
    block.Longitude = w.Longitude;
    block.AltitudeKilometres = w.Altitude / 1000.0;
    block.U = w.U;
    block.V = w.V;
    block.UWord = w.UWord;
    block.VWord = w.VWord;
}

void ApplyToCameraSubBlock(const WalkerView& w, host::CameraSubBlock& sub) {
    sub.Latitude = w.Latitude;
    sub.Longitude = w.Longitude;
    sub.AltitudeKilometres = w.Altitude / 1000.0;
    sub.Word144 = SubBlockWord144;
    sub.Word168 = SubBlockWord168;
    sub.Word192 = 0.0f;
    sub.Word196 = float(-w.Altitude);
    sub.Word200 = 0.0f;
}

} // namespace walk
