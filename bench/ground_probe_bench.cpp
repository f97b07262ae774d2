// The ground probe against the true floor of its work, over generated scenes
// of 100, 1,000, 10,000 and 100,000 objects. The probe casts the walk's ray
// (straight down at the walker) through the module's checked reader over the
// simulated host memory, which it reads in place as the DLL reads the host's;
// its readability checks per probe are the DLL's IsBadReadPtr calls. The
// floor is a hand-written scan of the same bytes that reads per object only
// the words the probe must read, each once, in place, behind a bounds check,
// where the host lays them out: the count, the entry's model data pointer,
// the directory's tag, count and entries up to the geometry block's, the
// stream's reference point, its first sphere and the record its skip leads to
// (where the probe goes on for every object the ray misses, all but a few).
// Both run warm (back to back) and cold (each after reading 48 MiB
// elsewhere), probe and floor in turn round by round, so that the machine's
// other work falls on both alike; the least of the rounds counts. Times are
// the thread's CPU time. Heap allocations across the probes must be none (the
// binary fails otherwise). The last line gives the ratios at 10,000 objects.
#include "bench/ground_bench_scene.h"
#include "heap_counter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

using geometry::Vector3;

constexpr int32_t SceneSizes[] = {100, 1000, 10000, 100000};
constexpr int Rounds = 11;                 // of each measurement; the least counts
constexpr double WarmBatchNs = 20e6;       // back-to-back runs timed together
constexpr size_t ElsewhereSize = 48 << 20; // read between cold runs: more than the caches hold

// ---- The true floor ------------------------------------------------------------------

// The scene's bytes where the probe reads them, behind a bounds check.
struct Floor {
    const uint8_t* Bytes;
    uint32_t Base, Size;

    const uint8_t* At(uint32_t address, uint32_t size) const {
        uint32_t offset = address - Base;
        return address >= Base && offset <= Size && size <= Size - offset ? Bytes + offset
                                                                          : nullptr;
    }
};

template <class T> T Word(const uint8_t* at) {
    return host::Field<T>(at);
}

// The words the probe must read for each object, summed so that none is left
// unread; each read waits for the one its address comes from, as the probe's.
uint64_t FloorScan(const Floor& f, uint32_t table) {
    const uint8_t* head = f.At(table, host::SceneTableCheckSize);
    if (!head) return 0;
    uint32_t first = Word<uint32_t>(head + 12);
    uint64_t sum = 0;
    for (uint32_t i = 0;; ++i) {
        int32_t count = Word<int32_t>(head);
        if (int64_t(i) >= count) break;
        const uint8_t* entry = f.At(first + i * host::SceneObjectEntrySize + 96, 4);
        if (!entry) break;
        uint32_t model = Word<uint32_t>(entry);
        const uint8_t* directory = f.At(model + host::SceneDirectoryTagAt, 8);
        if (!directory || std::memcmp(directory, host::ModelDirectoryTag, 4) != 0) continue;
        int32_t entries = Word<int32_t>(directory + 4);
        uint32_t block = 0;
        for (int32_t k = 0; k < entries && block == 0; ++k) {
            uint32_t at = model + host::SceneDirectoryEntriesAt + uint32_t(k) * 8;
            const uint8_t* e = f.At(at, 8);
            if (!e) break;
            if (std::memcmp(e, host::GeometryBlockTag, 4) == 0 && Word<int32_t>(e + 4) != 0)
                block = at + uint32_t(Word<int32_t>(e + 4));
        }
        const uint8_t* point = f.At(block, sizeof(host::GeometryReferencePoint));
        const uint8_t* sphere =
            f.At(block + host::GeometryReferencePointSize, sizeof(host::GeometrySphere));
        if (!point || !sphere) continue;
        sum += Word<uint16_t>(point) + Word<uint32_t>(point + 2) + Word<uint32_t>(point + 6) +
               Word<uint32_t>(point + 10);
        sum += Word<uint32_t>(sphere) + Word<uint32_t>(sphere + 4) + Word<uint32_t>(sphere + 10) +
               Word<uint32_t>(sphere + 14) + Word<uint32_t>(sphere + 18) +
               Word<uint32_t>(sphere + 22);
        uint32_t after = block + host::GeometryReferencePointSize + Word<uint32_t>(sphere + 4);
        if (const uint8_t* next = f.At(after, 2)) sum += Word<uint16_t>(next);
    }
    return sum;
}

// ---- The written walk, plain: the answer the probe must give ------------------------

// Every reference point placed exactly, every sphere tested, the bytes read
// straight from the simulated memory (the scene is well formed).
struct WrittenWalk {
    const walk::GroundProbeRecord Probe = benchscene::WalkProbe();
    const geometry::Ray Ray{Probe.RayOrigin, Probe.RayDirection};
    double Nearest = walk::NoHit;
    int64_t Entered = 0, Tested = 0; // spheres entered, triangles tested

