// The soak: the real module over long random flights, everything a pilot and
// a host may do thrown at it, and after every frame a look at what it left
// in the host's words. Poles, the antimeridian, 0 to 100 km, 0 to 2,000 km/h,
// headings far beyond a turn, stretches below sea level and stretches in
// which the host gives values that are not finite, clock jumps, menu toggles,
// the dialogs opened, filled in and closed.
#include "standin/scenario.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <map>
#include <random>

namespace standin {

namespace {

constexpr double kMetresPerDegree = host::MetresPerDegreeLatitude;
constexpr DWORD kDialogWait = 20000;
constexpr double kGraceSeconds = 2.0;   // beyond a fly-by period after a jump or a new setting
constexpr double kLongestPeriod = 20.0; // the soak's durations are 0 to 20 s

// The settings the soak gave the module through its dialog, as the module keeps them.
struct Settings {
    bool FlyBy = true;
    int Duration = 10, RelAltitude = 0, MinDistance = 50;
};

struct Soak {
    std::mt19937 Random;
    SoakReport& Report;
    Settings S;
    int Fps = 20;
    double SimTime = 0.0;
    double GraceUntil = 0.0;     // simulated time until which the viewpoint may lag
    int LegFrames = 0;           // frames left in this leg
    bool Written = false;        // the viewpoint was written since the fly-by went on
    host::ViewpointWords Last{}; // the words after the previous frame
    std::deque<std::pair<double, Aircraft>> Recent; // the flight over the last periods

    Soak(uint32_t seed, SoakReport& report) : Random(seed), Report(report) {}

    double Uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(Random);
    }
    int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(Random); }
    bool Chance(double p) { return Uniform(0.0, 1.0) < p; }

    void Anomaly(const char* kind, const char* format, ...) {
        if (Report.Anomalies[kind]++ < 3) { // the first few of each kind in full
            char text[256];
            va_list args;
            va_start(args, format);
            std::vsnprintf(text, sizeof text, format, args);
            va_end(args);
            std::printf("  anomaly at frame %lld (%.2f s): %s: %s\n", Report.Frames, SimTime, kind,
                        text);
        }
    }

    // The viewpoint may lag for a period after a jump or a change; a longer
    // grace already running is never cut short.
    void Grace(double period) {
        GraceUntil = std::max(GraceUntil, SimTime + period + kGraceSeconds);
    }

    void NewLeg() {
        Aircraft& a = Flight;
        double where = Uniform(0.0, 1.0);
        a.Latitude = where < 0.15   ? (Chance(0.5) ? 1 : -1) * Uniform(89.0, 90.0)
                     : where < 0.25 ? Uniform(-0.001, 0.001) // the equator and the prime meridian
                                    : Uniform(-89.0, 89.0);
        a.Longitude = Chance(0.25)   ? (Chance(0.5) ? 1 : -1) * Uniform(179.5, 180.0)
                      : where < 0.25 ? Uniform(-0.001, 0.001)
                                     : Uniform(-180.0, 180.0);
        a.Altitude = Chance(0.15) ? Uniform(-400.0, 0.0) : Uniform(0.0, 100000.0);
        a.Heading = Uniform(-720.0, 720.0);
        a.Speed = Chance(0.1) ? 0.0 : Uniform(0.0, 2000.0);
        a.TurnRate = Chance(0.5) ? 0.0 : Uniform(-40.0, 40.0);
        a.ClimbRate = Chance(0.5) ? 0.0 : Uniform(-60.0, 60.0);
        a.Pitch = a.ClimbRate == 0.0 ? Uniform(-90.0, 90.0) : 0.0;
        a.Bank = Uniform(-180.0, 180.0);
        if (Chance(0.08)) { // the host's values are not finite for a while
            double bad[] = {std::nan(""), INFINITY, -INFINITY};
            double* fields[] = {&a.Latitude, &a.Longitude, &a.Altitude,
                                &a.Heading,  &a.Pitch,     &a.Speed};
            *fields[Whole(0, 5)] = bad[Whole(0, 2)];
        }
        Fps = Whole(10, 60);
        LegFrames = Whole(50, 600);
        Grace(S.Duration);
    }

    // Over a pole the flight comes back down the other side.
    static void KeepOnTheSphere(Aircraft& a) {
        // Next to a pole the flight's steps in longitude are huge: within a turn.
        if (std::isfinite(a.Longitude)) a.Longitude = std::remainder(a.Longitude, 360.0);
        if (!std::isfinite(a.Latitude)) return;
        if (a.Latitude > 90.0 || a.Latitude < -90.0) {
            a.Latitude = (a.Latitude > 0 ? 180.0 : -180.0) - a.Latitude;
            a.Longitude += a.Longitude > 0 ? -180.0 : 180.0;
            a.Heading += 180.0;
        }
    }

