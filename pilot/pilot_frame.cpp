#include "pilot/pilot_frame.h"

namespace pilot {

int32_t PilotFrameUpdate(PilotViewState&) {
    // Host discovery, the pilot clock, the in-cockpit eye step and the outside
    // walk are not built yet: the internal view does nothing to the host.
    return 1;
}

} // namespace pilot