    template <class T> T Peek(uint32_t at) { return sim::PeekHost<T>(at); }

    void Walk(uint32_t at, const Vector3& inherited, int32_t depth) {
        Vector3 base = inherited, current = inherited;
        for (;;) {
            uint16_t op = Peek<uint16_t>(at);
            if (op == host::StreamOpCall && depth < walk::GeometryCallDepthLimit) {
                Walk(at + uint32_t(Peek<int32_t>(at + 2)), current, depth + 1);
                at += host::StreamCallSize;
            } else if (op == host::GeometryOpReferencePoint) {
                auto p = Peek<host::GeometryReferencePoint>(at);
                base = walk::RelativePosition(
                    {p.Latitude, p.Longitude, p.Altitude + host::EarthRadius},
                    {Probe.Latitude, Probe.Longitude, Probe.Altitude + host::EarthRadius});
                at += host::GeometryReferencePointSize;
            } else if (op == host::GeometryOpSphere) {
                auto s = Peek<host::GeometrySphere>(at);
                current = {s.Centre[0] + base.X, s.Centre[1] + base.Y, s.Centre[2] + base.Z};
                bool hit = walk::RayEntersBoundingSphere(Ray, current, s.Radius);
                Entered += hit;
                at += hit ? uint32_t(s.EnterLength) : uint32_t(s.SkipLength);
            } else if (op == host::GeometryOpTriangles) {
                int32_t n = Peek<int32_t>(at + 2);
                for (int32_t i = 0; i < n; ++i) {
                    auto t = Peek<host::GeometryTriangle>(at + 6 + uint32_t(i) * 48);
                    Vector3 v[3];
                    for (int j = 0; j < 3; ++j)
                        v[j] = {t.Vertex[j][0] + current.X, t.Vertex[j][1] + current.Y,
                                t.Vertex[j][2] + current.Z};
                    double d = walk::RayTriangle(Ray, v[0], v[1], v[2],
                                                 {t.Normal[0], t.Normal[1], t.Normal[2]});
                    if (d < Nearest) Nearest = d;
                }
                Tested += n;
                at += host::GeometryTriangleListHeaderSize + uint32_t(n) * 48;
            } else {
                return;
            }
        }
    }

    explicit WrittenWalk(uint32_t table) {
        auto head = Peek<host::SceneTableHeader>(table);
        for (int32_t i = 0; i < head.Count; ++i) {
            uint32_t model = Peek<uint32_t>(head.FirstEntry + uint32_t(i) * 104 + 96);
            int32_t count = Peek<int32_t>(model + host::SceneDirectoryCountAt);
            for (int32_t k = 0; k < count; ++k) {
                uint32_t at = model + host::SceneDirectoryEntriesAt + uint32_t(k) * 8;
                if (std::memcmp(sim::HostBytes(at, 4), "BLCK", 4) == 0 && Peek<int32_t>(at + 4)) {
                    Walk(at + uint32_t(Peek<int32_t>(at + 4)), {0, 0, 0}, 0);
                    break;
                }
            }
        }
    }
};

// ---- Measuring ---------------------------------------------------------------------------

// A scene in the simulated host memory; its generated image is not kept.
struct Placed {
    uint32_t Table = 0, Size = 0;
    int64_t Triangles = 0;
};

Placed Place(int32_t objects) {
    groundscene::SceneShape shape = benchscene::Shape(objects);
    shape.KeepWorld = false;
    groundscene::Scene scene =
        groundscene::MakeScene(benchscene::SceneBase, shape, 1000u + uint32_t(objects));
    benchscene::PlaceInHost(scene);
    return {scene.Table, uint32_t(scene.Bytes.Bytes.size()), scene.Triangles};
}

std::vector<uint8_t> Elsewhere;
volatile uint64_t Sink;

// Reads memory the scene does not share, a word per cache line: the caches
// and the address translations hold other things afterwards.
void ReadElsewhere() {
    uint64_t sum = 0;
    for (size_t i = 0; i < Elsewhere.size(); i += 64) sum += Elsewhere[i];
    Sink = sum;
}

uint64_t ProbeAllocations; // across every probe: the verdict of main

struct Times {
    double Warm = 0, Cold = 0; // ns, the least of the rounds
};

void Least(double& figure, double ns) {
    if (figure == 0 || ns < figure) figure = ns;
}

// One probe, its heap allocations counted.
double Probe(uint32_t table, const walk::GeometryLimits& limits) {
    uint64_t before = bench::HeapAllocations();
    double d = benchscene::ProbeOnce(table, limits);
    ProbeAllocations += bench::HeapAllocations() - before;
    return d;
}

// The readability checks of one probe: fewer with a budget than without
// when the budget ended it early.
int Checks(uint32_t table, const walk::GeometryLimits& limits) {
    int before = sim::HostReadableChecks();
    Probe(table, limits);
    return sim::HostReadableChecks() - before;
}

