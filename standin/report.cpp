// What the stand-in tells of a flight: a log line per second, a trace file
// and a top-down picture of the aircraft's track and the module's viewpoint.
#include "standin/scenario.h"
#include "standin/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace standin {

namespace {

std::string LatLon(double lat, double lon) {
    char text[64];
    std::snprintf(text, sizeof text, "%9.5f %c %10.5f %c", std::fabs(lat), lat < 0 ? 'S' : 'N',
                  std::fabs(lon), lon < 0 ? 'W' : 'E');
    return text;
}

// Metres east and north of an origin, on the scale of a few kilometres.
struct Local {
    double East, North;
};
Local ToLocal(double lat, double lon, double lat0, double lon0) {
    return {(lon - lon0) * host::MetresPerDegreeLatitude * std::cos(lat0 * Pi / 180.0),
            (lat - lat0) * host::MetresPerDegreeLatitude};
}

bool HasViewpoint(const TraceRow& r) {
    return r.ModuleLoaded && r.View.LatitudeDegrees != 0.0;
}

} // namespace

std::string DescribeRow(const TraceRow& row) {
    char text[256];
    const Aircraft& a = row.Plane;
    std::string view = HasViewpoint(row)
                           ? LatLon(row.View.LatitudeDegrees, row.View.LongitudeDegrees) + " " +
                                 std::to_string(unsigned(row.View.AltitudeMetres)) + " m"
                           : std::string("(not written)");
    std::snprintf(text, sizeof text,
                  "[%6.2f s] aircraft %s %5.0f m hdg %3.0f %4.0f km/h | viewpoint %s | %d lookups",
                  row.Time, LatLon(a.Latitude, a.Longitude).c_str(), a.Altitude, a.Heading, a.Speed,
                  view.c_str(), row.Lookups);
    return text;
}

void WriteTrace(const std::string& path, const std::vector<TraceRow>& rows) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return;
    // The columns from step_line on are the views as the host would draw them
    // (standin/render/): the cockpit record's kind, aspect, eye and rotation rows,
    // and the walker's eye record with the scene's view matrix (its 3 x 3 part).
    std::fprintf(file, "time_s,aircraft_lat_deg,aircraft_lon_deg,aircraft_alt_m,heading_deg,"
                       "pitch_deg,bank_deg,speed_kmh,view_lat_deg,view_lon_deg,view_alt_m,lookups,"
                       "eye_heading_deg,eye_pitch_deg,eye_bank_deg,eye_heading_word_deg,step_line,"
                       "view_kind,view_aspect,eye_x,eye_y,eye_z,eye_zoom_word");
    for (int i = 0; i < 9; ++i) std::fprintf(file, ",eye_r%d%d", i / 3, i % 3);
    std::fprintf(file, ",walker_lat_deg,walker_lon_deg,walker_alt_m");
    for (int i = 0; i < 9; ++i) std::fprintf(file, ",walker_m%d%d", i / 3, i % 3);
    std::fprintf(file, "\n");
    for (const TraceRow& r : rows) {
        const Aircraft& a = r.Plane;
        std::fprintf(file, "%.3f,%.7f,%.7f,%.2f,%.2f,%.2f,%.2f,%.1f,", r.Time, a.Latitude,
                     a.Longitude, a.Altitude, a.Heading, a.Pitch, a.Bank, a.Speed);
        if (HasViewpoint(r))
            std::fprintf(file, "%.7f,%.7f,%u,%d,", r.View.LatitudeDegrees, r.View.LongitudeDegrees,
                         unsigned(r.View.AltitudeMetres), r.Lookups);
        else
            std::fprintf(file, ",,,%d,", r.Lookups);
        const EyeReading& e = r.Eye;
        std::fprintf(file, "%.3f,%.3f,%.3f,%.3f,%d,%d,%.6f,%.4f,%.4f,%.4f,%d", e.Heading, e.Pitch,
                     e.Bank, e.HeadingWord * 360.0 / 65536.0, r.StepLine, int(e.Kind), e.Aspect,
                     e.Position[0], e.Position[1], e.Position[2], int(e.ZoomWord));
        for (int i = 0; i < 9; ++i) std::fprintf(file, ",%.9g", double(e.Rows[i / 3][i % 3]));
        const WalkReading& w = r.Walk;
        if (w.Written) {
            std::fprintf(file, ",%.9f,%.9f,%.4f", w.Latitude, w.Longitude, w.Altitude);
            for (int i = 0; i < 9; ++i)
                std::fprintf(file, ",%.9g", double(w.ViewMatrix[(i / 3) * 4 + i % 3]));
        } else {
            std::fprintf(file, ",,,,,,,,,,,,");
        }
        std::fprintf(file, "\n");
    }
    std::fclose(file);
}

