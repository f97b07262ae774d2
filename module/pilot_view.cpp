#include "module/pilot_view.h"

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

pilot::CockpitSample ReadCockpitSample(host::Addr lookupVar) {
    pilot::CockpitSample s;
    s.Pitch = host::LookupValue(lookupVar, host::HostVarPitch);
    s.Bank = host::LookupValue(lookupVar, host::HostVarBank);
    s.Heading = host::LookupValue(lookupVar, host::HostVarHeading);
    s.OnGround = host::LookupValue(lookupVar, host::HostVarOnGround);
    s.GroundSpeed = host::LookupValue(lookupVar, host::HostVarGroundSpeed);
    return s;
}

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
    hostmem::Read(record, &view, sizeof view);
    pilot::Ray ray;
    if (!pilot::ComputePickRay(view, client.Right - client.Left, client.Bottom - client.Top, x, y,
                               ray))
        return;
    host::CheckedReader reader;
    pilot::ByteSource bytes{&host::ReadCheckedBytes, &reader};
    bool hand = pilot::HitEventSpheres(bytes, stream, {0.0, 0.0, 0.0}, ray) != 0;
    os::SetCursor(os::LoadCursorA(nullptr, hand ? os::CursorHand : os::CursorArrow));
}

walk::WalkSample ReadWalkSample(host::Addr lookupVar) {
    walk::WalkSample w;
    w.Latitude = host::LookupValue(lookupVar, host::HostVarLatitude);
    w.Longitude = host::LookupValue(lookupVar, host::HostVarLongitude);
    w.Altitude = host::LookupValue(lookupVar, host::HostVarAltitude);
    w.Pitch = host::LookupValue(lookupVar, host::HostVarPitch);
    w.Bank = host::LookupValue(lookupVar, host::HostVarBank);
    w.Heading = host::LookupValue(lookupVar, host::HostVarHeading);
    w.GroundAltitude = host::LookupValue(lookupVar, host::HostVarGroundAltitude);
    return w;
}

bool Finite(const walk::WalkSample& w) {
    return std::isfinite(w.Latitude) && std::isfinite(w.Longitude) && std::isfinite(w.Heading) &&
           std::isfinite(w.GroundAltitude);
}

// Writes size bytes of from at address when the host has them there and
// writable; 1 when written.
int WriteIfWritable(host::Addr address, const void* from, uint32_t size) {
    if (address == 0 || !hostmem::IsReadable(address, size) || !hostmem::IsWritable(address, size))
        return 0;
    hostmem::Write(address, from, size);
    return 1;
}

// The camera block of the view record and its sub-block, as the walk shows them.
void WriteCameraBlocks(const walk::WalkerView& w, host::Addr blockAddress) {
    host::CameraBlock block;
    if (blockAddress == 0 || !hostmem::IsReadable(blockAddress, sizeof block)) return;
    hostmem::Read(blockAddress, &block, sizeof block);
    walk::ApplyToCameraBlock(w, block);
    WriteIfWritable(blockAddress, &block, sizeof block);
    host::CameraSubBlock sub;
    if (block.SubBlock == 0 || !hostmem::IsReadable(block.SubBlock, sizeof sub)) return;
    hostmem::Read(block.SubBlock, &sub, sizeof sub);
    walk::ApplyToCameraSubBlock(w, sub);
    WriteIfWritable(block.SubBlock, &sub, sizeof sub);
}

double ProbeGround(const ModuleState& module, const walk::GeoPoint& at) {
    walk::GroundProbeRecord probe{
        at.Latitude,      at.Longitude, 0.0, {0.0, walk::ProbeHeight, 0.0},
        {0.0, -1.0, 0.0}, walk::NoHit};
    if (module.Libraries.G3dModuleBase == 0) return walk::NoHit;
    host::CheckedReader reader;
    walk::GroundProbe({&host::ReadCheckedBytes, &reader}, module.Libraries.SceneObjectTable, probe);
    return probe.NearestDistance;
}

} // namespace

void EndWalk(ModuleState& module) {
    pilot::PilotViewState& p = module.Pilot;
    if (!p.ExternalViewEngaged) return;
    // A record that cannot be written now could not be written by the walk
    // either: there is nothing left to give back.
    WriteIfWritable(p.WalkRecord, &p.SavedViewRecord, sizeof p.SavedViewRecord);
    p.ExternalViewEngaged = 0;
    p.WalkRecord = 0;
}

