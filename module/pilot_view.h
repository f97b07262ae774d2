// The pilot view's side of the frame and of the input, against the host:
// discovery of the host's libraries and views, the pilot clock, reading the
// active view record and the five variables of the eye step, and writing the
// record back. The eye step itself is pure (pilot/cockpit.h).
#pragma once

#include "module/module.h"

namespace addon {

// Once per tick while the internal view is on.
void PilotFrameUpdate(ModuleState& module);

// The in-cockpit eye step on the host's active view; 1 when it wrote the
// record. reread 0: the eye was just changed by the pilot, the host's own
// changes are not looked for.
int32_t RunCockpitStep(ModuleState& module, int32_t reread);

// Kind of the host's active view, 0 when there is none.
int32_t ActiveViewKind(const ModuleState& module);

// Seconds since previous (milliseconds, updated to now), wrap-safe, at most cap.
double ElapsedSeconds(uint32_t& previous, uint32_t now, double cap);

} // namespace addon
