#include "module/frame.h"

#include "host/lookup.h"
#include "host/units.h"
#include "host/viewpoint.h"
#include "module/pilot_view.h"
#include "pilot/pilot_input.h"

namespace addon {

namespace {

// The step from whole milliseconds: hours of uptime lose no precision.
void MeasureFrameStep(FrameClock& clock, uint32_t now) {
    clock.FrameStep = float(ElapsedSeconds(clock.PreviousFrameTime, now, 1.0));
}

void RunFlyBy(ModuleState& module) {
    // Until the host has handed over its table there is no aircraft to film.
    host::Addr lookupVar = host::FindLookupVar();
    if (lookupVar == 0) return;
    module.Aircraft = AircraftFromSample(host::ReadAircraftSample(lookupVar));
    camera::FlyByOutput out =
        camera::FlyByStep(module.FlyBy, FlyBySettingsOf(module.Settings), module.Aircraft,
                          module.Clock.FrameStep, module.Random);
    if (out.Write) {
        const camera::GeoPosition& p = out.Viewpoint;
        host::WriteViewpointAt(p.Latitude, p.Longitude, p.Altitude);
    }
}

} // namespace

camera::AircraftState AircraftFromSample(const host::AircraftSample& s) {
    camera::AircraftState a;
    a.Position.Latitude = (s.Latitude / host::MetresPerDegreeLatitude) * host::RadiansPerDegree;
    a.Position.Longitude = (s.Longitude / host::LongitudeVariableRoot /
                            host::LongitudeVariableRoot * host::DegreesPerTurn) *
                           host::RadiansPerDegree;
    a.Position.Altitude = s.Altitude * host::FeetPerMetre;
    a.Pitch = s.Pitch;
    a.Heading = s.Heading;
    a.Speed = s.Speed;
    return a;
}

camera::FlyBySettings FlyBySettingsOf(const ModuleSettings& s) {
    return {s.FlyByDuration, s.FlyByRelAltitude, s.FlyByMinDistance, s.FlyByCameraPlacement,
            s.FlyByTravelling};
}

void FrameTick(ModuleState& module, const FrameEvent& frame) {
    ModuleSettings& s = module.Settings;
    MeasureFrameStep(module.Clock, frame.Now);
    // The external view exists only inside the internal one; a walk that the
    // switch-off stopped gives the host's view back now, not at the next walk.
    if (s.InternalViewActive == 0) {
        s.ExternalViewActive = 0;
        EndWalk(module);
        // Keys let go while the view is off reach no binding: none may be
        // held when it comes back on.
        if (module.Clock.PilotViewRan)
            pilot::EndHeldMovements(ControlsOf(module.Pilot), module.Bindings);
    }
    module.Clock.Ticked = 1;
    module.Clock.PilotViewRan = s.InternalViewActive != 0;
    if (s.InternalViewActive) PilotFrameUpdate(module, PilotSettingsOf(s), frame);
    if (s.FlyByActive) RunFlyBy(module);
}

} // namespace addon
