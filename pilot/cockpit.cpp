#include "pilot/cockpit.h"

#include <cmath>
#include <initializer_list>

namespace pilot {

using geometry::Attitude;
using geometry::Matrix4;
using geometry::Vector3;
using host::DegreesPerRadian;
using host::DegreesPerTurn;
using host::RadiansPerDegree;

namespace {

// Beyond this many degrees the loops below would take a while; the remainder
// is exact, and so is every subtraction of a turn below 2^56, so reducing
// first changes no result (the sign kept and two turns added leave the loops
// at least one step, which also gives their zero the same sign).
constexpr double LoopReductionLimit = 100.0 * DegreesPerTurn;
// Cosine and sine of larger arguments differ between runtimes (or fail); the
// written conversion of such an angle means nothing anyway.
constexpr double TrigReductionLimit = 1e9;

double ReducedForLoops(double a) {
    if (std::fabs(a) > LoopReductionLimit) {
        double twoTurns = 2.0 * DegreesPerTurn;
        return std::fmod(a, DegreesPerTurn) + (a > 0.0 ? twoTurns : -twoTurns);
    }
    return a; // not a number included: the loops leave it at once
}

double FoldHalfTurn(double a) {
    a = ReducedForLoops(a);
    while (a > 180.0) a -= DegreesPerTurn;
    while (a < -180.0) a += DegreesPerTurn;
    return a;
}

bool Finite(double x) {
    return std::isfinite(x);
}

bool Finite(const Attitude& a) {
    return Finite(a.Pitch) && Finite(a.Heading) && Finite(a.Bank);
}

// Degrees to radians for the orientation, as written below the limit.
double OrientationRadians(double degrees) {
    if (std::fabs(degrees) > TrigReductionLimit) degrees = std::fmod(degrees, DegreesPerTurn);
    return degrees * RadiansPerDegree;
}

// Eye + latency + turbulence; an overflow keeps the eye's own angle.
double OrientationAngle(double eye, double latency, double turbulence) {
    double sum = eye + latency + turbulence;
    return Finite(sum) ? sum : eye;
}

// The eye moves along its own heading.
void MoveEye(CockpitEye& eye, Vector3 step) {
    geometry::RotateAboutY(step, eye.EyeAngles.Heading * RadiansPerDegree);
    eye.EyePosition.X += step.X;
    eye.EyePosition.Y += step.Y;
    eye.EyePosition.Z += step.Z;
}

// The words the host's own controls change: eye offset, zoom, rotation.
bool ViewDiffers(const host::ViewRecord& copy, const host::ViewRecord& live) {
    for (int i = 0; i < 3; ++i)
        if (copy.EyeOffset[i] != live.EyeOffset[i]) return true;
    if (copy.Zoom != live.Zoom) return true;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            // Exact: a float that is not a number counts as changed.
            if (!(copy.Rotation[r].Column[c] == live.Rotation[r].Column[c])) return true;
    return false;
}

void DrawTurbulence(CockpitEye& eye, double groundSpeed, double factor,
                    host::RandomSequence& random) {
    double f = groundSpeed * NauticalMilesPerMetre * SecondsPerHour / FullTurbulenceKnots;
    if (f < 0.0) f = 0.0;
    if (f > 1.0) f = 1.0;
    double a = f * factor;
    double r[7];
    for (double& each : r) each = NextRandom(random) / double(host::RandMax);
    eye.TurbulenceTimer = r[0] * (1.0 - a);
    if (eye.TurbulenceTimer < MinTurbulenceInterval) eye.TurbulenceTimer = MinTurbulenceInterval;
    eye.TurbulenceTarget = {
        (r[1] * TurbulencePitchRange - TurbulencePitchRange / 2.0) * a * factor,
        (r[2] * TurbulenceSideRange - TurbulenceSideRange / 2.0) * a * factor,
        (r[3] * TurbulenceSideRange - TurbulenceSideRange / 2.0) * a * factor,
    };
    eye.TurbulenceSpeed = {r[4] * TurbulencePitchRange * a, r[5] * TurbulenceSideRange * a,
                           r[6] * TurbulenceSideRange * a};
    for (Attitude* each : {&eye.TurbulenceTarget, &eye.TurbulenceSpeed}) {
        each->Pitch /= TurbulenceScaleDown;
        each->Heading /= TurbulenceScaleDown;
        each->Bank /= TurbulenceScaleDown;
    }
}

void GroundTurbulence(CockpitEye& eye, const host::CockpitSample& sample, double factor, double dt,
                      host::RandomSequence& random) {
    if (!Finite(sample.OnGround)) return;
    if (sample.OnGround == 0.0) {
        // Airborne: whatever shaking is left dies away.
        eye.TurbulenceTarget = {0.0, 0.0, 0.0};
        eye.TurbulenceSpeed = {AirborneFadeRate, AirborneFadeRate, AirborneFadeRate};
        return;
    }
    if (!Finite(sample.GroundSpeed)) return;
    eye.TurbulenceTimer -= dt;
    if (eye.TurbulenceTimer < 0.0) DrawTurbulence(eye, sample.GroundSpeed, factor, random);
}

// The head lags behind the aircraft's change of attitude since the last step.
void FeedLatency(CockpitEye& eye, double factor) {
    const Attitude& now = eye.AircraftAttitude;
    const Attitude& before = eye.PreviousAttitude;
    if (before.Pitch == 0.0 && before.Heading == 0.0 && before.Bank == 0.0) return;
    Vector3 q = {AngleDifference(now.Pitch, before.Pitch) * factor,
                 AngleDifference(now.Heading, before.Heading) * factor * HeadingLatencyGain,
                 AngleDifference(now.Bank, before.Bank) * factor};
    // Pitch and bank change as seen from where the head faces.
    geometry::RotateAboutY(q, -eye.EyeAngles.Heading * RadiansPerDegree);
    Attitude& latency = eye.LatencyOffset;
    latency.Pitch -= q.X;
    latency.Heading -= q.Y;
    latency.Bank -= q.Z;
    for (double* each : {&latency.Pitch, &latency.Heading, &latency.Bank}) {
        if (*each > LatencyLimit) *each = LatencyLimit;
        if (*each < -LatencyLimit) *each = -LatencyLimit;
    }
}

void ApplyPose(CockpitEye& eye, const EyePose& pose) {
    eye.EyePosition = pose.Position;
    eye.EyeAngles.Heading = pose.Heading;
    eye.EyeAngles.Pitch = pose.Pitch;
    eye.Zoom = pose.Zoom;
}

double Between(double from, double to, double s) {
    return from + (to - from) * s;
}

// Smoothstep of the time gone: the eye eases out of its pose and into the next,
// and lands on it exactly at GlideSeconds, at any frame rate.
void AdvanceGlide(CockpitEye& eye, double dt) {
    EyeGlide& g = eye.Glide;
    g.Elapsed += dt;
    double t = g.Elapsed / GlideSeconds;
    // Frame steps summed in floating point may fall short of the whole by a
    // rounding: the glide still ends on the frame that completes its time.
    if (!(t < 1.0 - 1e-9)) {
        ApplyPose(eye, g.To);
        g.Active = 0;
        return;
    }
    double s = t < 0.0 ? 0.0 : t * t * (3.0 - 2.0 * t);
    const EyePose &a = g.From, &b = g.To;
    ApplyPose(eye, {{Between(a.Position.X, b.Position.X, s), Between(a.Position.Y, b.Position.Y, s),
                     Between(a.Position.Z, b.Position.Z, s)},
                    Between(a.Heading, b.Heading, s),
                    Between(a.Pitch, b.Pitch, s),
                    Between(a.Zoom, b.Zoom, s)});
}

// The host's view becomes the eye's new starting point.
void TakeOver(CockpitEye& eye, const host::ViewRecord& live) {
    eye.ViewCopy = live;
    eye.ViewCopyFilled = 1;
    Attitude host = ViewAngles(live);
    host.Heading += live.Direction * ViewDirectionStep;
    eye.EyePosition = {(int32_t(live.EyeReference[0]) + live.EyeOffset[0]) / EyeWordScale,
                       (int32_t(live.EyeReference[1]) + live.EyeOffset[1]) / EyeWordScale,
                       (int32_t(live.EyeReference[2]) + live.EyeOffset[2]) / EyeWordScale};
    eye.EyeAngles.Pitch += AngleDifference(host.Pitch, eye.PreviousEyeAngles.Pitch);
    eye.EyeAngles.Heading += AngleDifference(host.Heading, eye.PreviousEyeAngles.Heading);
    eye.EyeAngles.Bank += AngleDifference(host.Bank, eye.PreviousEyeAngles.Bank);
    eye.Zoom = live.Zoom / ZoomWordScale;
    eye.HostPose = PoseOf(eye);
}

void Settle(double& value, double before, double fallback) {
    if (!Finite(value)) value = Finite(before) ? before : fallback;
}

void Settle(Attitude& value, const Attitude& before) {
    Settle(value.Pitch, before.Pitch, 0.0);
    Settle(value.Heading, before.Heading, 0.0);
    Settle(value.Bank, before.Bank, 0.0);
}

// Every eye value finite again: the values before the step where they were.
void SettleEye(CockpitEye& eye, const CockpitEye& before) {
    Settle(eye.EyePosition.X, before.EyePosition.X, 0.0);
    Settle(eye.EyePosition.Y, before.EyePosition.Y, 0.0);
    Settle(eye.EyePosition.Z, before.EyePosition.Z, 0.0);
    Settle(eye.EyeAngles, before.EyeAngles);
    Settle(eye.PreviousEyeAngles, before.PreviousEyeAngles);
    Settle(eye.AircraftAttitude, before.AircraftAttitude);
    Settle(eye.PreviousAttitude, before.PreviousAttitude);
    Settle(eye.LatencyOffset, before.LatencyOffset);
    Settle(eye.TurbulenceOffset, before.TurbulenceOffset);
    Settle(eye.TurbulenceTarget, before.TurbulenceTarget);
    Settle(eye.TurbulenceSpeed, before.TurbulenceSpeed);
    Settle(eye.Zoom, before.Zoom, eye.ViewCopy.Zoom / ZoomWordScale);
    Settle(eye.TurbulenceTimer, before.TurbulenceTimer, 0.0);
}

} // namespace

// ============================================================================
// Angle helpers
// ============================================================================

double AngleDifference(double a, double b) {
    a = FoldHalfTurn(a);
    b = FoldHalfTurn(b);
    if (a > 90.0 && b < -90.0) b += DegreesPerTurn;
    if (b > 90.0 && a < -90.0) a += DegreesPerTurn;
    return a - b;
}

double WrapAngle(double a) {
    a = ReducedForLoops(a);
    while (a < 0.0) a += DegreesPerTurn;
    while (a > DegreesPerTurn) a -= DegreesPerTurn;
    return a;
}

void Approach(double& value, double target, double speed, double dt) {
    if (value == target) return;
    if (target - value > 0.0) {
        value += speed * dt;
        if (value > target) value = target;
    } else {
        value -= speed * dt;
        if (value < target) value = target;
    }
}

Attitude ViewAngles(const host::ViewRecord& record) {
    // The points 1 and 2 units along the view's forward row.
    Vector3 a = {record.Rotation[2].Column[0], record.Rotation[2].Column[1],
                 record.Rotation[2].Column[2]};
    Vector3 b = {2.0 * a.X, 2.0 * a.Y, 2.0 * a.Z};
    double heading = WrapAngle(geometry::AzimuthOf(a, b) * DegreesPerRadian);
    geometry::RotateAboutY(a, -heading * RadiansPerDegree);
    geometry::RotateAboutY(b, -heading * RadiansPerDegree);
    double pitch = WrapAngle(geometry::ElevationOf(a, b) * DegreesPerRadian);
    return {pitch, heading, 0.0};
}

// ============================================================================
// The eye's rotation
// ============================================================================

Matrix4 EyeRotation(double pitch, double heading, double bank) {
    using geometry::Multiply;
    return Multiply(geometry::RotZ(bank), Multiply(geometry::RotX(pitch), geometry::RotY(heading)));
}

// ============================================================================
// 16-bit words
// ============================================================================

int16_t WrappedWord(double x, int16_t keep) {
    if (!Finite(x)) return keep;
    // The remainder is exact, so this is the truncated integer's low 16 bits;
    // since C++20 the narrowing conversion itself is modulo 2^16.
    double low = std::fmod(std::trunc(x), 65536.0);
    return static_cast<int16_t>(static_cast<int32_t>(low));
}

int16_t ClampedWord(double x, int16_t keep) {
    if (std::isnan(x)) return keep;
    if (x >= 32767.0) return 32767;
    if (x <= -32768.0) return -32768;
    return static_cast<int16_t>(x);
}

// ============================================================================
// Poses and glides
// ============================================================================

EyePose PoseOf(const CockpitEye& eye) {
    return {eye.EyePosition, eye.EyeAngles.Heading, eye.EyeAngles.Pitch, eye.Zoom};
}

void TurnEye(CockpitEye& eye, double heading, double pitch) {
    eye.EyeAngles.Heading += heading;
    eye.EyeAngles.Pitch += pitch;
    eye.Glide.Active = 0;
}

void SetEyeZoom(CockpitEye& eye, double zoom) {
    eye.Zoom = zoom;
    eye.Glide.Active = 0;
}

double ZoomedByKeys(double zoom, const HeldCommands& held, double dt) {
    if (held.ZoomIn == held.ZoomOut) return zoom;
    return LimitedZoom(zoom * std::pow(ZoomKeyFactorPerSecond, held.ZoomIn ? dt : -dt));
}

double LimitedZoom(double zoom) {
    if (std::isnan(zoom)) return 1.0;
    return zoom < LeastZoom ? LeastZoom : zoom > MostZoom ? MostZoom : zoom;
}

void StartGlide(CockpitEye& eye, const EyePose& pose) {
    EyeGlide& g = eye.Glide;
    g.From = PoseOf(eye);
    g.To = pose;
    // The eye's heading counts whole turns: the glide takes the short way.
    g.To.Heading = g.From.Heading + AngleDifference(pose.Heading, g.From.Heading);
    g.To.Pitch = g.From.Pitch + AngleDifference(pose.Pitch, g.From.Pitch);
    g.To.Zoom = LimitedZoom(pose.Zoom);
    g.Elapsed = 0.0;
    g.Active = 1;
}

// ============================================================================
// The step
// ============================================================================

namespace {

// The view record as the eye shows it: orientation, eye offset, zoom and
// heading words over the copy; then the angles written become the previous.
void ComposeView(CockpitEye& eye, const host::ViewRecord& live) {
    // Orientation: the eye's angles with the latency and turbulence on top.
    Matrix4 m = EyeRotation(
        OrientationRadians(OrientationAngle(eye.EyeAngles.Pitch, eye.LatencyOffset.Pitch,
                                            eye.TurbulenceOffset.Pitch)),
        OrientationRadians(OrientationAngle(eye.EyeAngles.Heading, eye.LatencyOffset.Heading,
                                            eye.TurbulenceOffset.Heading)),
        OrientationRadians(OrientationAngle(eye.EyeAngles.Bank, eye.LatencyOffset.Bank,
                                            eye.TurbulenceOffset.Bank)));
    host::ViewRecord& out = eye.ViewCopy;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) out.Rotation[r].Column[c] = m.M[r][c];

