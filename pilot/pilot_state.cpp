#include "pilot/pilot_state.h"

namespace pilot {

PilotViewState ViewState;

} // namespace pilot
