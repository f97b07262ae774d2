// The pilot view's side of the frame and of the input, against the host:
// discovery of the host's libraries and views, the pilot clock, reading the
// active view record and the variables of the eye step and the walk, and
// writing what they make back. The steps themselves are pure (pilot/, walk/).
#pragma once

#include "host/discovery.h"
#include "module/frame.h"
#include "module/module.h"
#include "pilot/pilot_input.h"

namespace addon {

// The settings as the pilot view uses them, each within its range: handed
// in with every call, never kept by the view.
struct PilotSettings {
    double LatencyFactor;    // head latency: the rate while it is on, else 0
    double TurbulenceFactor; // ground turbulence: likewise
    double RunSpeed;         // metres per second
    bool Outside;            // the external view: the pilot walks outside
};
PilotSettings PilotSettingsOf(const ModuleSettings& s);

// What the keys act on.
inline pilot::PilotControls ControlsOf(PilotView& p) {
    return {p.Held, p.Mouse, p.Eye};
}

// Once per tick while the internal view is on.
void PilotFrameUpdate(ModuleState& module, const PilotSettings& settings, const FrameEvent& frame);

// The in-cockpit eye step on the host's active view; 1 when it wrote the record.
int32_t RunCockpitStep(ModuleState& module, const host::ActiveView& view,
                       const PilotSettings& settings);

// The eye just turned or zoomed by the mouse, shown on the host's active
// cockpit view at once; nothing that time drives moves. 1 when written.
int32_t RunCockpitLook(ModuleState& module, const host::ActiveView& view);

// Pointer motion over the view window: mouse look, or with mouse look off the
// hand pointer over the cockpit's controls; 1 when mouse look took it.
int32_t PointerMoved(ModuleState& module, os::Hwnd window, const pilot::InputEvent& event);
// A wheel turn over the view window; 1 when it changed a zoom.
int32_t WheelTurned(ModuleState& module, int32_t delta);
// The zoom back to 1: the cockpit eye's, or outside the walker's.
void ResetZoom(ModuleState& module);

// The outside walk on the host's active view, once per pilot frame after the
// eye step; 0 when there is no active view. shiftDown: running.
int32_t OutsideWalkUpdate(ModuleState& module, const host::ActiveView& view,
                          const PilotSettings& settings, bool shiftDown);

// The walk's view record back as the host had it, byte for byte, and the walk
// over; nothing when the pilot is not walking. For the internal view switched
// off and the library unloaded mid-walk.
void EndWalk(ModuleState& module);

// The cockpit eye kept in saved view slot (1..9), and written to the registry
// at once; nothing before the eye has taken a view over.
void SaveEye(ModuleState& module, int32_t slot);
// The cockpit eye glides to saved view slot; an empty slot recalls nothing.
void RecallEye(ModuleState& module, int32_t slot);

// Kind of the host's active view, 0 when there is none.
int32_t ActiveViewKind(const ModuleState& module);

// Seconds since previous (milliseconds, updated to now), wrap-safe, at most cap.
double ElapsedSeconds(uint32_t& previous, uint32_t now, double cap);

} // namespace addon
