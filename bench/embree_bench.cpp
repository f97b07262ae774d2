// The reference a graphics engineer would reach for: Embree builds a bounding
// volume hierarchy over the same triangles as the ground probe's scenes (in
// the probe point's frame, f32) and casts the same ray. Build time, time per
// ray, and the per-frame probe over the host's bytes measured beside them
// (read in place through the checked reader, as the DLL reads the host's
// memory), to tell after how many frames building once and casting every
// frame would pay off. The module never links Embree: the host's scene
// changes under it.
#include "bench/ground_bench_scene.h"

#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

namespace {

RTCDevice Device;

struct Figures {
    double BuildNs = 0, RayNs = 0, ProbeNs = 0;
    double RayDistance = 0, ProbeDistance = 0;
};
std::map<int32_t, Figures> Results;

// A scene of every triangle, committed: the build.
RTCScene Build(const groundscene::Scene& scene) {
    RTCScene s = rtcNewScene(Device);
    RTCGeometry g = rtcNewGeometry(Device, RTC_GEOMETRY_TYPE_TRIANGLE);
    size_t n = scene.World.size();
    auto* v = static_cast<float*>(rtcSetNewGeometryBuffer(
        g, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), 3 * n));
    auto* index = static_cast<unsigned*>(rtcSetNewGeometryBuffer(
        g, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), n));
    for (size_t i = 0; i < n; ++i)
        for (int j = 0; j < 3; ++j) {
            const geometry::Vector3& p = scene.World[i].V[j];
            v[9 * i + 3 * j] = float(p.X), v[9 * i + 3 * j + 1] = float(p.Y);
            v[9 * i + 3 * j + 2] = float(p.Z);
            index[3 * i + j] = unsigned(3 * i + j);
        }
    rtcCommitGeometry(g);
    rtcAttachGeometry(s, g);
    rtcReleaseGeometry(g);
    rtcCommitScene(s);
    return s;
}

// The walk's ray, straight down from 100 km: the distance to the first hit.
double Cast(RTCScene s) {
    walk::GroundProbeRecord p = benchscene::WalkProbe();
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit r{};
    r.ray.org_x = float(p.RayOrigin.X), r.ray.org_y = float(p.RayOrigin.Y);
    r.ray.org_z = float(p.RayOrigin.Z);
    r.ray.dir_x = float(p.RayDirection.X), r.ray.dir_y = float(p.RayDirection.Y);
    r.ray.dir_z = float(p.RayDirection.Z);
    r.ray.tnear = 0.0f;
    r.ray.tfar = std::numeric_limits<float>::infinity();
    r.ray.mask = ~0u;
    r.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    r.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(s, &context, &r);
    return r.hit.geomID == RTC_INVALID_GEOMETRY_ID ? walk::NoHit : double(r.ray.tfar);
}

template <class F> double TimedLoop(benchmark::State& state, F&& f) {
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) f();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
               .count() /
           double(state.iterations());
}

void BM_EmbreeBuild(benchmark::State& state) {
    const groundscene::Scene& scene = benchscene::SceneOf(int32_t(state.range(0)));
    double ns = TimedLoop(state, [&] { rtcReleaseScene(Build(scene)); });
    state.counters["triangles"] = double(scene.World.size());
    Results[int32_t(state.range(0))].BuildNs = ns;
}
BENCHMARK(BM_EmbreeBuild)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_EmbreeRay(benchmark::State& state) {
    const groundscene::Scene& scene = benchscene::SceneOf(int32_t(state.range(0)));
    RTCScene s = Build(scene);
    double distance = Cast(s);
    double ns = TimedLoop(state, [&] { benchmark::DoNotOptimize(Cast(s)); });
    rtcReleaseScene(s);
    Figures& f = Results[int32_t(state.range(0))];
    f.RayNs = ns, f.RayDistance = distance;
    state.counters["ground_m"] = 100000.0 - distance;
}
BENCHMARK(BM_EmbreeRay)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kNanosecond);

void BM_GroundProbeBeside(benchmark::State& state) {
    const groundscene::Scene& scene = benchscene::SceneOf(int32_t(state.range(0)));
    benchscene::PlaceInHost(scene);
    double distance = benchscene::ProbeOnce(scene.Table);
    double ns =
        TimedLoop(state, [&] { benchmark::DoNotOptimize(benchscene::ProbeOnce(scene.Table)); });
    Figures& f = Results[int32_t(state.range(0))];
    f.ProbeNs = ns, f.ProbeDistance = distance;
    state.counters["ground_m"] = 100000.0 - distance;
}
BENCHMARK(BM_GroundProbeBeside)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    Device = rtcNewDevice(nullptr);
    if (!Device) {
        std::fprintf(stderr, "FAIL: no Embree device\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rtcReleaseDevice(Device);

    std::printf("\nbuild once, cast every frame, against the probe every frame\n");
    std::printf("%8s %10s %10s %10s %12s %12s %s\n", "objects", "build ms", "ray ns", "probe us",
                "ray ground", "probe ground", "pays off after");
    int failed = 0;
    for (const auto& [objects, f] : Results) {
        if (f.BuildNs == 0 || f.RayNs == 0 || f.ProbeNs == 0) continue;
        char payoff[64];
        if (f.ProbeNs > f.RayNs)
            std::snprintf(payoff, sizeof payoff, "%.0f frames",
                          std::ceil(f.BuildNs / (f.ProbeNs - f.RayNs)));
        else
            std::snprintf(payoff, sizeof payoff, "never");
        std::printf("%8d %10.2f %10.1f %10.1f %12.3f %12.3f %s\n", objects, f.BuildNs / 1e6,
                    f.RayNs, f.ProbeNs / 1000, 100000 - f.RayDistance, 100000 - f.ProbeDistance,
                    payoff);
        // Embree's f32 at 100 km from the origin is good to a centimetre or so.
        if (std::fabs(f.RayDistance - f.ProbeDistance) > 0.05) ++failed;
    }
    if (failed) {
        std::fprintf(stderr, "FAIL: Embree and the probe disagree on the ground\n");
        return 1;
    }
    return 0;
}
