// A flight as the stand-in recorded it (its trace, one row per frame), read
// back for the pictures: where the aircraft was, and each viewpoint as the
// module wrote it into the host. Positions in metres of the scene's ground
// frame (standin/scene.h): X east, Y altitude, Z north.
#pragma once

#include "standin/render/view.h"

#include <string>
#include <vector>

namespace render {

// Which camera a frame is seen through: the walker's eye while the host's view
// record is the walk's (kind 1250), the fly-by's viewpoint once the module has
// written one, else the cockpit view record.
enum class Eye { FlyBy, Cockpit, Walker };

struct Frame {
    double Time = 0.0;
    int StepLine = 0; // the scenario's line that flew it
    view::Aircraft Plane{};
    double Speed = 0.0; // km/h
    bool ViewpointWritten = false;
    view::Vec3 Viewpoint{};
    int ViewKind = 0;
    double Aspect = 0.0;
    view::Vec3 EyePoint{}; // in the aircraft, metres
    int ZoomWord = 64;
    float EyeRows[3][3] = {};
    bool WalkerWritten = false;
    view::Vec3 Walker{};
    float WalkerMatrix[9] = {};
};

bool ReadTrace(const std::string& path, std::vector<Frame>& frames, std::string& error);

Eye Shown(const Frame& frame);
view::Camera CameraOf(const Frame& frame, Eye eye);
// The host's tower view, which the fly-by moves, at its own zoom.
constexpr double FlyByZoom = 1.0;
constexpr double FlyByAspect = 4.0 / 3.0;

// The fly-by's camera points and, for each, the frame in which the aircraft
// passed nearest to it.
struct Pass {
    int Point; // from 1, in order
    size_t Frame;
    double Distance; // metres, from the viewpoint to the aircraft
};
std::vector<Pass> Passes(const std::vector<Frame>& frames);

// The frames a contact sheet shows, with what was happening: for the fly-by
// the passes, for the pilot's eyes the end of each step of the scenario (and
// half a second into the long ones); the captions are the scenario's own
// comments: the step's, else those of the steps since the one before
// (scenario: its text, or empty).
struct KeyFrame {
    size_t Frame;
    std::string Caption;
};
std::vector<KeyFrame> KeyFrames(const std::vector<Frame>& frames, const std::string& scenario);

} // namespace render
