// orbivue-render: what the cameras saw in a flight the stand-in recorded.
//
//   orbivue-render TRACE.csv SHEET.png [--scenario FILE] [--frames DIR [--every SECONDS]]
//   orbivue-render TRACE.csv PICTURE.png --at SECONDS
//
// Writes the contact sheet of the flight's key frames (captioned with the
// scenario's comments when it is given) and, with --frames, every frame
// SECONDS apart (default 0.1) as DIR/000000.gif, ... for an animation. With
// --at, the one frame at that time, larger.
#include "standin/render/draw.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: orbivue-render TRACE.csv SHEET.png [--scenario FILE] "
                         "[--frames DIR [--every SECONDS]]\n"
                         "       orbivue-render TRACE.csv PICTURE.png --at SECONDS\n");
    return 2;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    return name.substr(0, name.find('.'));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--help") == 0) return Usage();
    std::string tracePath = argv[1], sheetPath = argv[2], scenarioPath, framesDir;
    double every = 0.1, at = -1.0;
    for (int i = 3; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return Usage();
        if (option == "--scenario")
            scenarioPath = argv[++i];
        else if (option == "--frames")
            framesDir = argv[++i];
        else if (option == "--every")
            every = std::atof(argv[++i]);
        else if (option == "--at")
            at = std::atof(argv[++i]);
        else
            return Usage();
    }
    std::vector<render::Frame> frames;
    std::string error;
    if (!render::ReadTrace(tracePath, frames, error)) {
        std::fprintf(stderr, "orbivue-render: %s\n", error.c_str());
        return 1;
    }
    if (frames.empty()) {
        std::fprintf(stderr, "orbivue-render: %s holds no frames\n", tracePath.c_str());
        return 1;
    }
    if (at >= 0) {
        size_t i = 0;
        while (i + 1 < frames.size() && frames[i].Time + 1e-6 < at) ++i;
        bool ok = render::WriteView(sheetPath, {640, 480}, frames[i], render::Shown(frames[i]));
        std::printf("%s: the frame at %.2f s\n", sheetPath.c_str(), frames[i].Time);
        return ok ? 0 : 1;
    }
    std::string scenario = scenarioPath.empty() ? "" : ReadText(scenarioPath);
    std::vector<render::KeyFrame> keys = render::KeyFrames(frames, scenario);
    std::string title = BaseName(tracePath) + ": what the cameras see";
    if (!render::WriteContactSheet(sheetPath, title, frames, keys)) {
        std::fprintf(stderr, "orbivue-render: cannot write %s\n", sheetPath.c_str());
        return 1;
    }
    int written = 0;
    if (!framesDir.empty()) {
        double next = frames.front().Time;
        for (const render::Frame& f : frames) {
            if (f.Time + 1e-6 < next) continue;
            next += every;
            char name[32];
            std::snprintf(name, sizeof name, "/%06d.gif", written++);
            if (!render::WriteView(framesDir + name, {320, 240}, f, render::Shown(f))) {
                std::fprintf(stderr, "orbivue-render: cannot write %s%s\n", framesDir.c_str(),
                             name);
                return 1;
            }
        }
    }
    std::printf("%s: %zu key frames%s", sheetPath.c_str(), keys.size(), written ? ", " : "\n");
    if (written) std::printf("%d frames in %s\n", written, framesDir.c_str());
    return 0;
}
