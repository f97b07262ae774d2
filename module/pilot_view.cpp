#include "module/pilot_view.h"

#include "host/access.h"
#include "host/byte_source.h"
#include "host/discovery.h"
#include "host/lookup.h"
#include "host/model.h"
#include "host/view_record.h"
#include "pilot/mouse.h"
#include "platform/os.h"
#include "walk/ground_probe.h"
#include "walk/outside.h"

#include <cmath>

namespace addon {

namespace {

constexpr double LongestPilotStep = 1.0; // seconds

bool IsPilotViewKind(int32_t kind) {
    return kind == host::ViewKindCockpit || kind == host::ViewKindOutside;
}

// The pointer's shape over the cockpit: the hand over a control, else the arrow.
void ShowPointer(const ModuleState& module, os::Hwnd window, host::Addr record, int32_t x,
                 int32_t y) {
    host::Addr stream = host::FindModelBlock(module.Libraries.GlobalModuleBase, "EVNT");
    if (stream == 0) return; // no model to point at: the shape is the host's
    os::Rect client{};
    if (!os::GetClientRect(window, &client)) return;
    host::ViewRecord view;
    if (!host::ReadRecord(record, view)) return;
    geometry::Ray ray;
    if (!pilot::ComputePickRay(view, client.Right - client.Left, client.Bottom - client.Top, x, y,
                               ray))
        return;
    host::CheckedReader reader;
    host::ByteSource bytes = host::CheckedBytes(reader);
    bool hand = pilot::HitEventSpheres(bytes, stream, {0.0, 0.0, 0.0}, ray) != 0;
    // No shape to show (the call failed): the pointer stays as it is, not hidden.
    if (os::Hcursor shape = os::LoadCursorA(nullptr, hand ? os::CursorHand : os::CursorArrow))
        os::SetCursor(shape);
}

bool Finite(const host::WalkSample& w) {
    return std::isfinite(w.Latitude) && std::isfinite(w.Longitude) && std::isfinite(w.Heading) &&
           std::isfinite(w.GroundAltitude);
}

// The camera block of the view record and its sub-block, as the walk shows them.
void WriteCameraBlocks(const walk::WalkerView& w, host::Addr blockAddress) {
    host::CameraBlock block;
    if (!host::ReadRecord(blockAddress, block)) return;
    walk::ApplyToCameraBlock(w, block);
    host::WriteRecord(blockAddress, block);
    host::CameraSubBlock sub;
    if (!host::ReadRecord(block.SubBlock, sub)) return;
    walk::ApplyToCameraSubBlock(w, sub);
    host::WriteRecord(block.SubBlock, sub);
}

double ProbeGround(const ModuleState& module, const walk::GeoPoint& at) {
    walk::GroundProbeRecord probe{
        at.Latitude,      at.Longitude, 0.0, {0.0, walk::ProbeHeight, 0.0},
        {0.0, -1.0, 0.0}, walk::NoHit};
    if (module.Libraries.G3dModuleBase == 0) return walk::NoHit;
    host::CheckedReader reader;
    walk::GroundProbe(host::CheckedBytes(reader), module.Libraries.SceneObjectTable, probe);
    return probe.NearestDistance;
}

// The held keys as the walk reads them.
walk::WalkerMoves MovesOf(const pilot::HeldCommands& held, bool running) {
    return {held.Forward,   held.Backward, held.StepRight, held.StepLeft,
            held.HeadRight, held.HeadLeft, held.HeadUp,    held.HeadDown,
            held.Up,        held.Down,     running};
}

// The live cockpit record, when the eye may drive it: the active view is the
// cockpit and the host has its lookup (without it the pilot view is idle).
bool ReadCockpitRecord(const host::ActiveView& view, host::ViewRecord& live) {
    if (view.Kind != host::ViewKindCockpit || host::FindLookupVar() == 0) return false;
    return host::ReadRecord(view.Record, live);
}

} // namespace

PilotSettings PilotSettingsOf(const ModuleSettings& s) {
    return {s.HeadLatencyOn ? WithinRange(s.HeadLatencyRate, MaxHeadLatencyRate) : 0.0,
            s.GroundTurbOn ? WithinRange(s.GroundTurbRate, MaxGroundTurbRate) : 0.0,
            WithinRange(s.RunningSpeed, MaxRunningSpeed), s.ExternalViewActive != 0};
}

void EndWalk(ModuleState& module) {
    walk::Walker& w = module.Pilot.Walker;
    if (!w.Engaged) return;
    // A record that cannot be written now could not be written by the walk
    // either: there is nothing left to give back.
    host::WriteRecord(w.Record, w.SavedViewRecord);
    w.Engaged = 0;
    w.Record = 0;
}

int32_t OutsideWalkUpdate(ModuleState& module, const host::ActiveView& view,
                          const PilotSettings& settings, bool shiftDown) {
    PilotView& p = module.Pilot;
    walk::Walker& walker = p.Walker;
    if (walker.Engaged && view.Record != walker.Record) {
        // The host shows another view: the walk's record goes back as the
        // host had it, the walk ends, and the other record is the host's.
        EndWalk(module);
        module.Settings.ExternalViewActive = 0;
        return view.Record != 0;
    }
    if (view.Record == 0) return 0;
    walk::FloorEyeHeight(walker);
    if (!settings.Outside) {
        EndWalk(module); // back inside: the host's view as it was, every byte of it
        return 1;
    }
    if (!walker.Engaged) {
        host::Addr lookupVar = host::FindLookupVar();
        if (lookupVar == 0) return 1; // nowhere to start from
        host::WalkSample sample = host::ReadWalkSample(lookupVar);
        if (!Finite(sample)) return 1; // try again with the next frame's values
        if (!host::ReadRecord(view.Record, walker.SavedViewRecord)) return 1;
        walker.Engaged = 1;
        walker.Record = view.Record;
        walk::EngageWalker(walker, sample);
    }
    host::ViewRecord shown = walker.SavedViewRecord; // restored, then the walk's own fields
    const double dt = p.Clock.TimeStep;
    walker.Zoom = pilot::ZoomedByKeys(walker.Zoom, p.Held, dt);
    walk::GeoPoint at = walk::MoveWalker(walker, MovesOf(p.Held, shiftDown), settings.RunSpeed,
                                         p.Clock.Seconds, dt);
    walk::SettleWalker(walker, at, ProbeGround(module, at), dt);
    walk::WalkerView w = walk::ComposeWalkerView(walker, p.Held.Crouch != 0, shown);

    const host::HostLibraries& libraries = module.Libraries;
    if (libraries.GlobalModuleBase) {
        host::WriteRecord(libraries.EyePositionRecord, w.Eye);
        host::WriteRecord(libraries.EyeAttitudeRecord, w.Attitude);
    }
    walk::ApplyToViewRecord(w, shown);
    host::WriteRecord(view.Record, shown);
    WriteCameraBlocks(w, shown.CameraBlock);
    if (libraries.G3dModuleBase) host::WriteRecord(libraries.HostViewMatrix, w.ViewMatrix);
    return 1;
}

int32_t PointerMoved(ModuleState& module, os::Hwnd window, const pilot::InputEvent& event) {
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    if (!IsPilotViewKind(view.Kind)) return 0;
    PilotView& p = module.Pilot;
    if (!p.Mouse.On) {
        ShowPointer(module, window, view.Record, event.PointerX, event.PointerY);
        return 0; // the motion reaches the host too
    }
    const ModuleSettings& s = module.Settings;
    // The pointer's place on the screen, not in the message: it turns the head
    // even where the pointer leaves the window.
    pilot::LookTurn turn =
        pilot::MouseLookMove(p.Mouse, event.ScreenX, event.ScreenY, p.Eye.Zoom,
                             {UsableMouseLookRate(s.MouseLookRate), s.MouseLookInvert});
    if (!turn.Turned) return 1;
    if (s.ExternalViewActive) {
        p.Walker.Attitude.Heading += turn.Heading;
        p.Walker.Head.Pitch += turn.Pitch;
    } else {
        pilot::TurnEye(p.Eye, turn.Heading, turn.Pitch);
    }
    RunCockpitLook(module, view);
    return 1;
}

int32_t WheelTurned(ModuleState& module, int32_t delta) {
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    if (!IsPilotViewKind(view.Kind)) return 0;
    PilotView& p = module.Pilot;
    if (module.Settings.ExternalViewActive) {
        p.Walker.Zoom = pilot::ZoomAfterWheel(p.Walker.Zoom, delta);
        return 1;
    }
    pilot::SetEyeZoom(p.Eye, pilot::ZoomAfterWheel(p.Eye.Zoom, delta));
    RunCockpitLook(module, view);
    return 1;
}

void ResetZoom(ModuleState& module) {
    if (module.Settings.ExternalViewActive)
        module.Pilot.Walker.Zoom = 1.0;
    else
        pilot::SetEyeZoom(module.Pilot.Eye, 1.0);
}

void SaveEye(ModuleState& module, int32_t slot) {
    const pilot::CockpitEye& eye = module.Pilot.Eye;
    if (slot < 1 || slot > SavedViewCount || !eye.ViewCopyFilled) return;
    SavedView view{1,
                   eye.EyePosition.X,
                   eye.EyePosition.Y,
                   eye.EyePosition.Z,
                   eye.EyeAngles.Heading,
                   eye.EyeAngles.Pitch,
                   eye.Zoom};
    module.Settings.SavedViews[slot - 1] = UsableSavedView(view);
    SaveViewSlot(module.Settings, slot);
}

void RecallEye(ModuleState& module, int32_t slot) {
    if (slot < 1 || slot > SavedViewCount) return;
    const SavedView& v = module.Settings.SavedViews[slot - 1];
    if (!v.Used) return;
    pilot::StartGlide(module.Pilot.Eye, {{v.X, v.Y, v.Z}, v.Heading, v.Pitch, v.Zoom});
}

double ElapsedSeconds(uint32_t& previous, uint32_t now, double cap) {
    // Unsigned: the clock's wrap after 49.7 days is an ordinary step.
    double seconds = double(uint32_t(now - previous)) / 1000.0;
    previous = now;
    return seconds > cap ? cap : seconds;
}

int32_t ActiveViewKind(const ModuleState& module) {
    return host::FindActiveView(module.Libraries.ViewList).Kind;
}

int32_t RunCockpitLook(ModuleState& module, const host::ActiveView& view) {
    host::ViewRecord live;
    if (!ReadCockpitRecord(view, live)) return 0;
    pilot::CockpitEye& eye = module.Pilot.Eye;
    pilot::InCockpitLook(eye, live);
    return host::WriteRecord(view.Record, eye.ViewCopy);
}

int32_t RunCockpitStep(ModuleState& module, const host::ActiveView& view,
                       const PilotSettings& settings) {
    host::ViewRecord live;
    if (!ReadCockpitRecord(view, live)) return 0;
    host::CockpitSample sample = host::ReadCockpitSample(host::FindLookupVar());
    PilotView& p = module.Pilot;
    if (!pilot::InCockpitStep(p.Eye, p.Held, live, sample, settings.LatencyFactor,
                              settings.TurbulenceFactor, p.Clock.TimeStep, 1, module.Random))
        return 0;
    return host::WriteRecord(view.Record, p.Eye.ViewCopy);
}

void PilotFrameUpdate(ModuleState& module, const PilotSettings& settings, const FrameEvent& frame) {
    PilotClock& clock = module.Pilot.Clock;
    host::DiscoverHost(module.Libraries);
    clock.TimeStep = ElapsedSeconds(clock.PreviousTime, frame.Now, LongestPilotStep);
    clock.Seconds = double(frame.Now) / 1000.0;
    // One lookup of the active view serves both steps: the eye step writes
    // the record's words, never the view list or the record's kind.
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    RunCockpitStep(module, view, settings);
    OutsideWalkUpdate(module, view, settings, frame.ShiftDown != 0);
}

} // namespace addon
