// A scene object table, its entries and their model data of any bytes in
// simulated host memory, beside one well-formed object the entries may point
// at: the probe must not fault nor hang, and must give the same distance
// however often it runs.
#include "host/byte_source.h"
#include "platform/sim/sim.h"
#include "tests/ground_scene.h"
#include "walk/ground_probe.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr hostmem::Addr Table = 0x00400000; // the input's bytes
constexpr hostmem::Addr Known = 0x00500000; // the well-formed object's model data

// Model data at Known whose geometry is a sphere around a roof under the
// probe point.
const groundscene::Image& KnownObject() {
    static const groundscene::Image image = [] {
        groundscene::Image im(Known);
        uint32_t model = im.ModelData(1);
        im.SetEntry(model, 0, "BLCK", im.Here());
        uint32_t sphere = im.Sphere({0, 0, 0}, 10.0f);
        im.Triangles({groundscene::MakeTriangle({-5, 2, -5}, {5, 2, -5}, {0, 2, 5})});
        im.SkipTo(sphere, im.End());
        return im;
    }();
    return image;
}

double Probe(walk::GroundProbeRecord record) {
    host::CheckedReader reader;
    walk::GroundProbe(host::CheckedBytes(reader), Table, record);
    return record.NearestDistance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0;
    sim::Reset();
    const groundscene::Image& known = KnownObject();
    sim::MapHost(Known, uint32_t(known.Bytes.size()));
    std::memcpy(sim::HostBytes(Known, uint32_t(known.Bytes.size())), known.Bytes.data(),
                known.Bytes.size());
    if (size) {
        sim::MapHost(Table, uint32_t(size));
        std::memcpy(sim::HostBytes(Table, uint32_t(size)), data, size);
    }
    walk::GroundProbeRecord record{47.0, 8.0, 0.0, {0, 100000, 0}, {0, -1, 0}, 0.0};
    double first = Probe(record);
    if (Probe(record) != first) std::abort();
    if (sim::HostFaults() != 0) std::abort();
    return 0;
}