// ---- Legends and labels ------------------------------------------------------

namespace {

// A generous width for SVG text, which is laid out only where it is drawn:
// wider than the average letter of the sans-serif fonts the converters use.
double TextWidth(const char* text, double fontSize) {
    return 0.62 * fontSize * double(std::strlen(text));
}

enum class Swatch { Line, Dot, Fill };
struct LegendEntry {
    const char* Label;
    const char* Colour;
    Swatch Kind;
};

// One row of swatches with their labels from (x, y), each after the last one's
// text; the x after the row.
double Legend(FILE* file, double x, double y, const std::vector<LegendEntry>& entries) {
    for (const LegendEntry& e : entries) {
        switch (e.Kind) {
        case Swatch::Line:
            std::fprintf(file,
                         "<line x1='%.0f' x2='%.0f' y1='%.0f' y2='%.0f' stroke='%s' "
                         "stroke-width='3'/>",
                         x, x + 18, y - 4, y - 4, e.Colour);
            break;
        case Swatch::Dot:
            std::fprintf(file, "<circle cx='%.0f' cy='%.0f' r='5' fill='%s'/>", x + 9, y - 4,
                         e.Colour);
            break;
        case Swatch::Fill:
            std::fprintf(file,
                         "<rect x='%.0f' y='%.0f' width='18' height='10' fill='%s' "
                         "stroke='#666'/>",
                         x, y - 9, e.Colour);
            break;
        }
        std::fprintf(file, "<text x='%.0f' y='%.0f'>%s</text>\n", x + 24, y, e.Label);
        x += 24 + TextWidth(e.Label, 12) + 22;
    }
    return x;
}

struct Box {
    double Left, Top, Right, Bottom;
};
bool Overlap(const Box& a, const Box& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Short labels beside points, each put where it overlaps no label placed
// before it and no point: up right, down right, up left, down left, further out.
struct LabelPlacer {
    std::vector<Box> Taken;
    void Point(double x, double y, double r) { Taken.push_back({x - r, y - r, x + r, y + r}); }
    // The text's baseline start.
    void Place(double x, double y, const char* text, double& tx, double& ty) {
        double w = TextWidth(text, 13), h = 13;
        const double offsets[][2] = {{7, -7},  {7, 16},     {-7 - w, -7},  {-7 - w, 16},
                                     {7, -22}, {7, 31},     {-7 - w, -22}, {-7 - w, 31},
                                     {20, 5},  {-20 - w, 5}};
        for (const auto& o : offsets) {
            Box b{x + o[0], y + o[1] - h, x + o[0] + w, y + o[1] + 2};
            bool free = true;
            for (const Box& t : Taken) free = free && !Overlap(b, t);
            tx = x + o[0], ty = y + o[1];
            if (free) {
                Taken.push_back(b);
                return;
            }
        }
        Taken.push_back({tx, ty - h, tx + w, ty + 2});
    }
};

} // namespace

void WritePicture(const std::string& path, const std::string& title,
                  const std::vector<TraceRow>& rows) {
    double lat0 = rows.front().Plane.Latitude, lon0 = rows.front().Plane.Longitude;
    std::vector<Local> track, view;
    std::vector<Local> cameraPoints; // where the viewpoint jumped to a new point
    std::vector<size_t> jumps;       // indices in view where a new point starts
    for (const TraceRow& r : rows) {
        track.push_back(ToLocal(r.Plane.Latitude, r.Plane.Longitude, lat0, lon0));
        if (!HasViewpoint(r)) continue;
        Local v = ToLocal(r.View.LatitudeDegrees, r.View.LongitudeDegrees, lat0, lon0);
        if (view.empty() ||
            std::hypot(v.East - view.back().East, v.North - view.back().North) > 30.0) {
            cameraPoints.push_back(v);
            jumps.push_back(view.size());
        }
        view.push_back(v);
    }
    double minE = 0, maxE = 0, minN = 0, maxN = 0;
    for (const auto* set : {&track, &view})
        for (const Local& p : *set) {
            minE = std::min(minE, p.East), maxE = std::max(maxE, p.East);
            minN = std::min(minN, p.North), maxN = std::max(maxN, p.North);
        }
    const double width = 900, height = 640, margin = 40;
    double span = std::max({maxE - minE, maxN - minN, 100.0});
    double scale = std::min(width - 2 * margin, height - 2 * margin - 40) / span;
    auto x = [&](const Local& p) { return margin + (p.East - minE) * scale; };
    auto y = [&](const Local& p) { return height - margin - (p.North - minN) * scale; };

    FILE* file = std::fopen(path.c_str(), "w");
    if (!file) return;
    std::fprintf(file,
                 "<svg xmlns='http://www.w3.org/2000/svg' width='%.0f' height='%.0f' "
                 "font-family='sans-serif' font-size='13'>\n<rect width='100%%' height='100%%' "
                 "fill='white'/>\n<text x='%.0f' y='24' font-size='16'>%s: top-down, north up, "
                 "%.0f m across</text>\n",
                 width, height, margin, title.c_str(), span);
    std::fprintf(file, "<polyline fill='none' stroke='#1f5fbf' stroke-width='2' points='");
    for (const Local& p : track) std::fprintf(file, "%.1f,%.1f ", x(p), y(p));
    std::fprintf(file, "'/>\n");
    // The viewpoint between jumps: a dot where it stood still, a line where it travelled.
    jumps.push_back(view.size());
    for (size_t j = 0; j + 1 < jumps.size(); ++j) {
        std::fprintf(file, "<polyline fill='none' stroke='#e08020' stroke-width='2.5' points='");
        for (size_t i = jumps[j]; i < jumps[j + 1]; ++i)
            std::fprintf(file, "%.1f,%.1f ", x(view[i]), y(view[i]));
        std::fprintf(file, "'/>\n");
    }
    LabelPlacer labels;
    for (const Local& p : cameraPoints) labels.Point(x(p), y(p), 5);
    labels.Point(x(track.front()), y(track.front()), 4);
    int n = 0;
    for (const Local& p : cameraPoints) {
        std::string number = std::to_string(++n);
        double tx, ty;
        labels.Place(x(p), y(p), number.c_str(), tx, ty);
        std::fprintf(file,
                     "<circle cx='%.1f' cy='%.1f' r='5' fill='#d02020'/><text x='%.1f' "
                     "y='%.1f'>%s</text>\n",
                     x(p), y(p), tx, ty, number.c_str());
    }
    std::fprintf(file, "<circle cx='%.1f' cy='%.1f' r='4' fill='#1f5fbf'/>\n", x(track.front()),
                 y(track.front()));
    Legend(file, margin, height - 12,
           {{"aircraft track (dot: start)", "#1f5fbf", Swatch::Line},
            {"camera points, in order", "#d02020", Swatch::Dot},
            {"viewpoint as written (travelling)", "#e08020", Swatch::Line}});
    std::fprintf(file, "</svg>\n");
    std::fclose(file);
}

// ---- The eye over time ----------------------------------------------------------

namespace {

struct Series {
    const char* Label;
    const char* Colour;
    double (*Value)(const TraceRow& row, const TraceRow& first);
};

double SignedDegrees(double a) {
    return std::remainder(a, 360.0);
}

// A round step between about count ticks over span: 1, 2 or 5 times a power of ten.
double TickStep(double span, int count) {
    double raw = span / count, power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power) return m * power;
    return 10.0 * power;
}

// A plot of series over time: title and legend above the box, time ticks below.
void Panel(FILE* file, const std::vector<TraceRow>& rows, double top, double height,
           const char* title, const std::vector<Series>& series) {
    const double left = 60, width = 840;
    double lo = -1, hi = 1;
    for (const TraceRow& r : rows)
        for (const Series& s : series)
            lo = std::min(lo, s.Value(r, rows.front())),
            hi = std::max(hi, s.Value(r, rows.front()));
    double pad = (hi - lo) * 0.08;
    lo -= pad, hi += pad;
    double t0 = std::floor(rows.front().Time), t1 = std::max(rows.back().Time, t0 + 1);
    auto x = [&](double t) { return left + (t - t0) / (t1 - t0) * width; };
    auto y = [&](double v) { return top + height - (v - lo) / (hi - lo) * height; };
    std::fprintf(file,
                 "<rect x='%.0f' y='%.0f' width='%.0f' height='%.0f' fill='none' stroke='#999'/>\n"
                 "<text x='%.0f' y='%.0f' font-size='14'>%s</text>\n"
                 "<text x='5' y='%.0f'>%.1f</text><text x='5' y='%.0f'>%.1f</text>\n",
                 left, top, width, height, left, top - 30, title, top + 12, hi, top + height, lo);
    double step = TickStep(t1 - t0, 12);
    for (double t = std::ceil(t0 / step) * step; t <= t1 + 1e-9; t += step)
        std::fprintf(file,
                     "<line x1='%.1f' x2='%.1f' y1='%.0f' y2='%.0f' stroke='#eee'/>"
                     "<line x1='%.1f' x2='%.1f' y1='%.0f' y2='%.0f' stroke='#999'/>"
                     "<text x='%.1f' y='%.0f' text-anchor='middle'>%g</text>\n",
                     x(t), x(t), top, top + height, x(t), x(t), top + height, top + height + 5,
                     x(t), top + height + 18, t);
    std::fprintf(file, "<text x='%.0f' y='%.0f' text-anchor='end'>s</text>\n", left + width + 18,
                 top + height + 18);
    if (lo < 0 && hi > 0)
        std::fprintf(file, "<line x1='%.0f' x2='%.0f' y1='%.1f' y2='%.1f' stroke='#ccc'/>\n", left,
                     left + width, y(0), y(0));
    if (y(0) > top + 24 && y(0) < top + height - 16) // clear of the highest and lowest values
        std::fprintf(file, "<text x='%.0f' y='%.1f' text-anchor='end'>0</text>\n", left - 6,
                     y(0) + 4);
    std::vector<LegendEntry> legend;
    for (const Series& s : series) legend.push_back({s.Label, s.Colour, Swatch::Line});
    Legend(file, left, top - 10, legend);
    for (auto s = series.rbegin(); s != series.rend(); ++s) {
        std::fprintf(file, "<polyline fill='none' stroke='%s' stroke-width='1.6' points='",
                     s->Colour);
        for (const TraceRow& r : rows)
            std::fprintf(file, "%.1f,%.1f ", x(r.Time), y(s->Value(r, rows.front())));
        std::fprintf(file, "'/>\n");
    }
}

} // namespace