    const double position[3] = {eye.EyePosition.X, eye.EyePosition.Y, eye.EyePosition.Z};
    for (int i = 0; i < 3; ++i)
        out.EyeOffset[i] =
            WrappedWord(position[i] * EyeWordScale - live.EyeReference[i], out.EyeOffset[i]);

    out.Direction = 0;
    out.Word40 = 0;
    out.Zoom = ClampedWord(eye.Zoom * ZoomWordScale, out.Zoom);
    // The heading word carries the eye alone, without latency or turbulence.
    out.Heading =
        WrappedWord(eye.EyeAngles.Heading / DegreesPerTurn * HeadingWordsPerTurn, out.Heading);

    eye.PreviousEyeAngles = eye.EyeAngles;
    eye.PreviousAttitude = eye.AircraftAttitude;
}

} // namespace

int32_t InCockpitStep(CockpitEye& eye, const HeldCommands& held, const host::ViewRecord& live,
                      const host::CockpitSample& sample, double latencyFactor,
                      double turbulenceFactor, double timeStep, int32_t reread,
                      host::RandomSequence& random) {
    const double dt = Finite(timeStep) ? timeStep : 0.0;
    if (!Finite(latencyFactor)) latencyFactor = 0.0;
    if (!Finite(turbulenceFactor)) turbulenceFactor = 0.0;
    const CockpitEye before = eye;

    // Held commands: the eye moves 1 unit and turns HeadTurnRate degrees a second.
    if (held.Forward) MoveEye(eye, {0.0, 0.0, dt});
    if (held.Backward) MoveEye(eye, {0.0, 0.0, -dt});
    if (held.StepRight) MoveEye(eye, {dt, 0.0, 0.0});
    if (held.StepLeft) MoveEye(eye, {-dt, 0.0, 0.0});
    if (held.HeadRight) eye.EyeAngles.Heading += HeadTurnRate * dt;
    if (held.HeadLeft) eye.EyeAngles.Heading -= HeadTurnRate * dt;
    if (held.HeadUp) eye.EyeAngles.Pitch -= HeadTurnRate * dt;
    if (held.HeadDown) eye.EyeAngles.Pitch += HeadTurnRate * dt;
    eye.Zoom = ZoomedByKeys(eye.Zoom, held, dt);
    // The pilot is moving: a host change of this frame is overwritten, and a
    // glide stops where it is.
    if (held.Forward || held.Backward || held.StepRight || held.StepLeft || held.HeadRight ||
        held.HeadLeft || held.HeadUp || held.HeadDown || held.ZoomIn || held.ZoomOut) {
        reread = 0;
        eye.Glide.Active = 0;
    }

    // A copy never taken from the host must not be written over it.
    bool changed = !eye.ViewCopyFilled || (reread != 0 && ViewDiffers(eye.ViewCopy, live));

    Approach(eye.TurbulenceOffset.Pitch, eye.TurbulenceTarget.Pitch, eye.TurbulenceSpeed.Pitch, dt);
    Approach(eye.TurbulenceOffset.Heading, eye.TurbulenceTarget.Heading,
             eye.TurbulenceSpeed.Heading, dt);
    Approach(eye.TurbulenceOffset.Bank, eye.TurbulenceTarget.Bank, eye.TurbulenceSpeed.Bank, dt);

    eye.LatencyOffset.Pitch *= LatencyDecay;
    eye.LatencyOffset.Heading *= LatencyDecay;
    eye.LatencyOffset.Bank *= LatencyDecay;

    Attitude aircraft = {sample.Pitch, sample.Heading, sample.Bank};
    if (Finite(aircraft)) eye.AircraftAttitude = aircraft;

    GroundTurbulence(eye, sample, turbulenceFactor, dt, random);
    FeedLatency(eye, latencyFactor);
    if (changed) {
        TakeOver(eye, live);
        eye.Glide.Active = 0; // the host moved the view: that is where the eye is
    } else if (eye.Glide.Active) {
        AdvanceGlide(eye, dt);
    }
    SettleEye(eye, before);

    ComposeView(eye, live);
    return 1;
}

int32_t InCockpitLook(CockpitEye& eye, const host::ViewRecord& live) {
    const CockpitEye before = eye;
    if (!eye.ViewCopyFilled) TakeOver(eye, live); // never write a copy not taken from the host
    SettleEye(eye, before);
    ComposeView(eye, live);
    return 1;
}

} // namespace pilot
