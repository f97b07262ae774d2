#include "host/byte_source.h"

#include "module_test.h"

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

} // namespace
