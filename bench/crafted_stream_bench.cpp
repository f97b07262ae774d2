// Scenes made to stall a frame, against the budgets that keep them from it:
// the ground probe over objects whose geometry calls itself twice (a tree of
// walks to the call depth's bound), with and without triangles, and over
// model data whose directories are long and hold no geometry; the cockpit's
// event-sphere walk over a 52-byte stream that calls itself twice, with mouse
// look off (one walk per mouse message). Each is timed with the module's
// budgets, and the probe also with its bounds per object alone, as before
// there was a budget per probe. The scenes lie in simulated host memory and
// are read through the module's checked reader, in place; they stay in the
// cache, which is the worst case: a crafted scene is small. Times are the
// thread's CPU time, the least of several rounds.
#include "heap_counter.h"

#include "bench/ground_bench_scene.h"
#include "pilot/mouse.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

constexpr int Rounds = 5;
constexpr double BatchNs = 50e6; // runs timed together
constexpr uint32_t SceneBase = 0x10000000;
constexpr uint32_t EventBase = 0x20000000;

// The least time of one run, in ns.
double Time(const std::function<void()>& run) {
    double start = benchscene::ThreadNs();
    run();
    int runs =
        int(std::max(1.0, std::min(1e5, BatchNs / std::max(benchscene::ThreadNs() - start, 1.0))));
    double least = 0;
    for (int round = 0; round < Rounds; ++round) {
        start = benchscene::ThreadNs();
        for (int i = 0; i < runs; ++i) run();
        double ns = (benchscene::ThreadNs() - start) / runs;
        if (least == 0 || ns < least) least = ns;
    }
    return least;
}

// ---- Crafted scenes for the probe -----------------------------------------------------

// A triangle beside the probe's ray: every test runs to the inside test.
host::GeometryTriangle Beside() {
    return groundscene::MakeTriangle({5, 1, -1}, {7, 1, -1}, {6, 1, 1});
}

// What a crafted stream holds before it calls itself twice.
enum class Before { Triangles, FarPoint, Spheres, SpheresAndTriangles };

// objects entries, all placing one model whose geometry stream is the
// triangles (if any), a reference point far away and a sphere beside the ray,
// or spheres the ray enters (before the triangles, if any), then two calls of
// the stream itself.
groundscene::Image SelfCalling(int32_t objects, int32_t triangles,
                               Before before = Before::Triangles) {
    groundscene::Image im(SceneBase);
    uint32_t table = im.Table(std::vector<uint32_t>(size_t(objects), 0));
    uint32_t model = im.ModelData(1);
    for (int32_t i = 0; i < objects; ++i)
        im.PutAt(table + 16 + uint32_t(i) * host::SceneObjectEntrySize + 96, model);
    uint32_t stream = im.Here();
    im.SetEntry(model, 0, "BLCK", stream);
    if (before == Before::FarPoint) {
        im.ReferencePoint(40.0f, 120.0f, 0.0f); // its place needs its own sines and cosines
        im.Sphere({0, 0, 0}, 1.0f);
    } else if (before == Before::Spheres) {
        for (int i = 0; i < 8; ++i) im.Sphere({0, 0, 0}, 1.0f);
    } else if (before == Before::SpheresAndTriangles) {
        for (int i = 0; i < 2; ++i) im.Sphere({0, 0, 0}, 1.0f);
        im.Triangles(std::vector<host::GeometryTriangle>(size_t(triangles), Beside()));
    } else {
        im.Triangles(std::vector<host::GeometryTriangle>(size_t(triangles), Beside()));
    }
    uint32_t call = im.Call(0);
    im.CallTo(call, stream);
    call = im.Call(0);
    im.CallTo(call, stream);
    im.End();
    return im;
}

// objects entries, all placing one model whose directory has as many entries
// as the walk searches, none of them geometry.
groundscene::Image LongDirectories(int32_t objects) {
    groundscene::Image im(SceneBase);
    uint32_t table = im.Table(std::vector<uint32_t>(size_t(objects), 0));
    uint32_t model = im.ModelData(walk::GeometryDirectoryLimit);
    for (int32_t i = 0; i < walk::GeometryDirectoryLimit; ++i) im.SetEntry(model, i, "SCEN", 0, 8);
    for (int32_t i = 0; i < objects; ++i)
        im.PutAt(table + 16 + uint32_t(i) * host::SceneObjectEntrySize + 96, model);
    return im;
}

uint64_t Allocations;

double Probe(const walk::GeometryLimits& limits) {
    uint64_t before = bench::HeapAllocations();
    host::CheckedReader reader;
    walk::GroundProbeRecord r{0.0, 0.0, 0.0, {0.0, 100000.0, 0.0}, {0.0, -1.0, 0.0}, 0.0};
    walk::GroundProbe(host::CheckedBytes(reader), SceneBase, r, limits);
    Allocations += bench::HeapAllocations() - before;
    return r.NearestDistance;
}

