// Line drawings of what a camera sees, with cairo: the ground's grid to the
// horizon, the runway, the scene's buildings, the aircraft as a wire model in
// its attitude and, from the cockpit, the window frame fixed to the aircraft.
#pragma once

#include "standin/render/trace.h"

#include <cairo.h>

#include <string>
#include <vector>

namespace render {

struct Colour {
    double R, G, B; // 0 to 1
};
// Colours a check of the pictures looks for: each is used for nothing else.
extern const Colour AircraftColour;
extern const Colour SkyColour;
// The roof's outline of a scene object, by its name (grey for one not known).
Colour RoofEdgeColour(const std::string& object);

// One frame seen through an eye, filling (0, 0) to the picture's size in the
// context's current units; the time and camera written in its corner.
void DrawView(cairo_t* cr, const view::Picture& picture, const Frame& frame, Eye eye);

// One frame as a picture of the given size: GIF when the path ends in .gif, else PNG.
bool WriteView(const std::string& path, const view::Picture& picture, const Frame& frame, Eye eye);

// The key frames side by side, four to a row, each with its caption under it.
bool WriteContactSheet(const std::string& path, const std::string& title,
                       const std::vector<Frame>& frames, const std::vector<KeyFrame>& keys);

} // namespace render
