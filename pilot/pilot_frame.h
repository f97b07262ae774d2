// The pilot view's work in one frame tick.
#pragma once

#include "pilot/pilot_state.h"

namespace pilot {

// Always 1; the frame tick does not use the result.
int32_t PilotFrameUpdate(PilotViewState& state);

} // namespace pilot
