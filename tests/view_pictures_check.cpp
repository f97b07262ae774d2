// The pictures of what the cameras saw in two scenarios the real DLL flew,
// read back pixel by pixel from their PNG files:
//   view_pictures_check SCENARIO-OUTPUT-FOLDER
// The fly-by looks at the aircraft: while it passes the camera point its
// model is drawn whole inside the picture, around its middle. Standing on the
// hangar's roof, the walker sees the roof's edge below the horizon.
#include "standin/render/draw.h"
#include "standin/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

std::string Folder;
constexpr view::Picture Size = {480, 360};

struct Pixels {
    int Width = 0, Height = 0;
    std::vector<uint32_t> Rgb; // 0x00RRGGBB
    uint32_t At(int x, int y) const { return Rgb[size_t(y) * size_t(Width) + size_t(x)]; }
};

// The frame drawn as a PNG file, and that file decoded again.
Pixels DrawAndRead(const render::Frame& frame, const std::string& name) {
    std::string path = Folder + "/" + name + ".png";
    EXPECT_TRUE(render::WriteView(path, Size, frame, render::Shown(frame))) << path;
    Pixels p;
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) {
        p.Width = cairo_image_surface_get_width(s), p.Height = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s) / 4;
        const auto* data = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(s));
        for (int y = 0; y < p.Height; ++y)
            for (int x = 0; x < p.Width; ++x)
                p.Rgb.push_back(data[size_t(y) * size_t(stride) + size_t(x)] & 0xFFFFFF);
    }
    cairo_surface_destroy(s);
    EXPECT_EQ(p.Width, int(Size.Width)) << path << " could not be read back";
    return p;
}

bool Near(uint32_t rgb, const render::Colour& c, double within) {
    double dr = double(rgb >> 16 & 0xFF) - c.R * 255, dg = double(rgb >> 8 & 0xFF) - c.G * 255,
           db = double(rgb & 0xFF) - c.B * 255;
    return std::sqrt(dr * dr + dg * dg + db * db) <= within;
}

// The pixels of a colour: how many, and the rows and columns they span.
struct Found {
    int Count = 0, Left = 1 << 30, Right = -1, Top = 1 << 30, Bottom = -1;
};
Found Find(const Pixels& p, const render::Colour& c) {
    Found f;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            if (Near(p.At(x, y), c, 40)) {
                ++f.Count;
                f.Left = std::min(f.Left, x), f.Right = std::max(f.Right, x);
                f.Top = std::min(f.Top, y), f.Bottom = std::max(f.Bottom, y);
            }
    return f;
}

// The horizon of a level eye, from the pixels alone: the row where most
// columns stop being sky.
int HorizonRow(const Pixels& p) {
    std::map<int, int> votes;
    for (int x = 0; x < p.Width; ++x) {
        int y = 0;
        while (y < p.Height && Near(p.At(x, y), render::SkyColour, 6)) ++y;
        if (y > 0 && y < p.Height) ++votes[y];
    }
    int best = -1, most = 0;
    for (const auto& [row, count] : votes)
        if (count > most) best = row, most = count;
    return best;
}

std::vector<render::Frame> Trace(const std::string& scenario) {
    std::vector<render::Frame> frames;
    std::string error;
    EXPECT_TRUE(render::ReadTrace(Folder + "/" + scenario + ".csv", frames, error)) << error;
    return frames;
}

} // namespace

TEST(ViewPictures, FlyByDrawsTheAircraftWholeWhilePassingItsCameraPoint) {
    std::vector<render::Frame> frames = Trace("flyby_straight_pass");
    int checked = 0;
    for (const render::Pass& pass : render::Passes(frames)) {
        if (pass.Distance > 150.0) continue; // the last point, not reached yet
        // The last second of the approach (from 45 degrees off the camera
        // point's side at 100 m) to the nearest frame, from the same point.
        const render::Frame& nearest = frames[pass.Frame];
        for (size_t i = 0; i < frames.size(); ++i) {
            const render::Frame& f = frames[i];
            view::Vec3 moved = f.Viewpoint - nearest.Viewpoint;
            double before = nearest.Time - f.Time;
            if (before < -1e-6 || before > 1.0 + 1e-6 || std::fmod(before + 1e-6, 0.5) > 2e-6 ||
                std::hypot(moved.X, moved.Z) > 1.0)
                continue;
            std::string name = "flyby_straight_pass_point_" + std::to_string(pass.Point) + "_" +
                               std::to_string(int(std::lround(before * 10))) + "_before";
            Pixels p = DrawAndRead(f, name);
            Found aircraft = Find(p, render::AircraftColour);
            SCOPED_TRACE(name + " at " + std::to_string(f.Time) + " s");
            EXPECT_GE(aircraft.Count, 100);
            // Whole: clear of the picture's edges; looked at: around its middle.
            EXPECT_GT(aircraft.Left, 0);
            EXPECT_LT(aircraft.Right, p.Width - 1);
            EXPECT_GT(aircraft.Top, 0);
            EXPECT_LT(aircraft.Bottom, p.Height - 1);
            EXPECT_LE(aircraft.Left, p.Width / 2);
            EXPECT_GE(aircraft.Right, p.Width / 2);
            EXPECT_LE(aircraft.Top, p.Height / 2 + 10);
            EXPECT_GE(aircraft.Bottom, p.Height / 2 - 10);
            // A 14 m model 100 to 140 m away spans a good part of the picture: not a dot.
            EXPECT_GE(aircraft.Right - aircraft.Left, p.Width / 20);
            ++checked;
        }
    }
    EXPECT_GE(checked, 3) << "the aircraft never passed a camera point";
}

TEST(ViewPictures, OnTheHangarsRoofItsEdgeIsBelowTheHorizon) {
    std::vector<render::Frame> frames = Trace("pilot_walk");
    const standin::scene::Object& hangar = standin::scene::Objects[0];
    ASSERT_STREQ(hangar.Name, "hangar");
    const double roof = standin::scene::GroundAltitude + hangar.Height;
    std::vector<size_t> onRoof; // the walker's eye over the roof, crouching or standing
    for (size_t i = 0; i < frames.size(); ++i) {
        const render::Frame& f = frames[i];
        if (render::Shown(f) != render::Eye::Walker) continue;
        bool over = std::fabs(f.Walker.X - hangar.EastMetres) < hangar.HalfEast - 1 &&
                    std::fabs(f.Walker.Z - hangar.NorthMetres) < hangar.HalfNorth - 1;
        if (over && f.Walker.Y - roof > 0.7 && f.Walker.Y - roof < 1.8) onRoof.push_back(i);
    }
    ASSERT_GE(onRoof.size(), 3u) << "the walker never stood on the hangar's roof";
    for (size_t k : {size_t(0), onRoof.size() / 2, onRoof.size() - 1}) {
        const render::Frame& f = frames[onRoof[k]];
        Pixels p = DrawAndRead(f, "pilot_walk_on_roof_" + std::to_string(k));
        SCOPED_TRACE("at " + std::to_string(f.Time) + " s");
        int horizon = HorizonRow(p);
        ASSERT_GT(horizon, 0) << "no horizon in the picture";
        Found edge = Find(p, render::RoofEdgeColour("hangar"));
        EXPECT_GE(edge.Count, 50);
        EXPECT_GT(edge.Top, horizon);
    }
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: view_pictures_check SCENARIO-OUTPUT-FOLDER\n");
        return 2;
    }
    Folder = argv[1];
    return RUN_ALL_TESTS();
}
