// The in-cockpit eye: the pilot's head inside the aircraft. One step moves and
// turns the eye from the held commands, lets the head lag behind the
// aircraft's rotation (latency) and shake while it rolls on the ground
// (turbulence), and edits a working copy of the host's view record for the
// caller to write back. Pure: the caller reads the host and writes the copy.
#pragma once

#include "geometry/geometry.h"
#include "host/random.h"
#include "host/samples.h"
#include "host/units.h"
#include "host/view_record.h"

#include <cstdint>

namespace pilot {

// The pilot's movement commands, each 0 or 1 (1 while its key is held).
struct HeldCommands {
    int32_t Forward, Backward, StepRight, StepLeft;
    int32_t HeadUp, HeadDown, HeadRight, HeadLeft;
    int32_t Up, Down, Crouch; // not used inside the cockpit
    int32_t ZoomIn, ZoomOut;
};

// Where the eye is and which way it looks: what a saved view keeps.
struct EyePose {
    geometry::Vector3 Position; // view units
    double Heading, Pitch;      // degrees
    double Zoom;
};

// The eye on its way from one pose to another, eased in and out.
struct EyeGlide {
    int32_t Active;
    double Elapsed; // seconds since it began
    EyePose From, To;
};

// Everything the eye keeps from one step to the next; all zero at load.
struct CockpitEye {
    host::ViewRecord ViewCopy;            // the host's view as last taken over, then edited
    int32_t ViewCopyFilled;               // 0 until ViewCopy was first taken from the host
    geometry::Vector3 EyePosition;        // x right, y up, z forward, view units
    geometry::Attitude EyeAngles;         // never wrapped: the heading accumulates turns
    geometry::Attitude PreviousEyeAngles; // EyeAngles as written by the previous step
    geometry::Attitude AircraftAttitude;
    geometry::Attitude PreviousAttitude; // all 0.0: there was no previous step
    geometry::Attitude LatencyOffset;    // each within -LatencyLimit..LatencyLimit
    geometry::Attitude TurbulenceOffset;
    geometry::Attitude TurbulenceTarget;
    geometry::Attitude TurbulenceSpeed; // degrees per second
    double Zoom;
    double TurbulenceTimer; // seconds until new turbulence targets
    EyeGlide Glide;
    EyePose HostPose; // the eye as the host had it when the view was last taken over
};

// ---- Constants of the host contract, used exactly as the host's -----------

constexpr double HeadTurnRate = 35.0; // degrees per second; the eye moves 1 unit/s
constexpr double LatencyDecay = 0.9;  // per step, not per second
constexpr double LatencyLimit = 20.0; // degrees
constexpr double HeadingLatencyGain = -3.0;
constexpr double NauticalMilesPerMetre = 0.00054;
constexpr double SecondsPerHour = 3600.0;
constexpr double FullTurbulenceKnots = 100.0;
constexpr double TurbulencePitchRange = 200.0; // degrees, before the scale-down
constexpr double TurbulenceSideRange = 50.0;   // heading and bank
constexpr double TurbulenceScaleDown = 20.0;
constexpr double MinTurbulenceInterval = 0.1; // seconds
constexpr double AirborneFadeRate = 2.0;      // degrees per second
constexpr double ViewDirectionStep = 45.0;    // degrees per unit of the direction word
constexpr double EyeWordScale = 256.0;        // eye words per view unit
constexpr double ZoomWordScale = 64.0;
constexpr double HeadingWordsPerTurn = 65536.0;

// ---- The module's own: glides and keyboard zoom ---------------------------------

constexpr double GlideSeconds = 0.5;
constexpr double LeastZoom = 0.25; // the wheel's limits, the keys' too
constexpr double MostZoom = 8.0;
constexpr double ZoomKeyFactorPerSecond = 2.8284271247461903; // 1 to 8 in two seconds

// ---- Angle helpers -----------------------------------------------------------
// They give the results of the plain loops (subtract or add a turn until in
// range) for every value below 2^56 in magnitude; larger ones are reduced with
// the exact remainder first, so infinity and 1e300 return instead of spinning
// forever. Not a number passes through.

// a - b after folding both into -180..180, across the 180 line the short way:
// (170, -170) is -20, (-170, 170) is 20, (0, 360) is 0.
double AngleDifference(double a, double b);
// Into 0..360, 360 itself staying 360.
double WrapAngle(double a);
// Moves value toward target by speed x dt without passing it.
void Approach(double& value, double target, double speed, double dt);
// Pitch and heading (wrapped into 0..360) of a view record's rotation; bank 0.
geometry::Attitude ViewAngles(const host::ViewRecord& record);

// ---- The eye's rotation, row vectors: p' = p x M -----------------------------------

// RotZ(bank) x (RotX(pitch) x RotY(heading)), radians.
geometry::Matrix4 EyeRotation(double pitch, double heading, double bank);

// ---- 16-bit words ------------------------------------------------------------

// The low 16 bits of x cut toward zero, for any finite x (wraps: 65536 + 5 is
// 5, -1 is -1); keep when x is not finite.
int16_t WrappedWord(double x, int16_t keep);
// x cut toward zero and held within -32768..32767; keep when x is not a number.
int16_t ClampedWord(double x, int16_t keep);

// ---- Poses and glides -------------------------------------------------------------

EyePose PoseOf(const CockpitEye& eye);
// The pilot turns the eye (degrees) or sets its zoom, by the mouse or a key:
// a glide stops where it is.
void TurnEye(CockpitEye& eye, double heading, double pitch);
void SetEyeZoom(CockpitEye& eye, double zoom);
// A zoom after dt seconds of the zoom keys held: 1 to 8 in two seconds,
// within the host's 0.25..8; both or neither held leave it.
double ZoomedByKeys(double zoom, const HeldCommands& held, double dt);
// Zoom within LeastZoom..MostZoom; not a number gives 1.
double LimitedZoom(double zoom);
// The eye starts gliding to pose, the short way round in heading and pitch;
// each frame step moves it on, and a held movement or a change of the
// host's view stops it where it is.
void StartGlide(CockpitEye& eye, const EyePose& pose);

// ---- The step ------------------------------------------------------------------

// One step of the eye over the live record of the active view, whose kind the
// caller has checked to be ViewKindCockpit. reread 1 compares the copy with
// the live record and takes the host's view over when it changed; a held
// command clears it for this step, so the step's write-back overwrites a host
// change made in the same frame. Returns 1: eye.ViewCopy is to be written over
// the live record.
//
// Values the host should never give still leave the host finite words:
// - a copy never filled from the host is never written: the step takes the
//   live view over first, whatever the held commands and reread;
// - a timeStep, latencyFactor or turbulenceFactor that is not finite counts
//   as 0;
// - a sample pitch, heading or bank that is not finite leaves the aircraft's
//   attitude as it was for this step (so no latency is fed); an on-ground or
//   ground-speed value that is not finite leaves the turbulence timer,
//   targets and speeds as they were and draws nothing;
// - any eye value that the step would leave not finite (an overflow, or a
//   caller's corrupt value) goes back to its value before the step, or to 0
//   (the zoom: the copy's zoom word) if that was not finite either;
// - an orientation angle whose sum overflows uses the eye's own angle alone,
//   and angles beyond a billion degrees are reduced modulo 360 before the
//   cosine and sine;
// - the eye offset and heading words wrap to 16 bits (as the heading must:
//   it accumulates turns), the zoom word is clamped.
int32_t InCockpitStep(CockpitEye& eye, const HeldCommands& held, const host::ViewRecord& live,
                      const host::CockpitSample& sample, double latencyFactor,
                      double turbulenceFactor, double timeStep, int32_t reread,
                      host::RandomSequence& random);

// The eye turned or zoomed by the mouse, between frames: the view record shows
// the eye's angles and zoom as they are now, with the latency and turbulence
// as the last step left them. Nothing that time drives moves (held commands,
// latency, turbulence, random draws): that happens once a frame, however many
// mouse messages come. A copy never taken from the host is taken over first.
// Returns 1: eye.ViewCopy is to be written over the live record.
int32_t InCockpitLook(CockpitEye& eye, const host::ViewRecord& live);

} // namespace pilot