// ---- Crafted event streams ------------------------------------------------------------------

// spheres event spheres off the ray (38 bytes each), then two calls of the
// stream itself and its end: 52 bytes for one sphere.
std::vector<uint8_t> SelfCallingEvents(int32_t spheres) {
    std::vector<uint8_t> b;
    auto put = [&b](auto value) {
        size_t at = b.size();
        b.resize(at + sizeof value);
        std::memcpy(b.data() + at, &value, sizeof value);
    };
    for (int32_t i = 0; i < spheres; ++i) {
        put(host::EventOpSphere), put(uint16_t(host::EventSphereSize)), put(uint32_t(0));
        put(uint16_t(host::EventSphereKindControl));
        put(5.0f), put(0.0f), put(5.0f), put(0.5f); // beside the ray ahead
        put(uint32_t(0)), put(uint32_t(1)), put(uint32_t(0));
    }
    for (int call = 0; call < 2; ++call) {
        int32_t back = -int32_t(b.size());
        put(host::StreamOpCall), put(back);
    }
    put(host::StreamOpEnd);
    return b;
}

int32_t Events(const geometry::Ray& ray) {
    uint64_t before = bench::HeapAllocations();
    host::CheckedReader reader;
    int32_t hit = pilot::HitEventSpheres(host::CheckedBytes(reader), EventBase, {0, 0, 0}, ray);
    Allocations += bench::HeapAllocations() - before;
    return hit;
}

} // namespace

int main() {
    if (!bench::HeapCounterWorks()) return 1;
    walk::GeometryLimits budget;    // the module's
    walk::GeometryLimits perObject; // the bounds per object alone
    perObject.ProbeRecords = perObject.ProbeTriangles = INT32_MAX;
    double worstProbe = 0, worstEvents = 0;

    std::printf("%-62s %12s %14s\n", "the probe over", "budget us", "per object us");
    struct Case {
        const char* Name;
        groundscene::Image Scene;
        bool WithoutBudget; // also timed with the bounds per object alone
    };
    Case cases[] = {
        {"1 object calling itself twice", SelfCalling(1, 0), true},
        {"10 objects calling themselves twice", SelfCalling(10, 0), true},
        {"1 object, 8 triangles, calling itself twice", SelfCalling(1, 8), true},
        {"10 objects, 8 triangles, calling themselves twice", SelfCalling(10, 8), true},
        {"10 objects, a far point, calling themselves twice", SelfCalling(10, 0, Before::FarPoint),
         true},
        {"10 objects, 8 spheres entered, calling themselves twice",
         SelfCalling(10, 0, Before::Spheres), true},
        {"10 objects, 2 spheres, 2 triangles, calling themselves twice",
         SelfCalling(10, 2, Before::SpheresAndTriangles), true},
        {"100 objects, 64 triangles, calling themselves twice", SelfCalling(100, 64), false},
        {"1000 objects, 4096 directory entries, no geometry", LongDirectories(1000), false},
    };
    for (Case& c : cases) {
        benchscene::PlaceInHost(c.Scene);
        double withBudget = Time([&] { benchmark::DoNotOptimize(Probe(budget)); });
        double without =
            c.WithoutBudget ? Time([&] { benchmark::DoNotOptimize(Probe(perObject)); }) : 0.0;
        worstProbe = std::max(worstProbe, withBudget);
        if (c.WithoutBudget)
            std::printf("%-62s %12.1f %14.1f\n", c.Name, withBudget / 1000, without / 1000);
        else
            std::printf("%-62s %12.1f %14s\n", c.Name, withBudget / 1000, "-");
        std::fflush(stdout);
    }

    std::printf("\n%-62s %12s\n", "the event walk (one mouse message) over", "budget us");
    const geometry::Ray ahead{{0, 0, 0}, {0, 0, 1}};
    for (int32_t spheres : {1, 4}) {
        groundscene::Image stream(EventBase);
        stream.Bytes = SelfCallingEvents(spheres);
        benchscene::PlaceInHost(stream);
        double ns = Time([&] { benchmark::DoNotOptimize(Events(ahead)); });
        worstEvents = std::max(worstEvents, ns);
        char name[80];
        std::snprintf(name, sizeof name, "a %zu-byte stream, %d sphere%s, calling itself twice",
                      stream.Bytes.size(), spheres, spheres == 1 ? "" : "s");
        std::printf("%-62s %12.1f\n", name, ns / 1000);
    }
    if (sim::HostFaults() != 0) {
        std::fprintf(stderr, "FAIL: %s\n", sim::LastHostFault().c_str());
        return 1;
    }
    if (Allocations != 0) {
        std::fprintf(stderr, "FAIL: %llu heap allocations\n",
                     static_cast<unsigned long long>(Allocations));
        return 1;
    }
    std::printf("heap allocations: 0\n");
    std::printf("worst crafted case: probe %.0f us, mouse message %.0f us\n", worstProbe / 1000,
                worstEvents / 1000);
    return 0;
}
