// The mouse in the pilot view: mouse look turns the head, the wheel zooms, and
// with mouse look off a ray from the eye through the pointer finds the
// cockpit's clickable controls, whose event spheres the aircraft model lists
// in a stream of records. Pure: the caller reads the pointer, the client
// size, the active view and the host's bytes, and sets the pointer shape.
#pragma once

#include "camera/geo.h"
#include "host/view_record.h"
#include "pilot/pilot_state.h"

#include <cstdint>

namespace pilot {

constexpr double MouseLookDegreesPerPixel = 0.15; // at zoom 1, unless the pilot sets another
constexpr double ZoomPerNotch = 0.1;
constexpr double WheelNotch = 120.0;
constexpr double PickRayDepth = 1.2; // times the zoom: the far point's distance

// What the caller does after a mouse event.
struct MouseOutcome {
    int32_t Consumed;   // the host must not see the message
    int32_t RunEyeStep; // run the in-cockpit step without re-reading the host's view
};

// How mouse look turns the head: degrees per pixel at zoom 1, and the
// vertical the other way round when invertVertical is set.
struct MouseLookFeel {
    double DegreesPerPixel;
    int32_t InvertVertical;
};

// Mouse look, with the pointer's screen position (x, y): inside the aircraft
// it turns the eye (a glide stops where it is), outside the walker and the
// head's pitch.
MouseOutcome MouseLookMove(PilotViewState& state, int32_t x, int32_t y, const MouseLookFeel& feel);

// One wheel turn of delta (120 a notch, away from the user positive): the
// cockpit's zoom inside, the walker's outside, each within 0.25..8.
MouseOutcome MouseWheelTurn(PilotViewState& state, int32_t delta);

// ---- The pick ray -------------------------------------------------------------

struct Ray {
    camera::Vector3 Origin;
    camera::Vector3 Direction; // length 1
};

// The ray from the view's eye through the pointer at (x, y) of a client area
// width by height; false (no ray) when the area is empty.
bool ComputePickRay(const host::ViewRecord& view, int32_t width, int32_t height, int32_t x,
                    int32_t y, Ray& ray);

struct SphereHit {
    bool Hit;
    double Near, Far; // distances along the ray
};
SphereHit RaySphere(const Ray& ray, const camera::Vector3& centre, double squaredRadius);

// ---- The event stream -----------------------------------------------------------

// Where the stream's bytes come from: the host's memory for the module,
// plain bytes for the tests. Read gives false for bytes that cannot be read.
struct ByteSource {
    bool (*Read)(void* context, uint32_t address, void* out, uint32_t size);
    void* Context;
};

constexpr uint16_t OpNestedStream = 0xF000;
constexpr uint16_t OpEndOfStream = 0xF001;
constexpr uint16_t OpEventSphere = 0xF003;
constexpr uint32_t NestedStreamRecordSize = 6;
constexpr uint32_t EventSphereRecordSize = 38;
constexpr int32_t StreamDepthLimit = 16;     // nested streams within each other
constexpr int32_t StreamRecordLimit = 65536; // records in one whole walk
constexpr uint16_t EventSphereKindControl = 1;

// 1 when the ray passes through a control's sphere (kind 1, any of its three
// button codes set). A record that cannot be read, does not move the walk
// forward, or lies past the limits ends its walk.
int32_t HitEventSpheres(const ByteSource& bytes, uint32_t stream, const camera::Vector3& base,
                        const Ray& ray);

} // namespace pilot
