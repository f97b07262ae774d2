#include "camera/flyby.h"

#include "camera/frame_tick.h"
#include "module/host.h"
#include "module/random.h"
#include "module/settings.h"
#include "platform/hostmem.h"

#include <cmath>

namespace camera {

FlyByState FlyBy;

namespace {

constexpr double SideFractionOfLead = 10.0; // the point lies a tenth of the lead aside
constexpr double MetresPerKilometre = 1000.0;
constexpr double SecondsPerHour = 3600.0;
constexpr int32_t PlacementRight = 0, PlacementLeft = 1, PlacementRandom = 2;
constexpr int32_t LastLeftDraw = 16384; // Rand results up to this choose the left side

// The five fixed words form one block; a host that lacks it must not be written.
constexpr hostmem::Addr ViewpointBlock = host::HostEyeLatitudeFraction;
constexpr uint32_t ViewpointBlockSize =
    host::HostEyeAltitude + sizeof(uint16_t) - host::HostEyeLatitudeFraction;

void ChooseSide(int32_t placement) {
    switch (placement) {
    case PlacementRight:
        FlyBy.CameraSide = 1;
        break;
    case PlacementLeft:
        FlyBy.CameraSide = -1;
        break;
    case PlacementRandom:
        FlyBy.CameraSide = addon::Rand() <= LastLeftDraw ? -1 : 1;
        break;
    default:
        break; // an unknown placement keeps the last side
    }
}

} // namespace

// ============================================================================
// The tick
// ============================================================================

void FlyByTick() {
    const addon::ModuleSettings& s = addon::Settings;
    FlyBy.Countdown -= FrameStep;
    // Strictly below zero: a countdown of exactly 0.0 waits, and the overshoot
    // is dropped rather than carried into the next period.
    if (FlyBy.Countdown < 0.0f) {
        FlyBy.Countdown = float(s.FlyByDuration);
        ChooseSide(s.FlyByCameraPlacement);
        // The distance flown in one period at the present speed (km/h).
        FlyBy.LeadDistance = AircraftSpeed * MetresPerKilometre / SecondsPerHour * s.FlyByDuration;
        if (s.FlyByMinDistance > FlyBy.LeadDistance) FlyBy.LeadDistance = s.FlyByMinDistance;
        PlaceFlyByCamera();
    }
    if (s.FlyByTravelling) TravelFlyByCamera();
}

// ============================================================================
// Placement and travelling
// ============================================================================

void PlaceFlyByCamera() {
    const addon::ModuleSettings& s = addon::Settings;
    double lead = FlyBy.LeadDistance;
    Vector3 v = {lead / SideFractionOfLead * FlyBy.CameraSide, 0.0, lead};
    if (s.FlyByTravelling) v.X = 0.0; // travelling steps aside by itself
    RotateAboutX(v, AircraftPitch * DegreesToRadians);
    RotateAboutY(v, AircraftHeading * DegreesToRadians);
    GeoPosition p = OffsetPosition(AircraftPosition, v);
    // Half the climb of the pitched lead, so a nose-down aircraft looks down
    // onto a lower point.
    p.Altitude = v.Y * 0.5 * FeetPerMetre + AircraftPosition.Altitude + s.FlyByRelAltitude;
    WriteViewpoint(p);
    FlyBy.CameraPosition = p;
    FlyBy.CameraHeading = AircraftHeading;
}

void TravelFlyByCamera() {
    int32_t minDistance = addon::Settings.FlyByMinDistance;
    double d = GreatCircleDistance(FlyBy.CameraPosition, AircraftPosition);
    Vector3 w = {0.0, 0.0, 0.0};
    // The magnitude decides when to step, the signed value how far: a negative
    // distance steps to the other side. Widened first, so that the most
    // negative setting has a magnitude too.
    if (std::fabs(double(minDistance)) >= d) w.X = (minDistance - d) * FlyBy.CameraSide;
    // At right angles to the path the aircraft had when the point was chosen.
    RotateAboutY(w, FlyBy.CameraHeading * DegreesToRadians);
    GeoPosition p = OffsetPosition(FlyBy.CameraPosition, w);
    p.Altitude = FlyBy.CameraPosition.Altitude;
    WriteViewpoint(p);
}

// ============================================================================
// The host's viewpoint words
// ============================================================================

void WriteViewpoint(const GeoPosition& p) {
    const host::ViewpointWords& to = host::EyeWords;
    if (!to.Latitude || !to.LatitudeFraction || !to.Longitude || !to.LongitudeFraction ||
        !to.Altitude)
        return;
    if (!hostmem::IsReadable(ViewpointBlock, ViewpointBlockSize)) return;
    EncodedViewpoint words = EncodeViewpoint(p);
    hostmem::Store<int32_t>(to.Latitude, words.Latitude);
    hostmem::Store<uint32_t>(to.LatitudeFraction, words.LatitudeFraction);
    hostmem::Store<int32_t>(to.Longitude, words.Longitude);
    hostmem::Store<uint32_t>(to.LongitudeFraction, words.LongitudeFraction);
    hostmem::Store<uint16_t>(to.Altitude, words.Altitude);
}

} // namespace camera
