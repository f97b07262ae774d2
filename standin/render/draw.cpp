// Line drawings of what a camera sees, with cairo.
#include "standin/render/draw.h"

#include "standin/render/gif.h"
#include "standin/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace render {

const Colour AircraftColour = {0.91, 0.35, 0.05};
const Colour SkyColour = {0.84, 0.91, 0.97};

Colour RoofEdgeColour(const std::string& object) {
    if (object == "hangar") return {0.69, 0.16, 0.16};
    if (object == "bridge") return {0.45, 0.30, 0.55};
    if (object == "tower") return {0.13, 0.36, 0.66};
    return {0.45, 0.45, 0.45};
}

namespace {

using view::Point2;
using view::Vec3;

const Colour kGround = {0.89, 0.91, 0.83};
const Colour kGrid = {0.66, 0.72, 0.58};
const Colour kHorizon = {0.42, 0.55, 0.68};
const Colour kRunway = {0.56, 0.57, 0.58};
const Colour kMarking = {1.0, 1.0, 1.0};
const Colour kWall = {0.84, 0.80, 0.72};
const Colour kEdge = {0.35, 0.35, 0.35};
const Colour kRoof = {0.93, 0.91, 0.86};
const Colour kCabin = {0.23, 0.25, 0.28};
const Colour kCabinEdge = {0.45, 0.48, 0.52};
const Colour kText = {0.1, 0.1, 0.1};

struct Painter {
    cairo_t* Cr;
    view::Picture Picture;
    view::Camera Camera;
};

void Use(cairo_t* cr, const Colour& c, double alpha = 1.0) {
    cairo_set_source_rgba(cr, c.R, c.G, c.B, alpha);
}

void Segment(const Painter& p, const Vec3& a, const Vec3& b) {
    Point2 pa, pb;
    if (!view::ProjectSegment(p.Camera, p.Picture, a, b, pa, pb)) return;
    cairo_move_to(p.Cr, pa.X, pa.Y);
    cairo_line_to(p.Cr, pb.X, pb.Y);
}

// The polygon's outline as the current path; false when none of it is in view.
bool Outline(const Painter& p, const std::vector<Vec3>& corners) {
    std::vector<Point2> points = view::ProjectPolygon(p.Camera, p.Picture, corners);
    if (points.size() < 3) return false;
    cairo_move_to(p.Cr, points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i) cairo_line_to(p.Cr, points[i].X, points[i].Y);
    cairo_close_path(p.Cr);
    return true;
}

void Fill(const Painter& p, const std::vector<Vec3>& corners, const Colour& fill,
          const Colour* edge = nullptr, double alpha = 1.0) {
    if (!Outline(p, corners)) return;
    Use(p.Cr, fill, alpha);
    if (!edge) {
        cairo_fill(p.Cr);
        return;
    }
    cairo_fill_preserve(p.Cr);
    Use(p.Cr, *edge);
    cairo_set_line_width(p.Cr, 1.0);
    cairo_stroke(p.Cr);
}

// ---- The ground -------------------------------------------------------------------

constexpr double kFineGrid = 20.0, kFineReach = 600.0;      // metres
constexpr double kCoarseGrid = 250.0, kCoarseReach = 12000; // metres
constexpr double kGridFade = 0.08; // of the picture's height below the horizon

void GridLines(const Painter& p, double spacing, double reach) {
    const Vec3& eye = p.Camera.Eye;
    const double y = standin::scene::GroundAltitude;
    for (double x = std::floor((eye.X - reach) / spacing) * spacing; x <= eye.X + reach;
         x += spacing)
        Segment(p, {x, y, eye.Z - reach}, {x, y, eye.Z + reach});
    for (double z = std::floor((eye.Z - reach) / spacing) * spacing; z <= eye.Z + reach;
         z += spacing)
        Segment(p, {eye.X - reach, y, z}, {eye.X + reach, y, z});
}

// Sky, the ground to the horizon with its grid fading into it, the horizon.
void Ground(const Painter& p) {
    cairo_t* cr = p.Cr;
    const double w = p.Picture.Width, h = p.Picture.Height;
    Use(cr, SkyColour);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_fill(cr);
    view::Line horizon = view::Horizon(p.Camera, p.Picture);
    std::vector<Point2> ground = view::BelowHorizon(horizon, p.Picture);
    if (ground.size() < 3) return;
    Use(cr, kGround);
    cairo_move_to(cr, ground[0].X, ground[0].Y);
    for (const Point2& g : ground) cairo_line_to(cr, g.X, g.Y);
    cairo_fill(cr);

    double norm = std::hypot(horizon.A, horizon.B);
    cairo_pattern_t* fade = nullptr;
    Point2 on{w / 2, h / 2}, down{0, 0};
    if (norm > 0) {
        double off = (horizon.A * on.X + horizon.B * on.Y + horizon.C) / (norm * norm);
        on = {on.X - horizon.A * off, on.Y - horizon.B * off};
        down = {-horizon.A / norm, -horizon.B / norm}; // toward the ground
        double fall = kGridFade * h;
        fade = cairo_pattern_create_linear(on.X, on.Y, on.X + down.X * fall, on.Y + down.Y * fall);
        cairo_pattern_add_color_stop_rgba(fade, 0.0, kGrid.R, kGrid.G, kGrid.B, 0.0);
        cairo_pattern_add_color_stop_rgba(fade, 1.0, kGrid.R, kGrid.G, kGrid.B, 1.0);
        cairo_set_source(cr, fade);
    } else {
        Use(cr, kGrid);
    }
    cairo_set_line_width(cr, 1.0);
    GridLines(p, kFineGrid, kFineReach);
    GridLines(p, kCoarseGrid, kCoarseReach);
    cairo_stroke(cr);
    if (fade) cairo_pattern_destroy(fade);
    if (norm > 0) {
        double along = 2 * (w + h);
        Use(cr, kHorizon);
        cairo_move_to(cr, on.X + down.Y * along, on.Y - down.X * along);
        cairo_line_to(cr, on.X - down.Y * along, on.Y + down.X * along);
        cairo_stroke(cr);
    }
}

// ---- The runway -------------------------------------------------------------------

void Runway(const Painter& p) {
    const auto& r = standin::scene::Runway;
    const double y = standin::scene::GroundAltitude;
    double h = r.HeadingDegrees * 3.14159265358979323846 / 180.0;
    Vec3 along{std::sin(h), 0, std::cos(h)}, across{std::cos(h), 0, -std::sin(h)};
    Vec3 middle{r.EastMetres, y, r.NorthMetres};
    auto at = [&](double l, double c) { return middle + along * l + across * c; };
    auto quad = [&](double l0, double l1, double c0, double c1) {
        return std::vector<Vec3>{at(l0, c0), at(l1, c0), at(l1, c1), at(l0, c1)};
    };
    double half = r.Length / 2, side = r.Width / 2;
    Fill(p, quad(-half, half, -side, side), kRunway);
    // Threshold bars at both ends, a dashed centre line between them.
    for (double end : {-1.0, 1.0})
        for (double c = -side + 2; c < side - 2; c += 3.5)
            if (std::fabs(c + 0.75) > 2.5)
                Fill(p, quad(end * (half - 6), end * (half - 36), c, c + 1.5), kMarking);
    Use(p.Cr, kMarking);
    cairo_set_line_width(p.Cr, 1.0);
    for (double l = -half + 60; l < half - 60; l += 50) Segment(p, at(l, 0), at(l + 25, 0));
    cairo_stroke(p.Cr);
}

// ---- Buildings ------------------------------------------------------------------------

void Building(const Painter& p, const standin::scene::Object& o) {
    const double x0 = o.EastMetres - o.HalfEast, x1 = o.EastMetres + o.HalfEast;
    const double z0 = o.NorthMetres - o.HalfNorth, z1 = o.NorthMetres + o.HalfNorth;
    const double y0 = standin::scene::GroundAltitude, y1 = y0 + o.Height;
    struct Face {
        Vec3 Normal;
        Vec3 Corners[4]; // the last two on the roof for the walls
        double Shade;
    } faces[] = {
        {{0, 0, -1}, {{x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}}, 1.0},
        {{0, 0, 1}, {{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}, 0.93},
        {{-1, 0, 0}, {{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}, 0.86},
        {{1, 0, 0}, {{x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}}, 0.9},
        {{0, 1, 0}, {{x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}}, 1.0},
    };
    const Vec3& eye = p.Camera.Eye;
    auto facing = [&](const Face& f) {
        Vec3 d = eye - f.Corners[0];
        return d.X * f.Normal.X + d.Y * f.Normal.Y + d.Z * f.Normal.Z > 0;
    };
    Colour roofEdge = RoofEdgeColour(o.Name);
    if (!o.HasGeometry) { // the host knows no shape for it: an outline only
        static const double dashes[] = {4.0, 3.0};
        cairo_set_dash(p.Cr, dashes, 2, 0);
        Use(p.Cr, roofEdge);
        cairo_set_line_width(p.Cr, 1.2);
        for (const Face& f : faces)
            for (int i = 0; i < 4; ++i) Segment(p, f.Corners[i], f.Corners[(i + 1) % 4]);
        cairo_stroke(p.Cr);
        cairo_set_dash(p.Cr, nullptr, 0, 0);
        return;
    }
    bool roofSeen = facing(faces[4]);
    for (const Face& f : faces) {
        if (!facing(f)) continue;
        bool roof = &f == &faces[4];
        Colour c = roof ? kRoof : kWall;
        Colour shaded = {c.R * f.Shade, c.G * f.Shade, c.B * f.Shade};
        Fill(p, {f.Corners, f.Corners + 4}, shaded, &kEdge);
    }
    // The roof's edge: all of it when the roof is seen, else the top of each wall seen.
    Use(p.Cr, roofEdge);
    cairo_set_line_width(p.Cr, 2.5);
    for (int i = 0; i < 4; ++i)
        if (roofSeen || facing(faces[i])) Segment(p, faces[i].Corners[2], faces[i].Corners[3]);
    cairo_stroke(p.Cr);
}

// ---- The aircraft ------------------------------------------------------------------------

// A light twin seen from outside, in its own axes (metres: right, up, ahead),
// around the point whose position the host serves.
struct Station {
    double Ahead, Radius, Middle;
};
constexpr Station kFuselage[] = {{6.2, 0.12, 0.35}, {5.0, 0.55, 0.45}, {3.6, 0.95, 0.6},
                                 {1.5, 1.05, 0.6},  {-2.0, 0.95, 0.6}, {-5.0, 0.55, 0.8},
                                 {-7.0, 0.2, 1.0}};
constexpr int kRingPoints = 8;
constexpr double kInsideMargin = 0.8; // metres around the fuselage that count as in it
// Outlines: each wing, each half of the tailplane, the fin.
const std::vector<std::vector<Vec3>> kSurfaces = {
    {{1.0, 0.0, 1.8}, {7.0, 0.35, 0.7}, {7.0, 0.35, -0.4}, {1.0, 0.0, -0.6}},
    {{-1.0, 0.0, 1.8}, {-7.0, 0.35, 0.7}, {-7.0, 0.35, -0.4}, {-1.0, 0.0, -0.6}},
    {{0.4, 0.9, -5.0}, {2.6, 0.9, -5.9}, {2.6, 0.9, -6.7}, {0.4, 0.9, -6.4}},
    {{-0.4, 0.9, -5.0}, {-2.6, 0.9, -5.9}, {-2.6, 0.9, -6.7}, {-0.4, 0.9, -6.4}},
    {{0.0, 1.3, -4.6}, {0.0, 3.2, -6.3}, {0.0, 3.2, -7.0}, {0.0, 1.0, -7.0}},
};

Vec3 RingPoint(const Station& s, int k) {
    double a = k * 2 * 3.14159265358979323846 / kRingPoints;
    return {s.Radius * std::sin(a), s.Middle + s.Radius * std::cos(a), s.Ahead};
}

// Whether a point given in the aircraft's axes lies inside its fuselage.
bool InFuselage(const Vec3& v) {
    constexpr int stations = int(sizeof kFuselage / sizeof kFuselage[0]);
    for (int s = 0; s + 1 < stations; ++s) {
        const Station &front = kFuselage[s], &back = kFuselage[s + 1];
        if (v.Z > front.Ahead || v.Z < back.Ahead) continue;
        double t = (front.Ahead - v.Z) / (front.Ahead - back.Ahead);
        double radius = front.Radius + (back.Radius - front.Radius) * t;
        double middle = front.Middle + (back.Middle - front.Middle) * t;
        return std::hypot(v.X, v.Y - middle) < radius + kInsideMargin;
    }
    return false;
}

void AircraftModel(const Painter& p, const view::Aircraft& a) {
    auto world = [&](const Vec3& v) { return view::InWorld(a, v); };
    // From inside its fuselage (the walker steps out where the aircraft stands)
    // its rings would only hide the view: the wings and tail are drawn alone.
    view::Mat3 toAircraft = view::Transpose(view::Attitude(a.Pitch, a.Heading, a.Bank));
    bool inside = InFuselage(view::Times(p.Camera.Eye - a.Position, toAircraft));
    for (const auto& surface : kSurfaces) {
        std::vector<Vec3> corners;
        for (const Vec3& c : surface) corners.push_back(world(c));
        Fill(p, corners, AircraftColour, nullptr, 0.22);
    }
    Use(p.Cr, AircraftColour);
    cairo_set_line_width(p.Cr, 1.8);
    constexpr int stations = int(sizeof kFuselage / sizeof kFuselage[0]);
    for (int s = 0; s < stations && !inside; ++s)
        for (int k = 0; k < kRingPoints; ++k) {
            Vec3 here = world(RingPoint(kFuselage[s], k));
            Segment(p, here, world(RingPoint(kFuselage[s], k + 1)));
            if (s + 1 < stations) Segment(p, here, world(RingPoint(kFuselage[s + 1], k)));
        }
    for (const auto& surface : kSurfaces)
        for (size_t i = 0; i < surface.size(); ++i)
            Segment(p, world(surface[i]), world(surface[(i + 1) % surface.size()]));
    cairo_stroke(p.Cr);
}

// ---- The cockpit's window frame ------------------------------------------------------------

// Around the pilot's seat (the eye's reference point 0, 1, 2): the wall ahead
// with the windscreen, the side walls below and above their windows, a door
// post behind the seat.
constexpr double kFront = 3.6, kSide = 0.9, kPost = 0.66, kSill = 0.57, kTop = 1.43;
constexpr double kFloor = -0.5, kCeiling = 2.3, kBack = 0.6;
// The panel below the windscreen and the roof above it, then the parts of the
// right side, drawn mirrored for the left: the post beside the windscreen,
// the side wall below and above the window, the door post.
const std::vector<std::vector<Vec3>> kCabinMiddle = {
    {{-kSide, kFloor, kFront},
     {kSide, kFloor, kFront},
     {kSide, kSill, kFront},
     {-kSide, kSill, kFront}},
    {{-kSide, kTop, kFront},
     {kSide, kTop, kFront},
     {kSide, kCeiling, kFront},
     {-kSide, kCeiling, kFront}},
};
const std::vector<std::vector<Vec3>> kCabinRight = {
    {{kPost, kSill, kFront}, {kSide, kSill, kFront}, {kSide, kTop, kFront}, {kPost, kTop, kFront}},
    {{kSide, kFloor, kFront},
     {kSide, kFloor, kBack},
     {kSide, kSill, kBack},
     {kSide, kSill, kFront}},
    {{kSide, kTop, kFront},
     {kSide, kTop, kBack},
     {kSide, kCeiling, kBack},
     {kSide, kCeiling, kFront}},
    {{kSide, kSill, 1.3}, {kSide, kSill, 1.1}, {kSide, kTop, 1.1}, {kSide, kTop, 1.3}},
};
// Dials on the panel, seen when the pilot looks down.
constexpr double kDialHeight = 0.3, kDialRadius = 0.09;
constexpr double kDials[] = {-0.5, -0.25, 0.25, 0.5};

void CockpitFrame(const Painter& p, const view::Aircraft& a) {
    auto part = [&](const std::vector<Vec3>& corners, double side) {
        std::vector<Vec3> world;
        for (const Vec3& c : corners) world.push_back(view::InWorld(a, {c.X * side, c.Y, c.Z}));
        Fill(p, world, kCabin, &kCabinEdge);
    };
    for (const auto& middle : kCabinMiddle) part(middle, 1.0);
    for (const auto& right : kCabinRight) part(right, 1.0), part(right, -1.0);
    for (double x : kDials) {
        std::vector<Vec3> rim;
        for (int k = 0; k < 16; ++k) {
            double t = k * 2 * 3.14159265358979323846 / 16;
            rim.push_back(
                view::InWorld(a, {x + kDialRadius * std::cos(t),
                                  kDialHeight + kDialRadius * std::sin(t), kFront - 0.01}));
        }
        Fill(p, rim, {0.1, 0.1, 0.12}, &kCabinEdge);
    }
}

// ---- A frame ---------------------------------------------------------------------------------

const char* EyeName(Eye eye) {
    switch (eye) {
    case Eye::FlyBy:
        return "fly-by camera";
    case Eye::Cockpit:
        return "cockpit eye";
    case Eye::Walker:
        return "walker's eye";
    }
    return "";
}

double Distance(const Vec3& a, const Vec3& b) {
    Vec3 d = a - b;
    return std::sqrt(d.X * d.X + d.Y * d.Y + d.Z * d.Z);
}

void Corner(cairo_t* cr, const view::Picture& picture, const Frame& frame, Eye eye) {
    char first[96], second[96];
    std::snprintf(first, sizeof first, "%.2f s  %s", frame.Time, EyeName(eye));
    switch (eye) {
    case Eye::FlyBy:
        std::snprintf(second, sizeof second, "the aircraft %.0f m away",
                      Distance(frame.Viewpoint, frame.Plane.Position));
        break;
    case Eye::Cockpit:
        std::snprintf(second, sizeof second, "bank %.0f, %.0f km/h, zoom %.2f", frame.Plane.Bank,
                      frame.Speed, frame.ZoomWord / 64.0);
        break;
    case Eye::Walker:
        std::snprintf(second, sizeof second, "eye %.2f m above the ground",
                      frame.Walker.Y - standin::scene::GroundAltitude);
        break;
    }
    double size = std::max(9.0, picture.Height / 22);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t a, b;
    cairo_text_extents(cr, first, &a);
    cairo_text_extents(cr, second, &b);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.75);
    cairo_rectangle(cr, 0, 0, std::max(a.x_advance, b.x_advance) + size, 2.6 * size);
    cairo_fill(cr);
    Use(cr, kText);
    cairo_move_to(cr, size / 2, 1.1 * size);
    cairo_show_text(cr, first);
    cairo_move_to(cr, size / 2, 2.25 * size);
    cairo_show_text(cr, second);
}

} // namespace

void DrawView(cairo_t* cr, const view::Picture& picture, const Frame& frame, Eye eye) {
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, picture.Width, picture.Height);
    cairo_clip(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    Painter p{cr, picture, CameraOf(frame, eye)};
    Ground(p);
    Runway(p);
    // Far things first.
    struct Thing {
        double Distance;
        const standin::scene::Object* Object; // or the aircraft
    };
    std::vector<Thing> things;
    for (const standin::scene::Object& o : standin::scene::Objects)
        things.push_back(
            {Distance(p.Camera.Eye,
                      {o.EastMetres, standin::scene::GroundAltitude + o.Height / 2, o.NorthMetres}),
             &o});
    if (eye != Eye::Cockpit)
        things.push_back({Distance(p.Camera.Eye, frame.Plane.Position), nullptr});
    std::sort(things.begin(), things.end(),
              [](const Thing& a, const Thing& b) { return a.Distance > b.Distance; });
    for (const Thing& t : things) {
        if (t.Object)
            Building(p, *t.Object);
        else
            AircraftModel(p, frame.Plane);
    }
    if (eye == Eye::Cockpit) CockpitFrame(p, frame.Plane);
    Corner(cr, picture, frame, eye);
    cairo_restore(cr);
}

bool WriteView(const std::string& path, const view::Picture& picture, const Frame& frame, Eye eye) {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(picture.Width), int(picture.Height));
    cairo_t* cr = cairo_create(surface);
    DrawView(cr, picture, frame, eye);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    bool ok;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".gif") == 0)
        ok = WriteGif(
            path, reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface)),
            cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface),
            cairo_image_surface_get_stride(surface) / 4);
    else
        ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