// run timed warm (runs back to back, after one untimed) and cold (one run after
// reading elsewhere), once each for this round.
template <class Run> void Round(Run&& run, int warmRuns, Times& t) {
    run();
    double start = benchscene::ThreadNs();
    for (int i = 0; i < warmRuns; ++i) run();
    Least(t.Warm, (benchscene::ThreadNs() - start) / warmRuns);
    ReadElsewhere();
    start = benchscene::ThreadNs();
    run();
    Least(t.Cold, benchscene::ThreadNs() - start);
}

struct Row {
    int32_t Objects;
    Times Probe, Floor;
    int64_t Checks, Entered, Tested;
    bool Budget; // the module's budget; else none, since it would end the probe early
};

} // namespace

int main() {
    if (!bench::HeapCounterWorks()) return 1;
    Elsewhere.assign(ElsewhereSize, 1);
    std::vector<Row> rows;
    bool failed = false;
    for (int32_t objects : SceneSizes) {
        Placed scene = Place(objects);
        Floor floor{sim::HostBytes(benchscene::SceneBase, scene.Size), benchscene::SceneBase,
                    scene.Size};
        WrittenWalk written(scene.Table);
        // The module's budget where the scene fits in it; else the floor's
        // reading is matched without one.
        walk::GeometryLimits budget, none;
        none.ProbeRecords = none.ProbeTriangles = INT32_MAX;
        int checks = Checks(scene.Table, none);
        bool fits = Checks(scene.Table, budget) == checks;
        const walk::GeometryLimits& limits = fits ? budget : none;
        double nearest = Probe(scene.Table, limits);
        Row row{objects, {}, {}, checks, written.Entered, written.Tested, fits};
        if (nearest != written.Nearest) {
            std::fprintf(stderr,
                         "FAIL at %d objects: the probe gives %.6f, the written walk %.6f\n",
                         objects, nearest, written.Nearest);
            failed = true;
        }
        // As many warm runs as fill a batch, from one probe's time.
        double start = benchscene::ThreadNs();
        Probe(scene.Table, limits);
        int warmRuns =
            int(std::clamp(WarmBatchNs / std::max(benchscene::ThreadNs() - start, 1.0), 1.0, 1e5));
        for (int round = 0; round < Rounds; ++round) {
            Round([&] { benchmark::DoNotOptimize(Probe(scene.Table, limits)); }, warmRuns,
                  row.Probe);
            Round([&] { benchmark::DoNotOptimize(FloorScan(floor, scene.Table)); }, warmRuns,
                  row.Floor);
        }
        if (sim::HostFaults() != 0) {
            std::fprintf(stderr, "FAIL: %s\n", sim::LastHostFault().c_str());
            failed = true;
        }
        std::printf("%d objects placed (%u bytes, %lld triangles): %d warm runs a round\n", objects,
                    scene.Size, static_cast<long long>(scene.Triangles), warmRuns);
        std::fflush(stdout);
        rows.push_back(row);
        sim::Reset(); // the next scene's memory in place of this one's
    }

    std::printf("\nthe ground probe against the true floor (CPU time, least of %d rounds)\n",
                Rounds);
    std::printf("%8s %11s %11s %7s %11s %11s %7s %8s %8s %8s %8s %s\n", "objects", "probe warm",
                "floor warm", "/floor", "probe cold", "floor cold", "/floor", "ns/obj", "checks",
                "entered", "tested", "budget");
    for (const Row& r : rows)
        std::printf("%8d %9.1fus %9.1fus %7.2f %9.1fus %9.1fus %7.2f %8.1f %8lld %8lld %8lld %s\n",
                    r.Objects, r.Probe.Warm / 1000, r.Floor.Warm / 1000,
                    r.Probe.Warm / r.Floor.Warm, r.Probe.Cold / 1000, r.Floor.Cold / 1000,
                    r.Probe.Cold / r.Floor.Cold, r.Probe.Warm / r.Objects,
                    static_cast<long long>(r.Checks), static_cast<long long>(r.Entered),
                    static_cast<long long>(r.Tested),
                    r.Budget ? "the module's" : "none: the module's ends it early");
    if (ProbeAllocations != 0) {
        std::fprintf(stderr, "FAIL: %llu heap allocations in probes\n",
                     static_cast<unsigned long long>(ProbeAllocations));
        failed = true;
    } else {
        std::printf("heap allocations in probes: 0\n");
    }
    for (const Row& r : rows)
        if (r.Objects == 10000)
            std::printf("probe/floor at 10000 objects: warm %.2f cold %.2f\n",
                        r.Probe.Warm / r.Floor.Warm, r.Probe.Cold / r.Floor.Cold);
    return failed ? 1 : 0;
}
