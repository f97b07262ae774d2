// A geometry stream of any bytes, found through a fixed object table and
// model data in simulated host memory, probed with any probe point and ray:
// the walk must not fault (every read checked) nor hang (libFuzzer's
// -timeout), and must give the same distance however often it runs, either
// none or one within the hit limits.
#include "host/byte_source.h"
#include "host/scene.h"
#include "platform/sim/sim.h"
#include "walk/ground_probe.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr hostmem::Addr Table = 0x00400000;
constexpr hostmem::Addr Model = 0x00500000;
constexpr hostmem::Addr Stream = 0x00600000; // the input's bytes after its header
constexpr size_t HeaderSize = 32;

// Tighter bounds than the module's: inputs soon learn to loop through calls up
// to the bounds, and at the module's (a million triangles) one input would
// take tens of milliseconds; the unit tests hold the module's own bounds.
constexpr walk::GeometryLimits Limits{16, 1024, 4096, walk::GeometryDirectoryLimit};

double Probe(uint32_t table, walk::GroundProbeRecord record) {
    host::CheckedReader reader;
    walk::GroundProbe(host::CheckedBytes(reader), table, record, Limits);
    return record.NearestDistance;
}

} // namespace

// Input: the probe's latitude and longitude, the ray's origin and direction
// (eight floats), then the geometry stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HeaderSize || size > 65536) return 0;
    sim::Reset();
    float f[8];
    std::memcpy(f, data, sizeof f);
    walk::GroundProbeRecord record{f[0], f[1], 0.0, {f[2], f[3], f[4]}, {f[5], f[6], f[7]}, 0.0};
    // A direction of length 1 where it can be made one, as the walk gives it;
    // any other stays as it is.
    geometry::Vector3& u = record.RayDirection;
    double length = std::sqrt(u.X * u.X + u.Y * u.Y + u.Z * u.Z);
    if (length > 0.0 && std::isfinite(length)) u = {u.X / length, u.Y / length, u.Z / length};

    sim::MapHost(Table, host::SceneTableCheckSize + host::SceneObjectEntrySize);
    sim::PokeHost<int32_t>(Table, 1);
    sim::PokeHost<uint32_t>(Table + 12, Table + 16);
    sim::PokeHost<uint32_t>(Table + 16 + 96, Model);
    sim::MapHost(Model, host::SceneModelCheckSize);
    std::memcpy(sim::HostBytes(Model + host::SceneDirectoryTagAt, 4), "PNTR", 4);
    sim::PokeHost<int32_t>(Model + host::SceneDirectoryCountAt, 1);
    std::memcpy(sim::HostBytes(Model + host::SceneDirectoryEntriesAt, 4), "BLCK", 4);
    sim::PokeHost<int32_t>(Model + host::SceneDirectoryEntriesAt + 4,
                           int32_t(Stream - (Model + host::SceneDirectoryEntriesAt)));
    uint32_t streamSize = uint32_t(size - HeaderSize);
    if (streamSize) {
        sim::MapHost(Stream, streamSize);
        std::memcpy(sim::HostBytes(Stream, streamSize), data + HeaderSize, streamSize);
    }

    double first = Probe(Table, record);
    if (Probe(Table, record) != first) std::abort();
    if (first != walk::NoHit &&
        !(first >= walk::NearestHitLimit && first <= walk::FarthestHitLimit))
        std::abort();
    if (sim::HostFaults() != 0) std::abort();
    return 0;
}
