#include "pilot/pilot_input.h"

namespace pilot {

InputResult PilotInput(PilotViewState&, KeyBindingTable&, const InputEvent&, int32_t) {
    // The command table and key matching are not built yet: nothing is handled,
    // so every key and button still reaches the host.
    return {0, 0};
}

} // namespace pilot
