#include "pilot/pilot_input.h"

namespace pilot {

int32_t PilotInput(PilotViewState&, os::Hwnd, uint32_t, os::Word, os::Long) {
    // The command table and key matching are not built yet: nothing is handled,
    // so every key and button still reaches the host.
    return 0;
}

} // namespace pilot