int32_t OutsideWalkUpdate(ModuleState& module, const host::ActiveView& view) {
    pilot::PilotViewState& p = module.Pilot;
    if (p.ExternalViewEngaged && view.Record != p.WalkRecord) {
        // The host shows another view: the walk's record goes back as the
        // host had it, the walk ends, and the other record is the host's.
        EndWalk(module);
        module.Settings.ExternalViewActive = p.ExternalView = 0;
        return view.Record != 0;
    }
    if (view.Record == 0) return 0;
    walk::FloorEyeHeight(p);
    if (!p.ExternalView) {
        EndWalk(module); // back inside: the host's view as it was, every byte of it
        return 1;
    }
    if (!p.ExternalViewEngaged) {
        host::Addr lookupVar = host::FindLookupVar();
        if (lookupVar == 0) return 1; // nowhere to start from
        walk::WalkSample sample = ReadWalkSample(lookupVar);
        if (!Finite(sample)) return 1; // try again with the next frame's values
        hostmem::Read(view.Record, &p.SavedViewRecord, sizeof p.SavedViewRecord);
        p.ExternalViewEngaged = 1;
        p.WalkRecord = view.Record;
        walk::EngageWalker(p, sample);
    }
    host::ViewRecord shown = p.SavedViewRecord; // restored, then the walk's own fields
    // Down now: the low bit (pressed since the last call) must not run a frame.
    bool running = os::GetAsyncKeyState(os::VkShift) < 0;
    walk::GeoPoint at = walk::MoveWalker(p, running);
    walk::SettleWalker(p, at, ProbeGround(module, at));
    walk::WalkerView w = walk::ComposeWalkerView(p, shown);

    const host::HostLibraries& libraries = module.Libraries;
    if (libraries.GlobalModuleBase) {
        WriteIfWritable(libraries.EyePositionRecord, &w.Eye, sizeof w.Eye);
        WriteIfWritable(libraries.EyeAttitudeRecord, &w.Attitude, sizeof w.Attitude);
    }
    walk::ApplyToViewRecord(w, shown);
    WriteIfWritable(view.Record, &shown, sizeof shown);
    WriteCameraBlocks(w, shown.CameraBlock);
    if (libraries.G3dModuleBase)
        WriteIfWritable(libraries.HostViewMatrix, &w.ViewMatrix, sizeof w.ViewMatrix);
    return 1;
}

int32_t PointerMoved(ModuleState& module, os::Hwnd window, int32_t x, int32_t y) {
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    if (!IsPilotViewKind(view.Kind)) return 0;
    pilot::PilotViewState& p = module.Pilot;
    if (!p.MouseLook) {
        ShowPointer(module, window, view.Record, x, y);
        return 0; // the motion reaches the host too
    }
    os::Point at{};
    os::GetCursorPos(&at); // the screen position, not the message's
    const ModuleSettings& s = module.Settings;
    pilot::MouseOutcome out = pilot::MouseLookMove(
        p, at.X, at.Y, {UsableMouseLookRate(s.MouseLookRate), s.MouseLookInvert});
    if (out.RunEyeStep) RunCockpitLook(module, view);
    return out.Consumed;
}

int32_t WheelTurned(ModuleState& module, int32_t delta) {
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    if (!IsPilotViewKind(view.Kind)) return 0;
    pilot::MouseOutcome out = pilot::MouseWheelTurn(module.Pilot, delta);
    if (out.RunEyeStep) RunCockpitLook(module, view);
    return out.Consumed;
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

namespace {

// The live cockpit record, when the eye may drive it: the active view is the
// cockpit and the host has its lookup (without it the pilot view is idle).
bool ReadCockpitRecord(const host::ActiveView& view, host::ViewRecord& live) {
    if (view.Record == 0 || view.Kind != host::ViewKindCockpit) return false;
    if (host::FindLookupVar() == 0) return false;
    hostmem::Read(view.Record, &live, sizeof live);
    return true;
}

int32_t WriteCockpitRecord(const host::ActiveView& view, const host::ViewRecord& copy) {
    if (!hostmem::IsWritable(view.Record, sizeof copy)) return 0;
    hostmem::Write(view.Record, &copy, sizeof copy);
    return 1;
}

} // namespace

int32_t RunCockpitLook(ModuleState& module, const host::ActiveView& view) {
    host::ViewRecord live;
    if (!ReadCockpitRecord(view, live)) return 0;
    pilot::CockpitEye& eye = module.Pilot.Eye;
    pilot::InCockpitLook(eye, live);
    return WriteCockpitRecord(view, eye.ViewCopy);
}

int32_t RunCockpitStep(ModuleState& module, const host::ActiveView& view, int32_t reread) {
    host::ViewRecord live;
    if (!ReadCockpitRecord(view, live)) return 0;
    pilot::CockpitSample sample = ReadCockpitSample(host::FindLookupVar());
    pilot::PilotViewState& p = module.Pilot;
    if (!pilot::InCockpitStep(p.Eye, p.Held, live, sample, p.LatencyFactor, p.TurbulenceFactor,
                              p.TimeStep, reread, module.Random))
        return 0;
    return WriteCockpitRecord(view, p.Eye.ViewCopy);
}

void PilotFrameUpdate(ModuleState& module) {
    pilot::PilotViewState& p = module.Pilot;
    host::DiscoverHost(module.Libraries);
    uint32_t now = os::timeGetTime();
    p.TimeStep = ElapsedSeconds(p.PreviousTime, now, LongestPilotStep);
    p.Clock = double(now) / 1000.0;
    // One lookup of the active view serves both steps: the eye step writes
    // the record's words, never the view list or the record's kind.
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    RunCockpitStep(module, view, 1);
    OutsideWalkUpdate(module, view);
}

} // namespace addon
