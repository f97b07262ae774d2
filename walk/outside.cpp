#include "walk/outside.h"

#include "host/units.h"

#include <cmath>

namespace walk {

namespace {

using geometry::Vector3;

constexpr float SubBlockWord144 = 0.04319699853658676f;  // bits 0x3D30EF56
constexpr float SubBlockWord168 = -0.03725900128483772f; // bits 0xBD189CE5
constexpr double UScale = 0.75, VScale = 0.5, UvWordScale = 1073741824.0;

double Pick(int32_t first, int32_t second, double value) {
    return first ? value : second ? -value : 0.0;
}

} // namespace

void FloorEyeHeight(Walker& s) {
    if (s.EyeHeight < LeastEyeHeight) s.EyeHeight = LeastEyeHeight;
}

void EngageWalker(Walker& s, const host::WalkSample& sample) {
    s.StartGroundAltitude = sample.GroundAltitude / GroundAltitudeUnits;
    s.Latitude = sample.Latitude / host::EyeRecordMetresPerDegree;
    s.Longitude = sample.Longitude / host::LongitudeVariableRoot / host::LongitudeVariableRoot *
                  host::DegreesPerTurn;
    s.Altitude = s.StartGroundAltitude;
    s.Attitude = {0.0, sample.Heading, 0.0};
    s.Head = {0.0, 0.0, 0.0};
    s.BobOffset = s.ForwardSpeed = s.SideSpeed = 0.0;
    s.Zoom = 1.0;
}

GeoPoint TangentPlaneStep(const GeoPoint& from, const Vector3& v) {
    geometry::LatLon p = geometry::OffsetOnSphere(
        {from.Latitude * host::RadiansPerDegree, from.Longitude * host::RadiansPerDegree}, v,
        host::EarthRadius, {host::WalkQuarterTurn, host::WalkHalfTurn});
    // Next to a pole the elevation can come out a turn off (-270 for 90) or
    // past 90: the same point, its latitude within -90..90.
    p = geometry::OnTheSphere(p);
    double longitude = p.Longitude * host::DegreesPerRadian;
    // Bounded: an absurd value must not spin the host's thread.
    if (std::fabs(longitude) > 1e6) longitude = std::fmod(longitude, 360.0);
    while (longitude > 180.0) longitude -= 360.0;
    while (longitude < -180.0) longitude += 360.0;
    return {p.Latitude * host::DegreesPerRadian, longitude};
}

GeoPoint MoveWalker(Walker& s, const WalkerMoves& moves, double runSpeed, double clock, double dt) {
    double speed = moves.Running ? (runSpeed == 0.0 ? DefaultRunSpeed : runSpeed) : WalkSpeed;
    // Forward wins over backward, right over left.
    s.ForwardSpeed = Pick(moves.Forward, moves.Backward, speed);
    s.SideSpeed = Pick(moves.Right, moves.Left, speed);
    if (moves.Rise)
        s.EyeHeight += speed * dt;
    else if (moves.Sink)
        s.EyeHeight -= speed * dt; // below the floor for this frame only
    if (std::fabs(s.ForwardSpeed) > BobThreshold || std::fabs(s.SideSpeed) > BobThreshold) {
        s.BobOffset = std::sin(clock * BobRate * host::RadiansPerDegree) * BobHeight;
    } else {
        // The bob dies away while the walker stands; a slow frame never makes it grow.
        double keep = dt + dt;
        s.BobOffset *= keep < 1.0 ? keep : 1.0;
    }
    if (moves.TurnRight)
        s.Attitude.Heading += TurnRate * dt;
    else if (moves.TurnLeft)
        s.Attitude.Heading -= TurnRate * dt;
    double& pitch = s.Head.Pitch;
    if (moves.HeadUp) {
        pitch -= HeadPitchRate * dt;
        if (pitch < -HeadPitchLimit) pitch = -HeadPitchLimit;
    } else if (moves.HeadDown) {
        pitch += HeadPitchRate * dt;
        if (pitch > HeadPitchLimit) pitch = HeadPitchLimit;
    }
    GeoPoint at = {s.Latitude, s.Longitude};
    if (s.ForwardSpeed == 0.0 && s.SideSpeed == 0.0) return at;
    Vector3 v = {s.SideSpeed * dt, 0.0, s.ForwardSpeed * dt};
    geometry::RotateAboutY(v, s.Attitude.Heading * host::RadiansPerDegree);
    return TangentPlaneStep(at, v);
}

void SettleWalker(Walker& s, const GeoPoint& at, double nearestDistance, double dt) {
    double ground = nearestDistance < NoHit ? ProbeHeight - nearestDistance : s.StartGroundAltitude;
    s.Latitude = at.Latitude;
    s.Longitude = at.Longitude;
    double& feet = s.Altitude;
    if (feet <= ground) {
        feet = ground; // onto anything higher at once
    } else {
        feet -= FallSpeed * dt;
        if (feet < ground) feet = ground;
    }
}

WalkerView ComposeWalkerView(const Walker& s, bool crouching, const host::ViewRecord& view) {
    WalkerView w;
    w.Latitude = s.Latitude;
    w.Longitude = s.Longitude;
    w.Altitude = s.Altitude + s.BobOffset + (crouching ? CrouchEyeHeight : s.EyeHeight);
    w.Eye = host::EncodeLatLonAlt(w.Latitude, w.Longitude, w.Altitude);
    w.Attitude = {host::EncodeAngle(s.Attitude.Pitch), host::EncodeAngle(s.Attitude.Bank),
                  host::EncodeAngle(s.Attitude.Heading)};
    double heading = s.Attitude.Heading * host::RadiansPerDegree;
    double pitch = s.Head.Pitch * host::RadiansPerDegree;
    w.Rotation = geometry::Multiply(geometry::RotY(heading), geometry::RotX(pitch));
    double zoom = s.Zoom / 64.0;
    w.ZoomWord = zoom >= 0.0 && zoom < 65536.0 ? uint16_t(zoom) : 0;
    w.U = ((w.Longitude + 180.0) / 360.0) * UScale;
    w.V = (1.0 - (w.Latitude + 90.0) / 180.0) * VScale;
    w.UWord = std::isfinite(w.U) ? int32_t(std::trunc(w.U * UvWordScale)) : 0;
    w.VWord = std::isfinite(w.V) ? int32_t(std::trunc(w.V * UvWordScale)) : 0;
    // A view without an aspect ratio is taken as square.
    double aspect = view.AspectDenominator != 0
                        ? (2.0 * view.AspectNumerator) / (2.0 * view.AspectDenominator)
                        : 1.0;
    double walkerZoom = s.Zoom > 0.0 ? s.Zoom : 1.0;
    geometry::Matrix4 scale{};
    scale.M[0][0] = 1.0f;
    scale.M[1][1] = float(aspect);
    scale.M[2][2] = float(ViewMatrixDepth / walkerZoom);
    scale.M[3][3] = 1.0f;
    w.ViewMatrix = geometry::Multiply(
        geometry::Multiply(geometry::RotY(-heading), geometry::RotX(-pitch)), scale);
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
