// One in-cockpit eye step with a key held, on the ground at speed with ground
// turbulence and head latency on: nanoseconds per step and heap allocations
// across all steps (which must be none).
#include "heap_counter.h"

#include "pilot/cockpit.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

uint64_t StepAllocations; // across every run: checked when the process ends

// The benchmark binary's main belongs to the frame tick's file; a step that
// allocated still fails the process.
void CheckStepAllocations() {
    if (StepAllocations == 0) return;
    std::fprintf(stderr, "FAIL: %llu heap allocations in cockpit steps\n",
                 static_cast<unsigned long long>(StepAllocations));
    std::_Exit(1);
}

host::ViewRecord CockpitView() {
    host::ViewRecord v = {};
    v.Kind = host::ViewKindCockpit;
    v.Zoom = 64;
    for (int i = 0; i < 3; ++i) v.Rotation[i].Column[i] = 1.0f;
    v.EyeReference[2] = 256;
    return v;
}

// What the pilot does during the steps: turns the head with a key (the step
// as it always was), glides to a saved view again and again, or zooms in and
// out with the keys; the last two are the module's own per-frame work.
enum class Pilot { HeadKey, Gliding, ZoomKeys };

void CockpitSteps(benchmark::State& state, Pilot doing) {
    static bool registered = std::atexit(CheckStepAllocations) == 0;
    benchmark::DoNotOptimize(registered);
    pilot::CockpitEye eye = {}; // zero, as at load
    host::ViewRecord live = CockpitView();
    pilot::HeldCommands held = {};
    held.HeadRight = doing == Pilot::HeadKey;
    host::RandomSequence random;
    const double frame = 1.0 / 60.0;
    host::CockpitSample sample = {2.0, 0.5, 90.0, 1.0, 60.0}; // rolling at 116 knots
    uint64_t allocations = 0, steps = 0;
    for (auto _ : state) {
        uint64_t before = bench::HeapAllocations();
        sample.Heading += 0.01; // a slow turn feeds the latency
        if (doing == Pilot::Gliding && !eye.Glide.Active)
            pilot::StartGlide(eye, {{0.5, 0.0, 1.0}, eye.EyeAngles.Heading + 40.0, 10.0, 2.0});
        if (doing == Pilot::ZoomKeys) {
            held.ZoomIn = (++steps / 30) % 2; // half a second each way
            held.ZoomOut = !held.ZoomIn;
        }
        int32_t write = pilot::InCockpitStep(eye, held, live, sample, 1.0, 1.0, frame, 1, random);
        if (write) live = eye.ViewCopy;
        benchmark::DoNotOptimize(live);
        allocations += bench::HeapAllocations() - before;
    }
    state.counters["heap_allocations"] = double(allocations);
    StepAllocations += allocations;
    if (allocations != 0) state.SkipWithError("the cockpit step allocated on the heap");
}
void BM_CockpitStepKeyHeldTurbulence(benchmark::State& state) {
    CockpitSteps(state, Pilot::HeadKey);
}
void BM_CockpitStepGliding(benchmark::State& state) {
    CockpitSteps(state, Pilot::Gliding);
}
void BM_CockpitStepZoomKeys(benchmark::State& state) {
    CockpitSteps(state, Pilot::ZoomKeys);
}
BENCHMARK(BM_CockpitStepKeyHeldTurbulence);
BENCHMARK(BM_CockpitStepGliding);
BENCHMARK(BM_CockpitStepZoomKeys);

} // namespace
