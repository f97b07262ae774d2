// The benchmarks' scenes for the ground probe: objects of nested spheres with
// 10 to 200 triangles each, spread over three by three kilometres around the
// probe point, the first right under it, placed in simulated host memory and
// read through the checked host reader, as the module reads the host's.
#pragma once

#include "host/byte_source.h"
#include "platform/sim/sim.h"
#include "tests/ground_scene.h"
#include "walk/ground_probe.h"

#include <cstring>
#include <ctime>
#include <map>
#include <memory>

namespace benchscene {

constexpr hostmem::Addr SceneBase = 0x10000000;
constexpr double ProbeLatitude = 47.0, ProbeLongitude = 8.0; // float values

inline groundscene::SceneShape Shape(int32_t objects) {
    groundscene::SceneShape shape{};
    shape.Objects = objects;
    shape.Spread = 1500.0;
    shape.Size = 15.0;
    shape.LeastTriangles = 10;
    shape.MostTriangles = 200;
    shape.Calls = false;
    shape.RoofUnderProbe = true;
    shape.ProbeLatitude = ProbeLatitude;
    shape.ProbeLongitude = ProbeLongitude;
    shape.ProbeAltitude = 0.0;
    return shape;
}

// The scene of that many objects, made once.
inline const groundscene::Scene& SceneOf(int32_t objects) {
    static std::map<int32_t, std::unique_ptr<groundscene::Scene>> scenes;
    auto& scene = scenes[objects];
    if (!scene)
        scene = std::make_unique<groundscene::Scene>(
            groundscene::MakeScene(SceneBase, Shape(objects), 1000u + uint32_t(objects)));
    return *scene;
}

// A simulated host holding only the image, in whole pages as a process's
// memory is (its base is a page's).
inline void PlaceInHost(const groundscene::Image& image) {
    sim::Reset();
    uint32_t size = uint32_t(image.Bytes.size());
    sim::MapHost(image.Base, (size + 0xFFF) & ~0xFFFu, false);
    std::memcpy(sim::HostBytes(image.Base, size), image.Bytes.data(), size);
}
inline void PlaceInHost(const groundscene::Scene& scene) {
    PlaceInHost(scene.Bytes);
}

// The walk's probe: straight down from 100 km above the walker.
inline walk::GroundProbeRecord WalkProbe() {
    return {ProbeLatitude, ProbeLongitude, 0.0, {0.0, 100000.0, 0.0}, {0.0, -1.0, 0.0}, 0.0};
}

// One probe as a frame runs it: a fresh checked reader over the host memory.
inline double ProbeOnce(uint32_t table, const walk::GeometryLimits& limits = {}) {
    host::CheckedReader reader;
    walk::GroundProbeRecord record = WalkProbe();
    walk::GroundProbe(host::CheckedBytes(reader), table, record, limits);
    return record.NearestDistance;
}

// This thread's processor time, ns: what another process on the core does
// not add to.
inline double ThreadNs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

} // namespace benchscene
