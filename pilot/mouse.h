// The mouse in the pilot view: mouse look turns the head, the wheel zooms, and
// with mouse look off a ray from the eye through the pointer finds the
// cockpit's clickable controls, whose event spheres the aircraft model lists
// in a stream of records. Pure: the caller reads the pointer, the client
// size, the active view and the host's bytes, and sets the pointer shape.
#pragma once

#include "geometry/geometry.h"
#include "host/byte_source.h"
#include "host/model.h"
#include "host/view_record.h"
#include "pilot/cockpit.h"

#include <cstdint>

namespace pilot {

constexpr double MouseLookDegreesPerPixel = 0.15; // at zoom 1, unless the pilot sets another
constexpr double ZoomPerNotch = 0.1;
constexpr double WheelNotch = 120.0;
constexpr double PickRayDepth = 1.2; // times the zoom: the far point's distance

// Mouse look's own state, beside the cockpit eye it turns.
struct MouseLook {
    int32_t On;
    int32_t LastX, LastY; // the pointer's last screen position; both 0: no sample yet
};

// How mouse look turns the head: degrees per pixel at zoom 1, and the
// vertical the other way round when invertVertical is set.
struct MouseLookFeel {
    double DegreesPerPixel;
    int32_t InvertVertical;
};

// How far the head turns for the pointer now at screen position (x, y), in
// degrees; the caller turns the cockpit eye (TurnEye) or, outside, the
// walker and the head's pitch. The first sample only records where the
// pointer is (Turned 0), and (0, 0) counts as no sample. zoom is the
// cockpit's: the turn is smaller zoomed in, as at zoom 1 before there is one.
struct LookTurn {
    int32_t Turned;
    double Heading, Pitch;
};
LookTurn MouseLookMove(MouseLook& look, int32_t x, int32_t y, double zoom,
                       const MouseLookFeel& feel);

// A zoom after a wheel turn of delta (120 a notch, away from the user
// positive): a tenth a notch, within the host's 0.25..8.
double ZoomAfterWheel(double zoom, int32_t delta);

// ---- The pick ray -------------------------------------------------------------

// The ray from the view's eye through the pointer at (x, y) of a client area
// width by height; false (no ray) when the area is empty.
bool ComputePickRay(const host::ViewRecord& view, int32_t width, int32_t height, int32_t x,
                    int32_t y, geometry::Ray& ray);

// ---- The event stream -----------------------------------------------------------

constexpr int32_t StreamDepthLimit = 16; // nested streams within each other
// Records in one whole walk: the budget of one mouse message. Far above a
// cockpit's controls; a stream made to call itself spends it in a few tenths
// of a millisecond, and then the walk finds no hit.
constexpr int32_t StreamRecordLimit = 65536;

// 1 when the ray passes through a control's sphere (kind 1, any of its three
// button codes set). A record that cannot be read, does not move the walk
// forward, or lies past the limits ends its walk.
int32_t HitEventSpheres(const host::ByteSource& bytes, uint32_t stream,
                        const geometry::Vector3& base, const geometry::Ray& ray);

} // namespace pilot
