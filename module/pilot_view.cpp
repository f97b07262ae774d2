#include "module/pilot_view.h"

#include "host/discovery.h"
#include "host/lookup.h"
#include "host/model.h"
#include "host/view_record.h"
#include "pilot/mouse.h"
#include "platform/os.h"

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

bool ReadHostBytes(void* context, uint32_t address, void* out, uint32_t size) {
    return host::ReadChecked(*static_cast<host::CheckedReader*>(context), address, out, size);
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
    pilot::ByteSource bytes{&ReadHostBytes, &reader};
    bool hand = pilot::HitEventSpheres(bytes, stream, {0.0, 0.0, 0.0}, ray) != 0;
    os::SetCursor(os::LoadCursorA(nullptr, hand ? os::CursorHand : os::CursorArrow));
}

} // namespace

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
    pilot::MouseOutcome out = pilot::MouseLookMove(p, at.X, at.Y);
    if (out.RunEyeStep) RunCockpitStep(module, 0);
    return out.Consumed;
}

int32_t WheelTurned(ModuleState& module, int32_t delta) {
    if (!IsPilotViewKind(ActiveViewKind(module))) return 0;
    pilot::MouseOutcome out = pilot::MouseWheelTurn(module.Pilot, delta);
    if (out.RunEyeStep) RunCockpitStep(module, 0);
    return out.Consumed;
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

int32_t RunCockpitStep(ModuleState& module, int32_t reread) {
    host::ActiveView view = host::FindActiveView(module.Libraries.ViewList);
    if (view.Record == 0 || view.Kind != host::ViewKindCockpit) return 0;
    // Without the host's lookup there is no attitude to follow.
    host::Addr lookupVar = host::FindLookupVar();
    if (lookupVar == 0) return 0;
    host::ViewRecord live;
    hostmem::Read(view.Record, &live, sizeof live);
    pilot::CockpitSample sample = ReadCockpitSample(lookupVar);
    pilot::PilotViewState& p = module.Pilot;
    if (!pilot::InCockpitStep(p.Eye, p.Held, live, sample, p.LatencyFactor, p.TurbulenceFactor,
                              p.TimeStep, reread, module.Random))
        return 0;
    if (!hostmem::IsWritable(view.Record, sizeof p.Eye.ViewCopy)) return 0;
    hostmem::Write(view.Record, &p.Eye.ViewCopy, sizeof p.Eye.ViewCopy);
    return 1;
}

void PilotFrameUpdate(ModuleState& module) {
    pilot::PilotViewState& p = module.Pilot;
    host::DiscoverHost(module.Libraries);
    uint32_t now = os::timeGetTime();
    p.TimeStep = ElapsedSeconds(p.PreviousTime, now, LongestPilotStep);
    p.Clock = double(now) / 1000.0;
    RunCockpitStep(module, 1);
}

} // namespace addon
