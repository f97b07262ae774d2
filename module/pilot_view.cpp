#include "module/pilot_view.h"

#include "host/discovery.h"
#include "host/lookup.h"
#include "host/view_record.h"
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

} // namespace

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
