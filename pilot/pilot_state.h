// The one record of the internal pilot view: everything it keeps from one
// message or frame to the next. Zero at load, never cleared as a whole again,
// so it survives switching the view off and on.
#pragma once

#include <cstdint>

namespace pilot {

struct PilotViewState {
    // Handed over by the frame on every tick while the view is on.
    double LatencyFactor;    // head latency: the rate while it is on, else 0
    double TurbulenceFactor; // ground turbulence: likewise
    double RunSpeed;         // metres per second
    int32_t ExternalView;    // the pilot is outside the aircraft

    // The two setting toggles are offered to the keys only once the frame has
    // run: until the first tick nothing but the command table answers.
    int32_t SettingTogglesReady;
};

} // namespace pilot
