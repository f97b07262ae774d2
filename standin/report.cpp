// What the stand-in tells of a flight: a log line per second, a trace file
// and a top-down picture of the aircraft's track and the module's viewpoint.
#include "standin/scenario.h"

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
    return {(lon - lon0) * 111130.0 * std::cos(lat0 * Pi / 180.0), (lat - lat0) * 111130.0};
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
    std::fprintf(file, "time_s,aircraft_lat_deg,aircraft_lon_deg,aircraft_alt_m,heading_deg,"
                       "pitch_deg,bank_deg,speed_kmh,view_lat_deg,view_lon_deg,view_alt_m,lookups,"
                       "eye_heading_deg,eye_pitch_deg,eye_bank_deg,eye_heading_word_deg\n");
    for (const TraceRow& r : rows) {
        const Aircraft& a = r.Plane;
        std::fprintf(file, "%.3f,%.7f,%.7f,%.2f,%.2f,%.2f,%.2f,%.1f,", r.Time, a.Latitude,
                     a.Longitude, a.Altitude, a.Heading, a.Pitch, a.Bank, a.Speed);
        if (HasViewpoint(r))
            std::fprintf(file, "%.7f,%.7f,%u,%d,", r.View.LatitudeDegrees, r.View.LongitudeDegrees,
                         unsigned(r.View.AltitudeMetres), r.Lookups);
        else
            std::fprintf(file, ",,,%d,", r.Lookups);
        std::fprintf(file, "%.3f,%.3f,%.3f,%.3f\n", r.Eye.Heading, r.Eye.Pitch, r.Eye.Bank,
                     r.Eye.HeadingWord * 360.0 / 65536.0);
    }
    std::fclose(file);
}

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
    int n = 0;
    for (const Local& p : cameraPoints)
        std::fprintf(file,
                     "<circle cx='%.1f' cy='%.1f' r='5' fill='#d02020'/><text x='%.1f' "
                     "y='%.1f'>%d</text>\n",
                     x(p), y(p), x(p) + 7, y(p) - 7, ++n);
    std::fprintf(file,
                 "<circle cx='%.1f' cy='%.1f' r='4' fill='#1f5fbf'/>\n"
                 "<text x='%.0f' y='%.0f' fill='#1f5fbf'>aircraft track (dot: start)</text>\n"
                 "<text x='%.0f' y='%.0f' fill='#d02020'>camera points, in order</text>\n"
                 "<text x='%.0f' y='%.0f' fill='#e08020'>viewpoint as written (travelling)</text>\n"
                 "</svg>\n",
                 x(track.front()), y(track.front()), margin, height - 12, margin + 230, height - 12,
                 margin + 430, height - 12);
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
    double t0 = rows.front().Time, t1 = std::max(rows.back().Time, t0 + 1);
    auto x = [&](double t) { return left + (t - t0) / (t1 - t0) * width; };
    auto y = [&](double v) { return top + height - (v - lo) / (hi - lo) * height; };
    std::fprintf(file,
                 "<rect x='%.0f' y='%.0f' width='%.0f' height='%.0f' fill='none' stroke='#999'/>\n"
                 "<text x='%.0f' y='%.0f' font-size='14'>%s</text>\n"
                 "<text x='5' y='%.0f'>%.1f</text><text x='5' y='%.0f'>%.1f</text>\n",
                 left, top, width, height, left, top - 6, title, top + 12, hi, top + height, lo);
    if (lo < 0 && hi > 0)
        std::fprintf(file, "<line x1='%.0f' x2='%.0f' y1='%.1f' y2='%.1f' stroke='#ddd'/>\n", left,
                     left + width, y(0), y(0));
    double legend = left + 8;
    for (const Series& s : series) {
        std::fprintf(file,
                     "<line x1='%.0f' x2='%.0f' y1='%.0f' y2='%.0f' stroke='%s' stroke-width='3'/>"
                     "<text x='%.0f' y='%.0f'>%s</text>\n",
                     legend, legend + 18, top + 14, top + 14, s.Colour, legend + 22, top + 18,
                     s.Label);
        legend += 7.0 * double(std::strlen(s.Label)) + 50;
    }
    for (auto s = series.rbegin(); s != series.rend(); ++s) {
        std::fprintf(file, "<polyline fill='none' stroke='%s' stroke-width='1.6' points='",
                     s->Colour);
        for (const TraceRow& r : rows)
            std::fprintf(file, "%.1f,%.1f ", x(r.Time), y(s->Value(r, rows.front())));
        std::fprintf(file, "'/>\n");
    }
    std::fprintf(file,
                 "<text x='%.0f' y='%.0f'>%.0f s</text><text x='%.0f' y='%.0f' "
                 "text-anchor='end'>%.0f s</text>\n",
                 left, top + height + 14, t0, left + width, top + height + 14, t1);
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
    const double lat0 = SceneOriginLatitude(), lon0 = SceneOriginLongitude();
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
    int count = 0;
    const SceneObject* objects = SceneObjects(count);
    for (int i = 0; i < count; ++i) {
        const SceneObject& o = objects[i];
        std::fprintf(file,
                     "<rect x='%.1f' y='%.1f' width='%.1f' height='%.1f' fill='%s' stroke='#666'/>"
                     "<text x='%.1f' y='%.1f'>%s, %.0f m%s</text>\n",
                     mx(o.EastMetres - o.HalfEast), my(o.NorthMetres + o.HalfNorth),
                     2 * o.HalfEast / span * mapSize, 2 * o.HalfNorth / span * mapSize,
                     o.HasGeometry ? "#d8d0c0" : "#eeeeee", mx(o.EastMetres - o.HalfEast),
                     my(o.NorthMetres + o.HalfNorth) - 4, o.Name, o.Height,
                     o.HasGeometry ? "" : " (no geometry)");
    }
    auto east = [&](const TraceRow* r) {
        return (r->Walk.Longitude - lon0) * 111130.52 * std::cos(lat0 * Pi / 180.0);
    };
    auto north = [&](const TraceRow* r) { return (r->Walk.Latitude - lat0) * 111130.52; };
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
    struct Line {
        const char* Colour;
        const char* Label;
        bool Feet;
    } lines[] = {{"#1f5fbf", "eye", false}, {"#20a040", "feet", true}};
    double legend = left + 10;
    for (const Line& l : lines) {
        std::fprintf(file, "<polyline fill='none' stroke='%s' stroke-width='2' points='", l.Colour);
        for (size_t i = 0; i < walk.size(); ++i) {
            double a = walk[i]->Walk.Altitude;
            if (l.Feet) a -= walk[i]->Crouching ? 0.75 : 1.7;
            std::fprintf(file, "%.1f,%.1f ", px(distance[i]), py(a));
        }
        std::fprintf(file,
                     "'/>\n<line x1='%.0f' x2='%.0f' y1='%.0f' y2='%.0f' stroke='%s' "
                     "stroke-width='3'/><text x='%.0f' y='%.0f'>%s</text>\n",
                     legend, legend + 18, top + 14, top + 14, l.Colour, legend + 22, top + 18,
                     l.Label);
        legend += 80;
    }
    std::fprintf(file, "<text x='%.0f' y='%.0f'>scene under the walker</text>\n</svg>\n", legend,
                 top + 18);
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
                 "<svg xmlns='http://www.w3.org/2000/svg' width='920' height='780' "
                 "font-family='sans-serif' font-size='12'>\n<rect width='100%%' height='100%%' "
                 "fill='white'/>\n<text x='60' y='24' font-size='16'>%s: the pilot's eye against "
                 "the aircraft, degrees over seconds</text>\n",
                 title.c_str());
    Panel(file, rows, 60, 180, "aircraft",
          {{"heading change", "#1f5fbf",
            [](const TraceRow& r, const TraceRow& f) {
                return SignedDegrees(r.Plane.Heading - f.Plane.Heading);
            }},
           {"pitch", "#20a040", [](const TraceRow& r, const TraceRow&) { return r.Plane.Pitch; }},
           {"bank", "#a040c0", [](const TraceRow& r, const TraceRow&) { return r.Plane.Bank; }}});
    Panel(file, rows, 310, 180, "eye heading: where the pilot turned the head, and as shown",
          {{"head (heading word)", "#808080",
            [](const TraceRow& r, const TraceRow&) {
                return SignedDegrees(r.Eye.HeadingWord * 360.0 / 65536.0);
            }},
           {"shown (with latency and turbulence)", "#d02020",
            [](const TraceRow& r, const TraceRow&) { return SignedDegrees(r.Eye.Heading); }}});
    Panel(file, rows, 560, 180, "eye pitch and bank as shown: latency and ground turbulence",
          {{"pitch", "#20a040", [](const TraceRow& r, const TraceRow&) { return r.Eye.Pitch; }},
           {"bank", "#a040c0", [](const TraceRow& r, const TraceRow&) { return r.Eye.Bank; }}});
    std::fprintf(file, "</svg>\n");
    std::fclose(file);
}

} // namespace standin
