// The pilot view's side of the frame and of the input, against the host:
// discovery of the host's libraries and views, the pilot clock, reading the
// active view record and the five variables of the eye step, and writing the
// record back. The eye step itself is pure (pilot/cockpit.h).
#pragma once

#include "host/discovery.h"
#include "module/module.h"

namespace addon {

// Once per tick while the internal view is on.
void PilotFrameUpdate(ModuleState& module);

// The in-cockpit eye step on the host's active view; 1 when it wrote the
// record. reread 0: the eye was just changed by the pilot, the host's own
// changes are not looked for.
int32_t RunCockpitStep(ModuleState& module, const host::ActiveView& view, int32_t reread);

// The eye just turned or zoomed by the mouse, shown on the host's active
// cockpit view at once; nothing that time drives moves. 1 when written.
int32_t RunCockpitLook(ModuleState& module, const host::ActiveView& view);

// Pointer motion over the view window at (x, y) of its client area: mouse
// look, or with mouse look off the hand pointer over the cockpit's controls;
// 1 when mouse look took it.
int32_t PointerMoved(ModuleState& module, os::Hwnd window, int32_t x, int32_t y);
// A wheel turn over the view window; 1 when it changed a zoom.
int32_t WheelTurned(ModuleState& module, int32_t delta);

// The outside walk on the host's active view, once per pilot frame after the
// eye step; 0 when there is no active view.
int32_t OutsideWalkUpdate(ModuleState& module, const host::ActiveView& view);

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
