// The module's heartbeat: one tick per host frame message, as a one-way
// pipeline.
//
//   measure the step -> hand the settings to the pilot view -> pilot view
//   (reads the host's view, writes its view record) -> read the aircraft
//   sample -> fly-by -> write the viewpoint words
//
// Who owns the eye: the pilot view writes the host's view record, the fly-by
// the five fixed viewpoint words. When both are on, both run in the same tick,
// the pilot view first, and each writes only its own host words, once.
#pragma once

#include "host/lookup.h"
#include "module/module.h"

namespace addon {

// What the hook layer knows of a frame message when it comes: the time (ms,
// as timeGetTime gives it) and whether Shift is down now.
struct FrameEvent {
    uint32_t Now;
    int32_t ShiftDown;
};

void FrameTick(ModuleState& module, const FrameEvent& frame);

// The fly-by's settings as the fly-by takes them.
camera::FlyBySettings FlyBySettingsOf(const ModuleSettings& s);

// The aircraft in the fly-by's units from the host's, in the order and with
// the constants the host's own reckoning uses.
camera::AircraftState AircraftFromSample(const host::AircraftSample& sample);

} // namespace addon
