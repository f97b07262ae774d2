#include "camera/frame_tick.h"

#include "camera/flyby.h"
#include "module/settings.h"
#include "pilot/pilot_frame.h"
#include "pilot/pilot_state.h"
#include "platform/os.h"

#include <cstring>

namespace camera {

uint32_t PreviousFrameTime;
float FrameStep;
GeoPosition AircraftPosition;
double AircraftPitch;
double AircraftHeading;
double AircraftSpeed;
host::HostVarRecord FlyByVars[7];

namespace {

// The step from whole milliseconds with unsigned arithmetic: the clock's wrap
// after 49.7 days is a normal step, and hours of uptime lose no precision.
void MeasureFrameStep() {
    uint32_t now = os::timeGetTime();
    uint32_t elapsed = now - PreviousFrameTime;
    PreviousFrameTime = now;
    FrameStep = float(double(elapsed) / 1000.0);
    if (FrameStep > 1.0f) FrameStep = 1.0f;
}

void HandOverToPilotView() {
    const addon::ModuleSettings& s = addon::Settings;
    pilot::PilotViewState& view = pilot::ViewState;
    view.LatencyFactor = s.ViewTurbOn ? s.ViewTurbRate : 0.0;
    view.TurbulenceFactor = s.GroundTurbOn ? s.GroundTurbRate : 0.0;
    view.RunSpeed = s.RunningSpeed;
    view.ExternalView = s.ExternalViewActive;
    pilot::PilotFrameUpdate(view);
}

void RefreshAircraft(host::Addr lookupVar) {
    for (int i = 0; i < 7; ++i) host::LookupVar(lookupVar, FlyByVars[i], FlyByVarTokens[i]);
    AircraftPosition.Latitude =
        (FlyByVars[VarLatitude].Value / MetresPerDegreeLatitude) * DegreesToRadians;
    AircraftPosition.Longitude = (FlyByVars[VarLongitude].Value / LongitudeUnitsPerDegreeRoot /
                                  LongitudeUnitsPerDegreeRoot * 360.0) *
                                 DegreesToRadians;
    AircraftPosition.Altitude = FlyByVars[VarAltitude].Value * FeetPerMetre;
    AircraftPitch = FlyByVars[VarPitch].Value;
    AircraftHeading = FlyByVars[VarHeading].Value;
    AircraftSpeed = FlyByVars[VarSpeed].Value;
}

} // namespace

void FrameTick() {
    addon::ModuleSettings& s = addon::Settings;
    MeasureFrameStep();
    if (s.InternalViewActive == 0) s.ExternalViewActive = 0;
    pilot::ViewState.ExtraHandler = &ExtraCommandHandler;
    if (s.InternalViewActive) HandOverToPilotView();
    if (s.FlyByActive) {
        // Until the host has handed over its table there is no aircraft to film.
        host::Addr lookupVar = host::FindLookupVar();
        if (lookupVar == 0) return;
        RefreshAircraft(lookupVar);
        FlyByTick();
    }
}

int32_t ExtraCommandHandler(uint32_t, uint32_t, addon::KeyBinding* command) {
    addon::ModuleSettings& s = addon::Settings;
    if (std::strstr(command->Command, "ToggleHeadLatency")) {
        s.ViewTurbOn = 1 - s.ViewTurbOn;
        return 1;
    }
    if (std::strstr(command->Command, "ToggleGroundTurbulence")) {
        s.GroundTurbOn = 1 - s.GroundTurbOn;
        return 1;
    }
    return 0;
}

} // namespace camera
