// The frame tick (fly-by, then pilot view and fly-by) and a key's dispatch,
// over the simulated host: nanoseconds each and heap allocations across all
// of them (which must be none).
#include "heap_counter.h"

#include "host/contract.h"
#include "module/frame.h"
#include "module/lifecycle.h"
#include "module/router.h"
#include "platform/sim/sim.h"
#include "tests/pilot_host.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr hostmem::Addr PanelsTable = 0x00510000;
constexpr hostmem::Addr LookupFunction = 0x00520000;
constexpr hostmem::Addr FixedWords = 0x20940000;
constexpr uint32_t FrameMilliseconds = 16;

// The aircraft as the host reports it: 100 m/s north, heading 0, slightly nose up.
struct Flight {
    double NorthMetres = 40.0 * 111130.0;
    double Speed = 360.0; // km/h
};
Flight Aircraft;
uint32_t Now;
uint64_t TickAllocations; // across every benchmark: the verdict of main

void ServeVariable(void* argument) {
    auto* record = static_cast<host::HostVarRecord*>(argument);
    switch (record->Token) {
    case host::HostVarLatitude:
        record->Value = Aircraft.NorthMetres;
        break;
    case host::HostVarLongitude:
        record->Value = -0.3 * 281474976710656.0;
        break;
    case host::HostVarAltitude:
        record->Value = 500.0;
        break;
    case host::HostVarPitch:
        record->Value = -3.0;
        break;
    case host::HostVarSpeed:
        record->Value = Aircraft.Speed;
        break;
    default:
        record->Value = 0.0;
        break;
    }
}

// A freshly loaded module in a host with its panels table and viewpoint words.
void LoadModule(int32_t duration) {
    sim::Reset();
    addon::Module = addon::ModuleState{};
    sim::AddWindow("FS98MAIN");
    addon::ModuleAttach(addon::Module);
    sim::MapHost(PanelsTable, 256);
    sim::PokeHost<uint32_t>(PanelsTable + host::LookupVarSlot, LookupFunction);
    sim::MapHostFunction(LookupFunction, &ServeVariable);
    ImportTable[0].Table = PanelsTable;
    sim::MapHost(FixedWords, 0x10000);
    addon::Module.Settings.FlyByActive = 1;
    addon::Module.Settings.FlyByTravelling = 1;
    addon::Module.Settings.FlyByDuration = duration;
    Aircraft = Flight{};
    Now = 0;
}

void RunTicks(benchmark::State& state) {
    uint64_t allocations = 0;
    int64_t placements = 0;
    for (auto _ : state) {
        uint64_t before = bench::HeapAllocations();
        double lastPoint = addon::Module.FlyBy.CameraPosition.Latitude;
        Now += FrameMilliseconds;
        sim::SetTime(Now);
        Aircraft.NorthMetres += Aircraft.Speed / 3.6 * FrameMilliseconds / 1000.0;
        addon::FrameTick(addon::Module, {Now, 0});
        placements += addon::Module.FlyBy.CameraPosition.Latitude != lastPoint;
        allocations += bench::HeapAllocations() - before;
    }
    state.counters["heap_allocations"] = double(allocations);
    state.counters["placements"] = double(placements);
    TickAllocations += allocations;
    if (sim::HostFaults() != 0) state.SkipWithError(sim::LastHostFault().c_str());
    if (allocations != 0) state.SkipWithError("the frame tick allocated on the heap");
}

// A new point on every tick, and the travel step after it: the most work a tick does.
void BM_FrameTickFlyByPlacing(benchmark::State& state) {
    LoadModule(0);
    RunTicks(state);
}
BENCHMARK(BM_FrameTickFlyByPlacing);

// The usual tick: a point every ten seconds, the travel step on every tick.
void BM_FrameTickFlyByTravelling(benchmark::State& state) {
    LoadModule(10);
    RunTicks(state);
}
BENCHMARK(BM_FrameTickFlyByTravelling);

// The pilot view on as well: discovery, the pilot clock, the five lookups and
// the eye step on the host's cockpit record with a key held, then the fly-by.
void BM_FrameTickPilotViewAndFlyBy(benchmark::State& state) {
    LoadModule(10);
    SimulatedPilotHost pilotHost;
    pilotHost.MapImage();
    pilotHost.StandardLibraries();
    pilotHost.Views({1});
    addon::Module.Settings.InternalViewActive = 1;
    addon::Module.Settings.HeadLatencyOn = addon::Module.Settings.GroundTurbOn = 1;
    addon::Module.Settings.HeadLatencyRate = addon::Module.Settings.GroundTurbRate = 1.0;
    addon::Module.Pilot.Held.HeadRight = 1;
    RunTicks(state);
}
BENCHMARK(BM_FrameTickPilotViewAndFlyBy);

// One key press and its release through the get-message hook: the window's
// class, the modifiers, the bindings and the active view.
void BM_KeyDispatch(benchmark::State& state) {
    LoadModule(10);
    os::Hwnd window = sim::AddWindow("FS98MAIN");
    SimulatedPilotHost pilotHost;
    pilotHost.MapImage();
    pilotHost.StandardLibraries();
    pilotHost.Views({1});
    addon::Module.Settings.InternalViewActive = 1;
    addon::FrameTick(addon::Module, {0, 0}); // discovery has found the view list
    static constexpr char bindings[] =
        "[Keyboard] PilotForward=UP,DOUBLE PilotHeadRight=NUMPAD_6,DOUBLE";
    pilot::LoadKeyBindingText(bindings, sizeof bindings - 1, "Keyboard", addon::Module.Bindings);
    uint64_t allocations = 0;
    for (auto _ : state) {
        uint64_t before = bench::HeapAllocations();
        addon::DispatchHostMessage(addon::Module, window, os::MsgKeyDown, 0x26, 0);
        addon::DispatchHostMessage(addon::Module, window, os::MsgKeyUp, 0x26, 0);
        allocations += bench::HeapAllocations() - before;
    }
    state.counters["heap_allocations"] = double(allocations);
    TickAllocations += allocations;
    if (sim::HostFaults() != 0) state.SkipWithError(sim::LastHostFault().c_str());
    if (addon::Module.Pilot.Held.Forward != 0) state.SkipWithError("the key did not come up");
}
BENCHMARK(BM_KeyDispatch);

} // namespace

int main(int argc, char** argv) {
    if (!bench::HeapCounterWorks()) return 1;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (TickAllocations != 0) {
        std::fprintf(stderr, "FAIL: %llu heap allocations in frame ticks\n",
                     static_cast<unsigned long long>(TickAllocations));
        return 1;
    }
    std::printf("heap allocations in frame ticks: 0\n");
    return 0;
}
