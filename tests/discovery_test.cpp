#include "host/discovery.h"

#include "module_test.h"
#include "pilot_host.h"

using namespace host;

namespace {

class DiscoveryTest : public ModuleTest {
protected:
    SimulatedPilotHost pilotHost;
    HostLibraries found{};
    void SetUp() override {
        ModuleTest::SetUp();
        pilotHost.MapImage();
    }
};

TEST_F(DiscoveryTest, FindsBothLibrariesByNameInAnyCaseAndKeepsTheFirst) {
    pilotHost.ModuleList({{"_.DLL", 0x1111},
                          {"g3d.dll", 0x01000000},
                          {"Global.Dll", 0x02000000},
                          {"G3D.DLL", 0x03000000}});
    EXPECT_EQ(DiscoverHost(found), 1);
    EXPECT_EQ(found.G3dModuleBase, 0x01000000u);
    EXPECT_EQ(found.SceneObjectTable, 0x01000000u + 679472);
    EXPECT_EQ(found.HostViewMatrix, 0x01000000u + 679040);
    EXPECT_EQ(found.GlobalModuleBase, 0x02000000u);
    EXPECT_EQ(found.EyePositionRecord, 0x02000000u + 13744);
    EXPECT_EQ(found.EyeAttitudeRecord, 0x02000000u + 13768);
    // Found once, kept for good: a list that changes later changes nothing.
    pilotHost.ModuleList({{"G3D.DLL", 0x05000000}, {"GLOBAL.DLL", 0x06000000}});
    DiscoverHost(found);
    EXPECT_EQ(found.G3dModuleBase, 0x01000000u);
    EXPECT_EQ(found.GlobalModuleBase, 0x02000000u);
}

TEST_F(DiscoveryTest, AnUnreadableOrLoopingListLeavesWhatWasFoundAndNeverFaults) {
    EXPECT_EQ(DiscoverHost(found), 0) << "a null head";
    sim::PokeHost<uint32_t>(host::HostModuleListHead, 0x0BAD0000);
    EXPECT_EQ(DiscoverHost(found), 0);
    EXPECT_EQ(found.ModuleList, 0u);

    // A list that loops back on itself, a name that runs to the end of mapped
    // memory, and an entry whose name is nowhere.
    pilotHost.ModuleList({{"KERNEL32.DLL", 1}, {"USER32.DLL", 2}});
    hostmem::Addr first = sim::PeekHost<uint32_t>(host::HostModuleListHead);
    hostmem::Addr second = sim::PeekHost<uint32_t>(first + host::ModuleEntryNext);
    sim::PokeHost<uint32_t>(second + host::ModuleEntryNext, first);
    sim::PokeHost<uint32_t>(second + host::ModuleEntryName, 0x0060FFFC);
    std::memset(sim::HostBytes(0x0060FFFC, 4), 'A', 4);
    sim::PokeHost<uint32_t>(first + host::ModuleEntryName, 0x0BAD0000);
    EXPECT_EQ(DiscoverHost(found), 1);
    EXPECT_EQ(found.G3dModuleBase, 0u);
    // Faults, had there been any, fail the test at its end.
}

TEST_F(DiscoveryTest, TheActiveViewIsTheFirstOfTheViewKindsThatCanBeRead) {
    auto records = pilotHost.Views({7, 1250, 1});
    ActiveView v = FindActiveView(sim::PeekHost<uint32_t>(host::HostViewListHead));
    EXPECT_EQ(v.Record, records[1]);
    EXPECT_EQ(v.Kind, 1250);

    // The second window's record goes missing: the third is found instead.
    hostmem::Addr list = sim::PeekHost<uint32_t>(host::HostViewListHead);
    hostmem::Addr array = sim::PeekHost<uint32_t>(list + host::ViewListArray);
    hostmem::Addr window = sim::PeekHost<uint32_t>(array + 4);
    sim::PokeHost<uint32_t>(window + host::ViewWindowRecord, 0x0BAD0000);
    EXPECT_EQ(FindActiveView(list).Record, records[2]);

    sim::PokeHost<int32_t>(list + host::ViewListCount, 0);
    EXPECT_EQ(FindActiveView(list).Record, 0u) << "no views";
    sim::PokeHost<int32_t>(list + host::ViewListCount, 0x7FFFFFFF);
    EXPECT_EQ(FindActiveView(list).Record, records[2]) << "a count past the array ends";
    sim::PokeHost<uint32_t>(list + host::ViewListArray, 0x0060FFF8);
    EXPECT_EQ(FindActiveView(list).Record, 0u) << "an array past readable memory";
    EXPECT_EQ(FindActiveView(0).Record, 0u);
    EXPECT_EQ(FindActiveView(0x0BAD0000).Record, 0u);
}

TEST_F(DiscoveryTest, HostTextsStopAtTheirEndTheBufferOrTheLastReadableByte) {
    char text[8];
    pilotHost.Text("x");
    hostmem::Addr at = pilotHost.Text("GLOBAL.DLL");
    ReadHostText(at, text, sizeof text);
    EXPECT_STREQ(text, "GLOBAL.");
    std::memcpy(sim::HostBytes(0x0060FFFE, 2), "AB", 2);
    ReadHostText(0x0060FFFE, text, sizeof text);
    EXPECT_STREQ(text, "AB");
    ReadHostText(0x0BAD0000, text, sizeof text);
    EXPECT_STREQ(text, "");
}

} // namespace