    void Command(WPARAM id) { PostAndWait(MainWindow, WM_COMMAND, id, 0); }

    void UseDialog() {
        bool configure = Chance(0.7);
        Command(configure ? 0x7801 : 0x7804);
        HWND dialog =
            WaitForDialog(configure ? "OrbivuePro Configuration" : "About Orbivue...", kDialogWait);
        if (!dialog) {
            Anomaly("dialog did not open", "%s", configure ? "configuration" : "about");
            return;
        }
        ++Report.Dialogs;
        if (Chance(0.3)) { // one inside the other must not open
            Command(Chance(0.5) ? 0x7801 : 0x7804);
            int open = 0;
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", nullptr));)
                open += GetWindow(w, GW_OWNER) == MainWindow;
            if (open != 1) Anomaly("dialogs open at once", "%d", open);
        }
        for (int i = Whole(0, 5); i > 0; --i) Frame(); // the host flies on under it
        bool ok = configure && Chance(0.7);
        Settings next = S;
        if (ok) {
            next.Duration = Whole(0, 20);
            next.RelAltitude = Whole(-1000, 1000);
            next.MinDistance = Whole(-500, 3000);
            SetDlgItemInt(dialog, 1000, UINT(next.Duration), TRUE);
            SetDlgItemInt(dialog, 1001, UINT(next.RelAltitude), TRUE);
            SetDlgItemInt(dialog, 1006, UINT(next.MinDistance), TRUE);
            next.MinDistance = std::abs(next.MinDistance);
            CheckRadioButton(dialog, 1002, 1004, 1002 + Whole(0, 2));
            CheckDlgButton(dialog, 1005, Chance(0.5) ? BST_CHECKED : BST_UNCHECKED);
            char speed[32];
            std::snprintf(speed, sizeof speed, "%.2f", Uniform(0.0, 50.0));
            SetDlgItemTextA(dialog, 1008, speed);
        }
        HWND button = GetDlgItem(dialog, ok ? 1 : configure ? 2 : 1);
        SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kDialogWait, nullptr);
        if (!WaitUntilGone(dialog, kDialogWait)) {
            Anomaly("dialog did not close", "%s", configure ? "configuration" : "about");
            return;
        }
        if (ok) {
            Grace(std::max(S.Duration, next.Duration)); // the period under way keeps its length
            S = next;
        }
    }

    void Pilot() {
        double p = Uniform(0.0, 1.0);
        if (p < 0.002) {
            Command(0x7800);
            S.FlyBy = !S.FlyBy;
            Written = false;
            Grace(kLongestPeriod); // a point from before it stays for what is left of its period
            ++Report.Commands;
        } else if (p < 0.004) {
            Command(Chance(0.5) ? 0x7802 : 0x7803);
            ++Report.Commands;
        } else if (p < 0.005) {
            SendMessageA(MainWindow, WM_INITMENU, WPARAM(GetMenu(MainWindow)), 0);
            ++Report.Commands;
        } else if (p < 0.0055) {
            UseDialog();
        } else if (p < 0.0065) {
            // The clock jumps: ahead by up to a minute, or back.
            SimulatedTime = SimulatedTime + DWORD(Whole(-30000, 60000));
            ++Report.ClockJumps;
        } else if (p < 0.0665) {
            PilotInput();
        } else if (p < 0.0675) {
            const char* views[] = {"cockpit", "other", "outside", "none"};
            ShowView(views[Whole(0, 3)]);
            ++Report.Commands;
        }
    }

    // A key of the default bindings or another, a button, the pointer or the
    // wheel, over the main or the view window, with any modifiers.
    void PilotInput() {
        static const int keys[] = {'W',  'S',  'Q',  'E',  'X',  'I',  'K',  'J',  'L',  'U',
                                   'O',  'P',  'H',  'G',  0x26, 0x28, 0x25, 0x27, 0x68, 0x62,
                                   0x64, 0x66, 0x60, 0x21, 0x22, 'Z',  0x10, 0x20, 0x12, VK_F10};
        HWND window = Chance(0.5) ? ViewWindow : (MainWindow ? MainWindow : ViewWindow);
        // The default keys hold Control, and Shift too for the head and the switches.
        for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU})
            KeyStates[vk] = Chance(vk == VK_MENU ? 0.1 : 0.5) ? SHORT(0x8000) : SHORT(0);
        int kind = Whole(0, 9);
        if (kind < 5 && Chance(0.02)) {
            // The pilot turns to another program and back.
            bool lost = Chance(0.5);
            HWND top = MainWindow ? MainWindow : ViewWindow;
            SendMessageA(top, lost ? WM_ACTIVATE : WM_ACTIVATEAPP, lost ? WA_INACTIVE : TRUE, 0);
            SendMessageA(top, lost ? WM_ACTIVATEAPP : WM_ACTIVATE, lost ? FALSE : WA_ACTIVE, 0);
        } else if (kind < 5) {
            int key = keys[Whole(0, int(sizeof keys / sizeof keys[0]) - 1)];
            bool down = Chance(0.55);
            // With Alt held, and for F10, Windows sends system keys.
            bool system = KeyStates[VK_MENU] < 0 || key == VK_F10;
            PostAndWait(window,
                        system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP)
                               : (down ? WM_KEYDOWN : WM_KEYUP),
                        WPARAM(key), KeyStates[VK_MENU] < 0 ? LPARAM(1 | (1 << 29)) : 1);
        } else if (kind < 7) {
            const UINT buttons[] = {WM_LBUTTONDOWN, WM_LBUTTONUP,   WM_RBUTTONDOWN,
                                    WM_RBUTTONUP,   WM_MBUTTONDOWN, WM_MBUTTONUP};
            PostAndWait(ViewWindow, buttons[Whole(0, 5)], 0,
                        MAKELPARAM(Whole(0, 800), Whole(0, 600)));
        } else if (kind < 9) {
            Cursor.x = Whole(-2000, 4000);
            Cursor.y = Whole(-2000, 4000);
            PostAndWait(ViewWindow, WM_MOUSEMOVE, 0, MAKELPARAM(Whole(0, 65535), Whole(0, 65535)));
        } else {
            PostAndWait(ViewWindow, WM_MOUSEWHEEL, MAKEWPARAM(0, SHORT(Whole(-32768, 32767))), 0);
        }
        for (int vk : {VK_SHIFT, VK_CONTROL, VK_MENU}) KeyStates[vk] = 0;
        ++Report.Inputs;
    }

    // The lookups of a frame: the pilot view's (the eye step's five, and the
    // walk's seven when it begins) before the fly-by's seven.
    bool LookupsInOrder(const std::vector<uint32_t>& seen) const {
        static const std::vector<uint32_t> flyBy = {0x47, 0x48, 0x49, 0x56, 0x4D, 0x4F, 0x3D};
        static const std::vector<uint32_t> eye = {0x4D, 0x4F, 0x56, 0x3C, 0x340};
        static const std::vector<uint32_t> walk = {0x47, 0x48, 0x49, 0x4D, 0x4F, 0x56, 0x02};
        size_t n = seen.size(), tail = S.FlyBy ? flyBy.size() : 0;
        if (n < tail ||
            !std::equal(flyBy.begin(), flyBy.begin() + long(tail), seen.end() - long(tail)))
            return false;
        std::vector<uint32_t> pilot(seen.begin(), seen.end() - long(tail));
        // Mouse look and the wheel run the eye step again within the frame's messages.
        for (size_t i = 0; i < pilot.size();) {
            auto matches = [&](const std::vector<uint32_t>& run) {
                return pilot.size() - i >= run.size() &&
                       std::equal(run.begin(), run.end(), pilot.begin() + long(i));
            };
            if (matches(eye))
                i += eye.size();
            else if (matches(walk))
                i += walk.size();
            else
                return false;
        }
        return true;
    }

    // No host word the pilot view writes holds a value that is not finite.
    void CheckPilotWords() {
        host::ViewRecord r = CockpitRecord();
        for (const auto& row : r.Rotation)
            for (float f : row.Column)
                if (!std::isfinite(f)) {
                    Anomaly("view record not finite", "%g", double(f));
                    return;
                }
        WalkReading w = ReadWalk();
        for (float f : w.ViewMatrix)
            if (!std::isfinite(f)) {
                Anomaly("view matrix not finite", "%g", double(f));
                return;
            }
        const host::CameraBlock& c = w.Camera;
        if (!std::isfinite(c.Latitude) || !std::isfinite(c.Longitude) ||
            !std::isfinite(c.AltitudeKilometres) || !std::isfinite(c.U) || !std::isfinite(c.V))
            Anomaly("camera block not finite", "");
        for (float f : c.Matrix)
            if (!std::isfinite(f)) {
                Anomaly("camera block not finite", "%g", double(f));
                return;
            }
    }

    void Frame() {
        double dt = 1.0 / Fps;
        SimulatedTime = SimulatedTime + DWORD(1000 / Fps);
        SimTime += dt;
        Fly(dt);
        KeepOnTheSphere(Flight);
        LookupsThisFrame().clear();
        PostAndWait(FrameWindow(), HostFrameMessage, 0, 0);
        ++Report.Frames;
        Recent.emplace_back(SimTime, Flight);
        while (!Recent.empty() && Recent.front().first < SimTime - kLongestPeriod - kGraceSeconds)
            Recent.pop_front();
        CheckFrame();
    }

    void CheckFrame() {
        host::ViewpointWords w = host::ReadViewpoint();
        bool changed = w.Latitude != Last.Latitude || w.LatitudeFraction != Last.LatitudeFraction ||
                       w.Longitude != Last.Longitude ||
                       w.LongitudeFraction != Last.LongitudeFraction || w.Altitude != Last.Altitude;
        Last = w;
        if (!LookupsInOrder(LookupsThisFrame()))
            Anomaly("lookups", "%zu with the fly-by %s", LookupsThisFrame().size(),
                    S.FlyBy ? "on" : "off");
        CheckPilotWords();
        if (!S.FlyBy) {
            if (changed) Anomaly("viewpoint written with the fly-by off", "");
            return;
        }
        const Aircraft& a = Flight; // as the host served it in this frame
        bool finite = std::isfinite(a.Latitude) && std::isfinite(a.Longitude) &&
                      std::isfinite(a.Altitude) && std::isfinite(a.Heading) &&
                      std::isfinite(a.Pitch) && std::isfinite(a.Speed);
        if (!finite) {
            if (changed) Anomaly("viewpoint written from values that are not finite", "");
            return;
        }
        Written = Written || changed;
        if (!Written) return;
        Viewpoint v = host::DecodeViewpoint(w);
        if (!(std::fabs(v.LatitudeDegrees) <= 90.0001))
            Anomaly("viewpoint latitude beyond a pole", "%.6f", v.LatitudeDegrees);
        bool nearOrigin = std::fabs(a.Latitude) < 1.0 && std::fabs(a.Longitude) < 1.0;
        if (!nearOrigin && std::fabs(v.LatitudeDegrees) < 1e-6 &&
            std::fabs(v.LongitudeDegrees) < 1e-6)
            Anomaly("viewpoint at 0 N 0 E", "aircraft at %.4f %.4f", a.Latitude, a.Longitude);
        if (SimTime < GraceUntil) return;
        // Within what the last periods' flight allows: the lead, the side
        // step, the flight since, and the climb of a pitched lead.
        double fastest = 0.0, highest = -1e9;
        for (const auto& [t, past] : Recent) {
            fastest = std::max(fastest, past.Speed);
            highest = std::max(highest, past.Altitude);
        }
        double span = fastest / 3.6 * (S.Duration + kGraceSeconds);
        double reach = 2.0 * span + 2.0 * S.MinDistance + 500.0;
        double dLat = (v.LatitudeDegrees - a.Latitude) * Pi / 180.0;
        double dLon = (v.LongitudeDegrees - a.Longitude) * Pi / 180.0;
        double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                   std::cos(a.Latitude * Pi / 180) * std::cos(v.LatitudeDegrees * Pi / 180) *
                       std::sin(dLon / 2) * std::sin(dLon / 2);
        double metres = 2.0 * 6367310.0 * std::asin(std::sqrt(std::min(1.0, h)));
        if (metres > reach)
            Anomaly("viewpoint far from the aircraft", "%.0f m, at most %.0f", metres, reach);
        double top = std::max(highest, 0.0) + 0.5 * (span + S.MinDistance) +
                     std::abs(S.RelAltitude) * 0.3048 + 2.0;
        if (v.AltitudeMetres > std::min(top, 65535.0))
            Anomaly("viewpoint too high", "%.0f m, at most %.0f", v.AltitudeMetres, top);
    }

    void Run(long long frames) {
        Last = host::ReadViewpoint();
        while (Report.Frames < frames) {
            if (LegFrames-- <= 0) {
                NewLeg();
                ++Report.Legs;
            }
            Pilot();
            Frame();
        }
        Report.SimulatedSeconds = SimTime;
    }
};

} // namespace

SoakReport RunSoak(long long frames, uint32_t seed) {
    SoakReport report;
    DWORD start = GetTickCount();
    Soak soak(seed, report);
    soak.Run(frames);
    report.WallSeconds = (GetTickCount() - start) / 1000.0;
    return report;
}

} // namespace standin