void WriteWalkPicture(const std::string& path, const std::string& title,
                      const std::vector<TraceRow>& rows) {
    std::vector<const TraceRow*> walk;
    for (const TraceRow& r : rows)
        if (r.Walk.Written) walk.push_back(&r);
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file || walk.empty()) {
        if (file) std::fclose(file);
        return;
    }
    std::fprintf(file,
                 "<svg xmlns='http://www.w3.org/2000/svg' width='1100' height='520' "
                 "font-family='sans-serif' font-size='12'>\n<rect width='100%%' height='100%%' "
                 "fill='white'/>\n<text x='20' y='24' font-size='16'>%s: the pilot's walk</text>\n",
                 title.c_str());

    // Left: top-down, north up, 120 m across, the scene's objects and the track.
    const double mapLeft = 20, mapTop = 50, mapSize = 440, span = 120.0;
    auto mx = [&](double east) { return mapLeft + (east + span / 2) / span * mapSize; };
    auto my = [&](double north) { return mapTop + (span / 2 - north) / span * mapSize; };
    std::fprintf(
        file,
        "<text x='%.0f' y='%.0f' font-size='14'>top-down, north up, %.0f m across</text>\n"
        "<rect x='%.0f' y='%.0f' width='%.0f' height='%.0f' fill='#f4f4ec' stroke='#999'/>\n",
        mapLeft, mapTop - 8, span, mapLeft, mapTop, mapSize, mapSize);
    for (const scene::Object& o : scene::Objects) {
        std::fprintf(file,
                     "<rect x='%.1f' y='%.1f' width='%.1f' height='%.1f' fill='%s' stroke='#666'/>"
                     "<text x='%.1f' y='%.1f'>%s, %.0f m%s</text>\n",
                     mx(o.EastMetres - o.HalfEast), my(o.NorthMetres + o.HalfNorth),
                     2 * o.HalfEast / span * mapSize, 2 * o.HalfNorth / span * mapSize,
                     o.HasGeometry ? "#d8d0c0" : "#eeeeee", mx(o.EastMetres - o.HalfEast),
                     my(o.NorthMetres + o.HalfNorth) - 4, o.Name, o.Height,
                     o.HasGeometry ? "" : " (no geometry)");
    }
    auto east = [](const TraceRow* r) {
        return scene::ToLocal(r->Walk.Latitude, r->Walk.Longitude).East;
    };
    auto north = [](const TraceRow* r) {
        return scene::ToLocal(r->Walk.Latitude, r->Walk.Longitude).North;
    };
    std::fprintf(file, "<polyline fill='none' stroke='#d02020' stroke-width='2' points='");
    for (const TraceRow* r : walk) std::fprintf(file, "%.1f,%.1f ", mx(east(r)), my(north(r)));
    std::fprintf(file,
                 "'/>\n<circle cx='%.1f' cy='%.1f' r='4' fill='#d02020'/>"
                 "<text x='%.1f' y='%.1f' fill='#d02020'>start</text>\n",
                 mx(east(walk.front())), my(north(walk.front())), mx(east(walk.front())) + 6,
                 my(north(walk.front())) + 14);

    // Right: altitudes against the distance walked.
    std::vector<double> distance(walk.size(), 0.0);
    for (size_t i = 1; i < walk.size(); ++i)
        distance[i] = distance[i - 1] + std::hypot(east(walk[i]) - east(walk[i - 1]),
                                                   north(walk[i]) - north(walk[i - 1]));
    double lo = 1e9, hi = -1e9;
    for (const TraceRow* r : walk) {
        lo = std::min(lo, SceneGroundUnder(r->Walk.Latitude, r->Walk.Longitude));
        hi = std::max(hi, r->Walk.Altitude);
    }
    lo -= 2, hi += 2;
    const double left = 520, top = 50, width = 560, height = 440;
    double longest = std::max(distance.back(), 1.0);
    auto px = [&](double d) { return left + d / longest * width; };
    auto py = [&](double a) { return top + height - (a - lo) / (hi - lo) * height; };
    std::fprintf(file,
                 "<text x='%.0f' y='%.0f' font-size='14'>side profile: altitude (m) over "
                 "distance walked (%.0f m)</text>\n<rect x='%.0f' y='%.0f' width='%.0f' "
                 "height='%.0f' fill='none' stroke='#999'/>\n<text x='%.0f' y='%.0f'>%.0f</text>"
                 "<text x='%.0f' y='%.0f'>%.0f</text>\n",
                 left, top - 8, longest, left, top, width, height, left - 30, top + 10, hi,
                 left - 30, top + height, lo);
    std::fprintf(file, "<polygon fill='#d8d0c0' stroke='none' points='%.1f,%.1f ", px(0), py(lo));
    for (size_t i = 0; i < walk.size(); ++i)
        std::fprintf(file, "%.1f,%.1f ", px(distance[i]),
                     py(SceneGroundUnder(walk[i]->Walk.Latitude, walk[i]->Walk.Longitude)));
    std::fprintf(file, "%.1f,%.1f'/>\n", px(longest), py(lo));
    for (bool feet : {false, true}) {
        std::fprintf(file, "<polyline fill='none' stroke='%s' stroke-width='2' points='",
                     feet ? "#20a040" : "#1f5fbf");
        for (size_t i = 0; i < walk.size(); ++i) {
            double a = walk[i]->Walk.Altitude;
            if (feet) a -= walk[i]->Crouching ? 0.75 : 1.7;
            std::fprintf(file, "%.1f,%.1f ", px(distance[i]), py(a));
        }
        std::fprintf(file, "'/>\n");
    }
    std::fprintf(file,
                 "<rect x='%.0f' y='%.0f' width='%.0f' height='24' fill='white' "
                 "fill-opacity='0.85'/>\n",
                 left + 1, top + 1, width - 2);
    Legend(file, left + 10, top + 18,
           {{"eye", "#1f5fbf", Swatch::Line},
            {"feet", "#20a040", Swatch::Line},
            {"scene under the walker", "#d8d0c0", Swatch::Fill}});
    std::fprintf(file, "</svg>\n");
    std::fclose(file);
}

