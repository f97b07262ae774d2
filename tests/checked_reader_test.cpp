#include "host/byte_source.h"

#include "module_test.h"
#include "tests/ground_scene.h"
#include "walk/ground_probe.h"

#include <cstring>

namespace {

class CheckedReaderTest : public ModuleTest {
protected:
    host::CheckedReader reader;
    bool Read(hostmem::Addr at, uint32_t size) {
        uint8_t out[64];
        return host::ReadChecked(reader, at, out, size);
    }
};

TEST_F(CheckedReaderTest, RemembersTheLastFewStretchesOfPagesItFoundReadable) {
    const hostmem::Addr places[] = {0x00100000, 0x00200000, 0x00300000, 0x00400000, 0x00500000};
    for (hostmem::Addr at : places) sim::MapHost(at, 0x2000);
    int before = sim::HostReadableChecks();
    // Back and forth between three places, as a walk of the scene goes: each is
    // checked once.
    for (int round = 0; round < 5; ++round)
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(Read(places[i] + 0x10 * round, 16));
    EXPECT_EQ(sim::HostReadableChecks() - before, 3);
    // A read reaching the next page of a known one is checked again.
    ASSERT_TRUE(Read(places[0] + 0xFF8, 16));
    EXPECT_EQ(sim::HostReadableChecks() - before, 4);
    // Two more places push out the oldest stretches.
    ASSERT_TRUE(Read(places[3], 8));
    ASSERT_TRUE(Read(places[4], 8));
    before = sim::HostReadableChecks();
    ASSERT_TRUE(Read(places[1], 8));
    EXPECT_EQ(sim::HostReadableChecks() - before, 1);
}

TEST_F(CheckedReaderTest, NeverReadsPastWhatIsReadable) {
    // Less than a page: no whole page is known, each read is checked as it is.
    sim::MapHost(0x00600000, 100);
    std::memcpy(sim::HostBytes(0x00600000, 4), "PNTR", 4);
    char tag[4];
    EXPECT_TRUE(host::ReadChecked(reader, 0x00600000, tag, 4));
    EXPECT_EQ(std::memcmp(tag, "PNTR", 4), 0);
    EXPECT_TRUE(Read(0x00600000 + 96, 4));
    EXPECT_FALSE(Read(0x00600000 + 97, 4)) << "one byte past the end";
    // A page known readable does not vouch for the page after it.
    sim::MapHost(0x00700000, 0x1000);
    EXPECT_TRUE(Read(0x00700000, 16));
    EXPECT_FALSE(Read(0x00700000 + 0xFF0, 32));
    // Nor does anything reach past the address space.
    EXPECT_FALSE(Read(0xFFFFFFF0u, 32));
    EXPECT_TRUE(Read(0x00700000, 0)) << "nothing to read is always read";
}

TEST_F(CheckedReaderTest, GivesTheBytesInPlaceAndKeepsAStretchShorterThanAPage) {
    sim::MapHost(0x00600000, 0x2000);
    sim::PokeHost<uint32_t>(0x00601000, 0x4B434C42);
    host::ByteSpan span;
    ASSERT_TRUE(host::CheckedSpan(reader, 0x00600FFE, 4, span));
    EXPECT_EQ(span.At, 0x00600000u) << "the two pages the bytes lie on";
    EXPECT_EQ(span.Size, 0x2000u);
    EXPECT_EQ(span.Bytes, sim::HostBytes(0x00600000, 0x2000)) << "read in place, not copied";
    EXPECT_EQ(host::Field<uint32_t>(span.Bytes + 0x1000), 0x4B434C42u);
    // Bytes on a page not all readable: just the bytes, checked once for
    // every read within them.
    sim::MapHost(0x00700000, 100);
    int before = sim::HostReadableChecks();
    ASSERT_TRUE(host::CheckedSpan(reader, 0x00700010, 8, span));
    EXPECT_EQ(span.At, 0x00700010u);
    EXPECT_EQ(span.Size, 8u);
    int once = sim::HostReadableChecks() - before;
    EXPECT_TRUE(Read(0x00700012, 4));
    EXPECT_EQ(sim::HostReadableChecks() - before, once);
    EXPECT_FALSE(host::CheckedSpan(reader, 0x00700060, 8, span)) << "past the mapping";
    EXPECT_EQ(span.At, 0x00700010u) << "a stretch not found leaves the last one";
}

TEST_F(CheckedReaderTest, AProbeOverHostMemoryGivesThePlainBytesAnswerAndFaultsNowhere) {
    // A scene in host memory whose table also places objects nowhere: the
    // probe reads ahead of its walks, and must never touch what is not there.
    groundscene::SceneShape shape{};
    shape.Objects = 40, shape.Spread = 30, shape.Size = 10;
    shape.LeastTriangles = 1, shape.MostTriangles = 30;
    shape.Calls = true, shape.RoofUnderProbe = true;
    shape.ProbeLatitude = 47.0, shape.ProbeLongitude = 8.0;
    groundscene::Scene scene = groundscene::MakeScene(0x00400000, shape, 5);
    for (int32_t i = 3; i < shape.Objects; i += 5)
        scene.Bytes.PutAt(scene.Table + 16 + uint32_t(i) * host::SceneObjectEntrySize + 96,
                          uint32_t(0x7FFF0000 + i));
    uint32_t size = uint32_t(scene.Bytes.Bytes.size());
    sim::MapHost(scene.Bytes.Base, size);
    std::memcpy(sim::HostBytes(scene.Bytes.Base, size), scene.Bytes.Bytes.data(), size);

    walk::GroundProbeRecord host{47.0, 8.0, 0.0, {0.3, 1000.0, -0.2}, {0, -1, 0}, 0};
    walk::GroundProbeRecord plain = host;
    ASSERT_EQ(walk::GroundProbe(host::CheckedBytes(reader), scene.Table, host), 1);
    groundscene::PlainBytes bytes{&scene.Bytes, {}};
    ASSERT_EQ(walk::GroundProbe(bytes.Source(), scene.Table, plain), 1);
    EXPECT_LT(host.NearestDistance, walk::NoHit);
    EXPECT_EQ(host.NearestDistance, plain.NearestDistance);
}

} // namespace
