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

// A simulated host holding only the scene.
inline void PlaceInHost(const groundscene::Scene& scene) {
    sim::Reset();
    uint32_t size = uint32_t(scene.Bytes.Bytes.size());
    sim::MapHost(scene.Bytes.Base, size, false);
    std::memcpy(sim::HostBytes(scene.Bytes.Base, size), scene.Bytes.Bytes.data(), size);
}

// The scene's bytes as plain memory, as the DLL reads the host's: a bounds
// check and a copy, no simulated seam between.
struct PlainHost {
    const uint8_t* Bytes;
    uint32_t Base, Size;
};

inline PlainHost PlainOf(const groundscene::Scene& scene) {
    return {scene.Bytes.Bytes.data(), scene.Bytes.Base, uint32_t(scene.Bytes.Bytes.size())};
}

inline bool ReadPlain(void* context, uint32_t address, void* out, uint32_t size) {
    const PlainHost& p = *static_cast<const PlainHost*>(context);
    if (address < p.Base || uint64_t(address - p.Base) + size > p.Size) return false;
    std::memcpy(out, p.Bytes + (address - p.Base), size);
    return true;
}

// The walk's probe: straight down from 100 km above the walker.
inline walk::GroundProbeRecord WalkProbe() {
    return {ProbeLatitude, ProbeLongitude, 0.0, {0.0, 100000.0, 0.0}, {0.0, -1.0, 0.0}, 0.0};
}

// The memory the probe reads: the simulated host's through the checked
// reader (plain null), or the scene's plain bytes.
inline host::ByteSource SourceOf(host::CheckedReader& reader, const PlainHost* plain) {
    if (plain) return {&ReadPlain, const_cast<PlainHost*>(plain)};
    return {&host::ReadCheckedBytes, &reader};
}

// One probe as a frame runs it: a fresh reader over the memory.
inline double ProbeOnce(uint32_t table, const PlainHost* plain = nullptr) {
    host::CheckedReader reader;
    walk::GroundProbeRecord record = WalkProbe();
    walk::GroundProbe(SourceOf(reader, plain), table, record);
    return record.NearestDistance;
}

} // namespace benchscene