void WriteEyePicture(const std::string& path, const std::string& title,
                     const std::vector<TraceRow>& rows) {
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file || rows.empty()) {
        if (file) std::fclose(file);
        return;
    }
    std::fprintf(file,
                 "<svg xmlns='http://www.w3.org/2000/svg' width='920' height='830' "
                 "font-family='sans-serif' font-size='12'>\n<rect width='100%%' height='100%%' "
                 "fill='white'/>\n<text x='60' y='24' font-size='16'>%s: the pilot's eye against "
                 "the aircraft, degrees over seconds</text>\n",
                 title.c_str());
    Panel(file, rows, 90, 180, "aircraft",
          {{"heading change", "#1f5fbf",
            [](const TraceRow& r, const TraceRow& f) {
                return SignedDegrees(r.Plane.Heading - f.Plane.Heading);
            }},
           {"pitch", "#20a040", [](const TraceRow& r, const TraceRow&) { return r.Plane.Pitch; }},
           {"bank", "#a040c0", [](const TraceRow& r, const TraceRow&) { return r.Plane.Bank; }}});
    Panel(file, rows, 350, 180, "eye heading: where the pilot turned the head, and as shown",
          {{"head (heading word)", "#808080",
            [](const TraceRow& r, const TraceRow&) {
                return SignedDegrees(r.Eye.HeadingWord * 360.0 / 65536.0);
            }},
           {"shown (with latency and turbulence)", "#d02020",
            [](const TraceRow& r, const TraceRow&) { return SignedDegrees(r.Eye.Heading); }}});
    Panel(file, rows, 610, 180, "eye pitch and bank as shown: latency and ground turbulence",
          {{"pitch", "#20a040", [](const TraceRow& r, const TraceRow&) { return r.Eye.Pitch; }},
           {"bank", "#a040c0", [](const TraceRow& r, const TraceRow&) { return r.Eye.Bank; }}});
    std::fprintf(file, "</svg>\n");
    std::fclose(file);
}

} // namespace standin
