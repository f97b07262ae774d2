// Common ground of the native tests: a fresh machine and a freshly loaded
// module for every test, and no stray host memory access at its end.
#pragma once

#include "host/contract.h"
#include "module/lifecycle.h"
#include "module/module.h"
#include "platform/sim/sim.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

// The hooks and dialog procedures reach the DLL's one module record, so tests
// that go through them use it too; each starts it from its load-time values.
class ModuleTest : public ::testing::Test {
protected:
    addon::ModuleState& module = addon::Module;
    void SetUp() override {
        sim::Reset();
        addon::Module = addon::ModuleState{};
        ImportTable[0] = {host::PanelsTableId, 0};
        ImportTable[1] = {0, 0};
    }
    void TearDown() override {
        EXPECT_EQ(sim::HostFaults(), 0) << "last fault: " << sim::LastHostFault();
    }
};

// A module as the host has just loaded it: started in a host with its main window.
class StartedModuleTest : public ModuleTest {
protected:
    os::Hwnd mainWindow = nullptr;
    void SetUp() override {
        ModuleTest::SetUp();
        mainWindow = sim::AddWindow("FS98MAIN");
        addon::ModuleAttach(module);
    }
};

// The host's side of the variable lookup, in simulated host memory: a panels
// table whose slot 160 holds a lookup function that serves Values by token
// and logs every token it was asked for.
struct SimulatedHost {
    static constexpr hostmem::Addr PanelsTable = 0x00510000;
    static constexpr hostmem::Addr LookupFunction = 0x00520000;
    static constexpr hostmem::Addr FixedWords = 0x20940000;

    std::map<uint32_t, double> Values;
    std::vector<uint32_t> Served;
    int DirtyRequests = 0; // records that came with the host's own words not zeroed

    // Maps the table (on a page of its own) and hands it to the module as the
    // host does after load.
    void ProvidePanelsTable() {
        sim::MapHost(PanelsTable, 0x1000);
        sim::PokeHost<uint32_t>(PanelsTable + host::LookupVarSlot, LookupFunction);
        sim::MapHostFunction(LookupFunction, [this](void* argument) {
            auto* record = static_cast<host::HostVarRecord*>(argument);
            Served.push_back(record->Token);
            for (int i = 0; i < 8; ++i)
                if (record->HostOwnBefore[i] || record->HostOwnAfter[i]) {
                    ++DirtyRequests;
                    break;
                }
            record->Value = Values[record->Token];
        });
        ImportTable[0].Table = PanelsTable;
    }
    void ProvideFixedWords(bool writable = true) { sim::MapHost(FixedWords, 0x10000, writable); }
};
