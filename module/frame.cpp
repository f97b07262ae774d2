#include "module/frame.h"

#include "host/lookup.h"
#include "host/viewpoint.h"
#include "module/pilot_view.h"
#include "pilot/pilot_input.h"
#include "platform/os.h"

namespace addon {

namespace {

// The step from whole milliseconds: hours of uptime lose no precision.
void MeasureFrameStep(FrameClock& clock) {
    clock.FrameStep = float(ElapsedSeconds(clock.PreviousFrameTime, os::timeGetTime(), 1.0));
}

void HandOverToPilotView(const ModuleSettings& s, pilot::PilotViewState& view) {
    view.LatencyFactor = s.ViewTurbOn ? WithinRange(s.ViewTurbRate, MaxViewTurbRate) : 0.0;
    view.TurbulenceFactor = s.GroundTurbOn ? WithinRange(s.GroundTurbRate, MaxGroundTurbRate) : 0.0;
    view.RunSpeed = WithinRange(s.RunningSpeed, MaxRunningSpeed);
    view.ExternalView = s.ExternalViewActive;
}

void RunFlyBy(ModuleState& module) {
    // Until the host has handed over its table there is no aircraft to film.
    host::Addr lookupVar = host::FindLookupVar();
    if (lookupVar == 0) return;
    module.Aircraft = camera::AircraftFromSample(host::ReadAircraftSample(lookupVar));
    camera::FlyByOutput out =
        camera::FlyByStep(module.FlyBy, FlyBySettingsOf(module.Settings), module.Aircraft,
                          module.Clock.FrameStep, module.Random);
    if (out.Write && module.Host.ViewpointWordsSet) {
        const camera::GeoPosition& p = out.Viewpoint;
        host::WriteViewpointAt(p.Latitude, p.Longitude, p.Altitude);
    }
}

} // namespace

camera::FlyBySettings FlyBySettingsOf(const ModuleSettings& s) {
    return {s.FlyByDuration, s.FlyByRelAltitude, s.FlyByMinDistance, s.FlyByCameraPlacement,
            s.FlyByTravelling};
}

void FrameTick(ModuleState& module) {
    ModuleSettings& s = module.Settings;
    MeasureFrameStep(module.Clock);
    // The external view exists only inside the internal one; a walk that the
    // switch-off stopped gives the host's view back now, not at the next walk.
    if (s.InternalViewActive == 0) {
        s.ExternalViewActive = 0;
        EndWalk(module);
        // Keys let go while the view is off reach no binding: none may be
        // held when it comes back on.
        if (module.Clock.PilotViewRan) pilot::EndHeldMovements(module.Pilot, module.Bindings);
    }
    module.Clock.Ticked = 1;
    module.Clock.PilotViewRan = s.InternalViewActive != 0;
    if (s.InternalViewActive) {
        HandOverToPilotView(s, module.Pilot);
        PilotFrameUpdate(module);
    }
    if (s.FlyByActive) RunFlyBy(module);
}

} // namespace addon
