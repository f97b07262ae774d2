// The stand-in's trace read back, and the frames worth a picture.
#include "standin/render/trace.h"

#include "standin/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace render {

namespace {

constexpr int kWalkViewKind = 1250;
constexpr double kNewCameraPoint = 30.0; // metres the viewpoint jumps to a new point
constexpr double kLongStep = 4.0;        // seconds: such steps show their start too
constexpr double kIntoLongStep = 0.5;    // seconds after the start of a long step

std::vector<std::string> SplitCommas(const std::string& line) {
    std::vector<std::string> cells(1);
    for (char c : line) {
        if (c == ',')
            cells.emplace_back();
        else if (c != '\r' && c != '\n')
            cells.back() += c;
    }
    return cells;
}

view::Vec3 Place(double latitude, double longitude, double altitude) {
    standin::scene::Local l = standin::scene::ToLocal(latitude, longitude);
    return {l.East, altitude, l.North};
}

std::string Trimmed(const std::string& text) {
    size_t b = text.find_first_not_of(" \t\r\n"), e = text.find_last_not_of(" \t\r\n");
    return b == std::string::npos ? "" : text.substr(b, e - b + 1);
}

// A scenario's lines: the step before any '#' outside quotes, and the comment after it.
struct ScenarioLine {
    std::string Step, Comment;
};
std::vector<ScenarioLine> ScenarioLines(const std::string& text) {
    std::vector<ScenarioLine> lines;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        bool quoted = false;
        size_t hash = std::string::npos;
        for (size_t i = 0; i < line.size() && hash == std::string::npos; ++i) {
            if (line[i] == '"') quoted = !quoted;
            if (line[i] == '#' && !quoted) hash = i;
        }
        lines.push_back({Trimmed(line.substr(0, hash)),
                         hash == std::string::npos ? "" : Trimmed(line.substr(hash + 1))});
        at = end + 1;
    }
    return lines;
}

} // namespace

bool ReadTrace(const std::string& path, std::vector<Frame>& frames, std::string& error) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    std::vector<std::vector<std::string>> rows;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c != '\n') {
            line += char(c);
            continue;
        }
        rows.push_back(SplitCommas(line));
        line.clear();
    }
    std::fclose(file);
    if (rows.empty()) {
        error = path + " is empty";
        return false;
    }
    std::map<std::string, size_t> column;
    for (size_t i = 0; i < rows[0].size(); ++i) column[rows[0][i]] = i;
    const char* needed[] = {"time_s",       "aircraft_lat_deg", "view_lat_deg", "step_line",
                            "view_kind",    "eye_r22",          "walker_m22",   "eye_zoom_word",
                            "walker_alt_m", "view_aspect"};
    for (const char* name : needed)
        if (!column.count(name)) {
            error = path + " has no column " + name;
            return false;
        }
    for (size_t r = 1; r < rows.size(); ++r) {
        const std::vector<std::string>& cells = rows[r];
        auto text = [&](const char* name) -> std::string {
            size_t i = column[name];
            return i < cells.size() ? cells[i] : "";
        };
        auto value = [&](const char* name) { return std::strtod(text(name).c_str(), nullptr); };
        auto floatAt = [&](const std::string& name) {
            return float(std::strtod(text(name.c_str()).c_str(), nullptr));
        };
        Frame f;
        f.Time = value("time_s");
        f.StepLine = int(value("step_line"));
        f.Plane = {
            Place(value("aircraft_lat_deg"), value("aircraft_lon_deg"), value("aircraft_alt_m")),
            value("pitch_deg"), value("heading_deg"), value("bank_deg")};
        f.Speed = value("speed_kmh");
        f.ViewpointWritten = !text("view_lat_deg").empty();
        if (f.ViewpointWritten)
            f.Viewpoint = Place(value("view_lat_deg"), value("view_lon_deg"), value("view_alt_m"));
        f.ViewKind = int(value("view_kind"));
        f.Aspect = value("view_aspect");
        f.EyePoint = {value("eye_x"), value("eye_y"), value("eye_z")};
        f.ZoomWord = int(value("eye_zoom_word"));
        for (int i = 0; i < 9; ++i) {
            std::string suffix = std::to_string(i / 3) + std::to_string(i % 3);
            f.EyeRows[i / 3][i % 3] = floatAt("eye_r" + suffix);
            f.WalkerMatrix[i] = floatAt("walker_m" + suffix);
        }
        f.WalkerWritten = !text("walker_alt_m").empty();
        if (f.WalkerWritten)
            f.Walker =
                Place(value("walker_lat_deg"), value("walker_lon_deg"), value("walker_alt_m"));
        frames.push_back(f);
    }
    return true;
}