// ---- The contact sheet -----------------------------------------------------------------------

namespace {

constexpr int kColumns = 4;
constexpr double kCellWidth = 320, kCellHeight = 240, kGap = 10, kCaption = 34, kTitle = 36;
constexpr double kCaptionSize = 11;

// The caption in at most two lines of the cell's width, cut short with "..." beyond.
void Caption(cairo_t* cr, const std::string& text, double x, double y) {
    cairo_set_font_size(cr, kCaptionSize);
    std::vector<std::string> lines(1);
    size_t at = 0;
    bool cut = false;
    while (at < text.size() && !cut) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        std::string word = text.substr(at, end - at);
        std::string longer = lines.back().empty() ? word : lines.back() + " " + word;
        cairo_text_extents_t e;
        cairo_text_extents(cr, longer.c_str(), &e);
        if (e.x_advance <= kCellWidth || lines.back().empty()) {
            lines.back() = longer;
        } else if (lines.size() < 2) {
            lines.push_back(word);
        } else {
            cut = true;
        }
        at = end + 1;
    }
    if (cut) {
        std::string& last = lines.back();
        for (cairo_text_extents_t e;;) {
            cairo_text_extents(cr, (last + "...").c_str(), &e);
            if (e.x_advance <= kCellWidth || last.empty()) break;
            last.pop_back();
        }
        last += "...";
    }
    Use(cr, kText);
    for (size_t i = 0; i < lines.size(); ++i) {
        cairo_move_to(cr, x, y + kCaptionSize * (1.1 + 1.25 * double(i)));
        cairo_show_text(cr, lines[i].c_str());
    }
}

} // namespace

bool WriteContactSheet(const std::string& path, const std::string& title,
                       const std::vector<Frame>& frames, const std::vector<KeyFrame>& keys) {
    if (keys.empty()) return false;
    int columns = std::min(kColumns, int(keys.size()));
    int rows = (int(keys.size()) + columns - 1) / columns;
    double width = kGap + columns * (kCellWidth + kGap);
    double height = kTitle + rows * (kCellHeight + kCaption + kGap);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, int(width), int(height));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 16);
    Use(cr, kText);
    cairo_move_to(cr, kGap, 24);
    cairo_show_text(cr, title.c_str());
    for (size_t i = 0; i < keys.size(); ++i) {
        double x = kGap + double(i % size_t(columns)) * (kCellWidth + kGap);
        double y = kTitle + double(i / size_t(columns)) * (kCellHeight + kCaption + kGap);
        const Frame& f = frames[keys[i].Frame];
        cairo_save(cr);
        cairo_translate(cr, x, y);
        DrawView(cr, {kCellWidth, kCellHeight}, f, Shown(f));
        cairo_restore(cr);
        Caption(cr, keys[i].Caption, x, y + kCellHeight);
    }
    cairo_destroy(cr);
    bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

} // namespace render
