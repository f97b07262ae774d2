// Keyboard and mouse input of the internal pilot view.
#pragma once

#include "pilot/pilot_state.h"
#include "platform/os.h"

namespace pilot {

// Non-zero when the pilot view handled the message (the host must not see it).
int32_t PilotInput(PilotViewState& state, os::Hwnd window, uint32_t message, os::Word first,
                   os::Long second);

} // namespace pilot