Eye Shown(const Frame& frame) {
    if (frame.ViewKind == kWalkViewKind && frame.WalkerWritten) return Eye::Walker;
    if (frame.ViewpointWritten) return Eye::FlyBy;
    return Eye::Cockpit;
}

view::Camera CameraOf(const Frame& frame, Eye eye) {
    switch (eye) {
    case Eye::FlyBy:
        return view::LookingAt(frame.Viewpoint, frame.Plane.Position, FlyByZoom, FlyByAspect);
    case Eye::Walker:
        return view::FromViewMatrix(frame.Walker, frame.WalkerMatrix);
    case Eye::Cockpit:
        break;
    }
    double zoom = frame.ZoomWord > 0 ? frame.ZoomWord / 64.0 : 1.0;
    double aspect = frame.Aspect > 0 ? frame.Aspect : FlyByAspect;
    return view::FromCockpit(frame.Plane, frame.EyeRows, frame.EyePoint, zoom, aspect);
}

std::vector<Pass> Passes(const std::vector<Frame>& frames) {
    std::vector<Pass> passes;
    const Frame* last = nullptr;
    for (size_t i = 0; i < frames.size(); ++i) {
        const Frame& f = frames[i];
        if (Shown(f) != Eye::FlyBy) continue;
        view::Vec3 jump = last ? f.Viewpoint - last->Viewpoint : view::Vec3{1e9, 0, 0};
        if (std::hypot(jump.X, jump.Z) > kNewCameraPoint)
            passes.push_back({int(passes.size()) + 1, i, 1e300});
        last = &f;
        view::Vec3 d = f.Plane.Position - f.Viewpoint;
        double distance = std::sqrt(d.X * d.X + d.Y * d.Y + d.Z * d.Z);
        if (distance < passes.back().Distance) {
            passes.back().Frame = i;
            passes.back().Distance = distance;
        }
    }
    return passes;
}

std::vector<KeyFrame> KeyFrames(const std::vector<Frame>& frames, const std::string& scenario) {
    std::vector<ScenarioLine> lines = ScenarioLines(scenario);
    // Each step that flew frames: its caption from the comments of the steps
    // since the one before that flew.
    std::vector<KeyFrame> keys;
    std::map<size_t, std::string> captionFrom; // first frame of a step -> caption
    int previousLine = 0;
    for (size_t b = 0; b < frames.size();) {
        size_t e = b;
        while (e < frames.size() && frames[e].StepLine == frames[b].StepLine) ++e;
        int line = frames[b].StepLine;
        // The step's own comment, else those of the steps since the one before.
        bool known = line >= 1 && line <= int(lines.size());
        std::string caption = known ? lines[size_t(line) - 1].Comment : "";
        if (known && caption.empty()) {
            for (int l = previousLine + 1; l < line; ++l) {
                const ScenarioLine& s = lines[size_t(l) - 1];
                if (s.Step.empty() || s.Comment.empty()) continue;
                caption += (caption.empty() ? "" : "; ") + s.Comment;
            }
            if (caption.empty()) caption = lines[size_t(line) - 1].Step;
        }
        captionFrom[b] = caption;
        previousLine = line;
        if (Shown(frames[e - 1]) != Eye::FlyBy) {
            if (frames[e - 1].Time - frames[b].Time >= kLongStep) {
                size_t into = b;
                while (frames[into].Time - frames[b].Time < kIntoLongStep) ++into;
                keys.push_back({into, caption});
            }
            keys.push_back({e - 1, caption});
        }
        b = e;
    }
    for (const Pass& p : Passes(frames)) {
        auto step = std::prev(captionFrom.upper_bound(p.Frame));
        char text[96];
        std::snprintf(text, sizeof text, "camera point %d, the aircraft %.0f m away: ", p.Point,
                      p.Distance);
        keys.push_back({p.Frame, text + step->second});
    }
    std::sort(keys.begin(), keys.end(),
              [](const KeyFrame& a, const KeyFrame& b) { return a.Frame < b.Frame; });
    keys.erase(std::unique(keys.begin(), keys.end(),
                           [](const KeyFrame& a, const KeyFrame& b) { return a.Frame == b.Frame; }),
               keys.end());
    return keys;
}

} // namespace render
