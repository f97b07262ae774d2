#include "camera/flyby.h"

#include "host/units.h"

#include <cmath>

namespace camera {

namespace {

constexpr double SideFractionOfLead = 10.0; // the point lies a tenth of the lead aside
constexpr double MetresPerKilometre = 1000.0;
constexpr double SecondsPerHour = 3600.0;
constexpr int32_t PlacementRight = 0, PlacementLeft = 1, PlacementRandom = 2;
constexpr int32_t LastLeftDraw = 16384; // draws up to this choose the left side

void ChooseSide(FlyByState& state, int32_t placement, host::RandomSequence& random) {
    switch (placement) {
    case PlacementRight:
        state.CameraSide = 1;
        break;
    case PlacementLeft:
        state.CameraSide = -1;
        break;
    case PlacementRandom:
        state.CameraSide = host::NextRandom(random) <= LastLeftDraw ? -1 : 1;
        break;
    default:
        break; // an unknown placement keeps the last side
    }
}

bool IsFinite(const GeoPosition& p) {
    return std::isfinite(p.Latitude) && std::isfinite(p.Longitude) && std::isfinite(p.Altitude);
}

} // namespace

bool CanPlaceFrom(const AircraftState& a) {
    return IsFinite(a.Position) && std::isfinite(a.Pitch) && std::isfinite(a.Heading) &&
           std::isfinite(a.Speed);
}

FlyByOutput FlyByStep(FlyByState& state, const FlyBySettings& settings,
                      const AircraftState& aircraft, float frameStep,
                      host::RandomSequence& random) {
    FlyByOutput out{false, {}};
    state.Countdown -= frameStep;
    // A value the host gives as not a number or infinite would put the camera
    // at 0 N 0 E: until all are finite again nothing is placed or written, and
    // a period that ran out meanwhile places a point at once then.
    if (!CanPlaceFrom(aircraft)) return out;
    // Strictly below zero: a countdown of exactly 0.0 waits, and the overshoot
    // is dropped rather than carried into the next period.
    if (state.Countdown < 0.0f) {
        state.Countdown = float(settings.Duration);
        ChooseSide(state, settings.Placement, random);
        // The distance flown in one period at the present speed (km/h).
        state.LeadDistance =
            aircraft.Speed * MetresPerKilometre / SecondsPerHour * settings.Duration;
        if (settings.MinDistance > state.LeadDistance) state.LeadDistance = settings.MinDistance;
        out = {true, PlaceFlyByCamera(state, settings, aircraft)};
    }
    // On a tick that placed a point the travel step follows at once; the host
    // sees only the last of the two viewpoints, so only that one is written.
    if (settings.Travelling) out = {true, TravelFlyByCamera(state, settings, aircraft)};
    // Finite values so large that the reckoning overflows write nothing either.
    if (!IsFinite(out.Viewpoint)) out.Write = false;
    out.Viewpoint = OnTheSphere(out.Viewpoint);
    return out;
}

GeoPosition PlaceFlyByCamera(FlyByState& state, const FlyBySettings& settings,
                             const AircraftState& aircraft) {
    double lead = state.LeadDistance;
    geometry::Vector3 v = {lead / SideFractionOfLead * state.CameraSide, 0.0, lead};
    if (settings.Travelling) v.X = 0.0; // travelling steps aside by itself
    geometry::RotateAboutX(v, aircraft.Pitch * host::RadiansPerDegree);
    geometry::RotateAboutY(v, aircraft.Heading * host::RadiansPerDegree);
    GeoPosition p = OffsetPosition(aircraft.Position, v);
    // Half the climb of the pitched lead, so a nose-down aircraft looks down
    // onto a lower point.
    p.Altitude = v.Y * 0.5 * host::FeetPerMetre + aircraft.Position.Altitude + settings.RelAltitude;
    state.CameraPosition = p;
    state.CameraHeading = aircraft.Heading;
    return p;
}

GeoPosition TravelFlyByCamera(const FlyByState& state, const FlyBySettings& settings,
                              const AircraftState& aircraft) {
    int32_t minDistance = settings.MinDistance;
    double d = GreatCircleDistance(state.CameraPosition, aircraft.Position);
    geometry::Vector3 w = {0.0, 0.0, 0.0};
    // The magnitude decides when to step, the signed value how far: a negative
    // distance steps to the other side. Widened first, so that the most
    // negative setting has a magnitude too.
    if (std::fabs(double(minDistance)) >= d) w.X = (minDistance - d) * state.CameraSide;
    // At right angles to the path the aircraft had when the point was chosen.
    geometry::RotateAboutY(w, state.CameraHeading * host::RadiansPerDegree);
    GeoPosition p = OffsetPosition(state.CameraPosition, w);
    p.Altitude = state.CameraPosition.Altitude;
    return p;
}

} // namespace camera
