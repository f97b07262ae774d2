// The user aircraft's model directory and cockpit event stream as the module
// finds them in host memory: any bytes. Looking up the "EVNT" block and
// walking it with any ray must not fault or hang (libFuzzer's -timeout), and
// must end at the same answer however often it runs.
#include "host/byte_source.h"
#include "host/model.h"
#include "pilot/mouse.h"
#include "platform/sim/sim.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr hostmem::Addr GlobalBase = 0x02000000;
constexpr hostmem::Addr Model = 0x00700000; // the model data: the input's bytes

} // namespace

// Input: 24 bytes of ray (origin and direction as three floats each), then
// the model data: "....PNTR", a count, directory entries, blocks, streams.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 24 || size > 65536) return 0;
    sim::Reset();
    float f[6];
    std::memcpy(f, data, sizeof f);
    geometry::Ray ray{{f[0], f[1], f[2]}, {f[3], f[4], f[5]}};
    double length =
        std::sqrt(ray.Direction.X * ray.Direction.X + ray.Direction.Y * ray.Direction.Y +
                  ray.Direction.Z * ray.Direction.Z);
    if (!(length > 0.0) || !std::isfinite(length)) return 0;
    ray.Direction = {ray.Direction.X / length, ray.Direction.Y / length, ray.Direction.Z / length};

    sim::MapHost(GlobalBase, 0x5000);
    std::memcpy(sim::HostBytes(GlobalBase + host::AircraftMarkerOffset, 4), "08SF", 4);
    sim::MapHost(0x00600000, 0x1000); // the aircraft record and its model block
    sim::PokeHost<uint32_t>(GlobalBase + host::UserAircraftOffset, 0x00600000);
    sim::PokeHost<uint32_t>(0x00600000 + host::UserAircraftModelBlock, 0x00600200);
    sim::PokeHost<uint32_t>(0x00600200 + host::ModelBlockData, Model);
    uint32_t modelSize = uint32_t(size - 24);
    if (modelSize) {
        sim::MapHost(Model, modelSize);
        std::memcpy(sim::HostBytes(Model, modelSize), data + 24, modelSize);
    }

    hostmem::Addr stream = host::FindModelBlock(GlobalBase, "EVNT");
    int32_t first = 0;
    if (stream) {
        host::CheckedReader reader;
        first = pilot::HitEventSpheres(host::CheckedBytes(reader), stream, {0, 0, 0}, ray);
        host::CheckedReader again;
        if (pilot::HitEventSpheres(host::CheckedBytes(again), stream, {0, 0, 0}, ray) != first)
            std::abort();
    }
    if (sim::HostFaults() != 0) std::abort();
    return 0;
}
