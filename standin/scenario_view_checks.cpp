// Scenario checks of what the module wrote into the host's view: the cockpit
// eye, the outside walker, the view records, camera blocks and view matrix,
// and that every value the host held stayed finite.
#include "standin/player.h"

#include <cmath>
#include <cstdio>

namespace standin::play {

// Every value the host held after each frame since the previous check.
void Player::ExpectFinite(const Step& step) {
    size_t bad = 0, first = 0;
    for (size_t i = CheckedUpTo; i < Trace.size(); ++i) {
        const EyeReading& e = Trace[i].Eye;
        const WalkReading& w = Trace[i].Walk;
        const host::CameraBlock& c = w.Camera;
        const host::CameraSubBlock& s = w.Sub;
        std::vector<double> values = {e.Heading,
                                      e.Pitch,
                                      e.Bank,
                                      e.Position[0],
                                      e.Position[1],
                                      e.Position[2],
                                      w.Latitude,
                                      w.Longitude,
                                      w.Altitude,
                                      c.Latitude,
                                      c.Longitude,
                                      c.AltitudeKilometres,
                                      c.U,
                                      c.V,
                                      s.Latitude,
                                      s.Longitude,
                                      s.AltitudeKilometres,
                                      s.Word196};
        for (float f : w.ViewMatrix) values.push_back(f);
        for (float f : c.Matrix) values.push_back(f);
        for (double v : values)
            if (!std::isfinite(v) && bad++ == 0) first = i;
    }
    Check(step, bad == 0, "%zu values that are not finite over %zu frames%s", bad,
          Trace.size() - CheckedUpTo,
          bad ? (" (first at " + std::to_string(Trace[first].Time) + " s)").c_str() : "");
}

void Player::ExpectEye(const Step& step) {
    EyeReading e = ReadEye();
    const std::string what = Word(step, 2);
    if (what == "within") {
        double most = 0.0;
        for (size_t i = CheckedUpTo; i < Trace.size(); ++i) {
            const EyeReading& r = Trace[i].Eye;
            double level = std::fmax(std::fabs(r.Pitch), std::fabs(r.Bank));
            most = std::isfinite(level) ? std::fmax(most, level) : INFINITY;
        }
        Check(step, most <= Number(step, 3), "the eye's pitch and bank stayed within %.3f degrees",
              most);
        return;
    }
    if (what == "shakes") {
        double lo = 1e9, hi = -1e9;
        for (size_t i = CheckedUpTo; i < Trace.size(); ++i)
            lo = std::fmin(lo, Trace[i].Eye.Pitch), hi = std::fmax(hi, Trace[i].Eye.Pitch);
        Check(step, hi - lo > 0.2, "the eye's pitch moved over %.3f degrees",
              hi > lo ? hi - lo : 0.0);
        return;
    }
    if (what == "untouched") {
        host::ViewRecord fresh = CockpitRecord();
        bool same = e.Kind == host::ViewKindCockpit && e.ZoomWord == 64 && e.HeadingWord == 0 &&
                    e.Position[0] == 0.0 && e.Position[1] == 1.0 && e.Position[2] == 2.0 &&
                    fresh.Rotation[0].Column[0] == 1.0f && fresh.Rotation[2].Column[2] == 1.0f;
        Check(step, same, "the cockpit record is %s", same ? "as the host set it up" : "changed");
        return;
    }
    if (what == "zoom-word") {
        Check(step, e.ZoomWord == int(Number(step, 3)), "zoom word %d, expected %s",
              int(e.ZoomWord), Word(step, 3).c_str());
        return;
    }
    if (what == "position") {
        double within = Number(step, 7), off = 0;
        for (int i = 0; i < 3; ++i)
            off = std::fmax(off, std::fabs(e.Position[i] - Number(step, 3 + size_t(i))));
        Check(step, off <= within, "eye at %.3f %.3f %.3f, expected %s %s %s within %s",
              e.Position[0], e.Position[1], e.Position[2], Word(step, 3).c_str(),
              Word(step, 4).c_str(), Word(step, 5).c_str(), Word(step, 7).c_str());
        return;
    }
    double value = what == "heading"        ? e.Heading
                   : what == "pitch"        ? e.Pitch
                   : what == "bank"         ? e.Bank
                   : what == "heading-word" ? e.HeadingWord * 360.0 / 65536.0
                                            : NAN;
    double expected = Number(step, 3), within = Number(step, 5);
    double off = std::fabs(std::remainder(value - expected, 360.0));
    Check(step, off <= within, "eye %s %.3f, expected %.3f within %.3f", what.c_str(), value,
          expected, within);
}

void Player::ExpectWalk(const Step& step) {
    const std::string what = Word(step, 1), how = Word(step, 2);
    WalkReading w = ReadWalk();
    if (what == "walker" && how == "at") {
        double lat = Number(step, 3), lon = Number(step, 4), within = Number(step, 6);
        double north = (w.Latitude - lat) * 111130.52;
        double east = (w.Longitude - lon) * 111130.52 * std::cos(lat * Pi / 180.0);
        double off = std::hypot(north, east);
        Check(step, w.Written && off <= within, "walker at %.7f %.7f, %.2f m from %s %s",
              w.Latitude, w.Longitude, off, Word(step, 3).c_str(), Word(step, 4).c_str());
    } else if (what == "walker" && (how == "eye" || how == "feet")) {
        // The feet: the eye less its height over them (the walking bob within 3 cm).
        double eyeHeight = Crouching() ? 0.75 : 1.7;
        double value = how == "eye" ? w.Altitude : w.Altitude - eyeHeight;
        double expected = Number(step, 3), within = Number(step, 5);
        Check(step, w.Written && std::fabs(value - expected) <= within,
              "walker's %s at %.3f m, expected %.3f within %.3f", how.c_str(), value, expected,
              within);
    } else if (what == "view" && how == "kind") {
        int32_t kind = CockpitRecord().Kind;
        Check(step, kind == int32_t(Number(step, 3)), "the view record's kind is %d, expected %s",
              int(kind), Word(step, 3).c_str());
    } else if ((what == "view" || what == "views") && how == "as-marked") {
        for (int r = 0; r < (what == "view" ? 1 : HostViewCount); ++r) {
            const host::ViewRecord& now = HostViewRecord(r);
            const auto* a = reinterpret_cast<const uint8_t*>(&now);
            const auto* b = reinterpret_cast<const uint8_t*>(&Marked[r]);
            int differ = 0, first = -1;
            for (int i = 0; i < int(sizeof now); ++i)
                if (a[i] != b[i] && differ++ == 0) first = i;
            Check(step, differ == 0,
                  "view record %d (kind %d) differs from the marked one in %d bytes (first %d)", r,
                  int(now.Kind), differ, first);
        }
    } else if (what == "camera-block") {
        const host::CameraBlock& c = w.Camera;
        double u = (w.Longitude + 180.0) / 360.0 * 0.75,
               v = (1.0 - (w.WalkLatitude + 90.0) / 180.0) * 0.5;
        bool ok = std::fabs(c.Latitude - w.WalkLatitude) < 1e-6 &&
                  std::fabs(c.Longitude - w.Longitude) < 1e-6 &&
                  std::fabs(c.AltitudeKilometres * 1000.0 - w.Altitude) < 1e-3 &&
                  std::fabs(c.U - u) < 1e-9 && std::fabs(c.V - v) < 1e-9 &&
                  c.UWord == int32_t(c.U * 1073741824.0) &&
                  c.VWord == int32_t(c.V * 1073741824.0) &&
                  std::fabs(w.Sub.Latitude - w.WalkLatitude) < 1e-6 &&
                  std::fabs(w.Sub.Word196 + w.Altitude) < 1e-3;
        Check(step, ok, "camera block at %.7f %.7f %.4f km, U %.6f V %.6f; sub-block %.7f",
              c.Latitude, c.Longitude, c.AltitudeKilometres, c.U, c.V, w.Sub.Latitude);
    } else if (what == "view-matrix") {
        bool set = false;
        for (float f : w.ViewMatrix) set |= f != 0.0f;
        Check(step, set == (how == "set"), "the scene's view matrix is %s",
              set ? "set" : "untouched");
    } else {
        Check(step, false, "unknown check");
    }
}

} // namespace standin::play
