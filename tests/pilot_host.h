// The host's side of the pilot view in simulated host memory: the module list
// head at its fixed address, the libraries' entries and names, the view list
// with view windows and 264-byte view records.
#pragma once

#include "host/discovery.h"
#include "host/model.h"
#include "host/view_record.h"
#include "platform/sim/sim.h"

#include <cstring>
#include <string>
#include <vector>

struct SimulatedPilotHost {
    static constexpr hostmem::Addr FixedImage = 0x00429000; // holds both list heads
    static constexpr hostmem::Addr Lists = 0x00600000;      // entries, names, views
    static constexpr hostmem::Addr G3dBase = 0x01000000;
    static constexpr hostmem::Addr GlobalBase = 0x02000000;

    hostmem::Addr Next = Lists;
    uint32_t Alignment = 16; // a power of two; 0x1000 gives every record a page of its own

    hostmem::Addr Allocate(uint32_t size) {
        hostmem::Addr at = Next;
        Next += (size + Alignment - 1) & ~(Alignment - 1);
        return at;
    }
    void MapImage(uint32_t listBytes = 0x10000) {
        sim::MapHost(FixedImage, 0x1000);
        sim::MapHost(Lists, listBytes);
    }
    hostmem::Addr Text(const std::string& text) {
        hostmem::Addr at = Allocate(uint32_t(text.size() + 1));
        std::memcpy(sim::HostBytes(at, uint32_t(text.size() + 1)), text.c_str(), text.size() + 1);
        return at;
    }
    // A module list of these libraries, in order, with their base values.
    void ModuleList(const std::vector<std::pair<std::string, hostmem::Addr>>& libraries) {
        hostmem::Addr previous = 0;
        for (const auto& [name, base] : libraries) {
            hostmem::Addr entry = Allocate(host::ModuleEntrySize);
            sim::PokeHost<uint32_t>(entry + host::ModuleEntryName, Text(name));
            sim::PokeHost<uint32_t>(entry + host::ModuleEntryBase, base);
            if (previous)
                sim::PokeHost<uint32_t>(previous + host::ModuleEntryNext, entry);
            else
                sim::PokeHost<uint32_t>(host::HostModuleListHead, entry);
            previous = entry;
        }
    }
    // The user aircraft's model in GLOBAL.DLL, its directory holding the
    // "EVNT" block with these stream bytes.
    hostmem::Addr UserAircraftModel(const std::vector<uint8_t>& stream) {
        sim::MapHost(GlobalBase, 0x10000);
        std::memcpy(sim::HostBytes(GlobalBase + host::AircraftMarkerOffset, 4), "08SF", 4);
        hostmem::Addr aircraft = Allocate(host::UserAircraftRecordSize);
        hostmem::Addr block = Allocate(host::ModelBlockSize);
        hostmem::Addr model = Allocate(16 + 2 * 8);
        hostmem::Addr events = Allocate(uint32_t(stream.size()));
        sim::PokeHost<uint32_t>(GlobalBase + host::UserAircraftOffset, aircraft);
        sim::PokeHost<uint32_t>(aircraft + host::UserAircraftModelBlock, block);
        sim::PokeHost<uint32_t>(block + host::ModelBlockData, model);
        std::memcpy(sim::HostBytes(model + 8, 4), "PNTR", 4);
        sim::PokeHost<int32_t>(model + 12, 2);
        std::memcpy(sim::HostBytes(model + 16, 4), "SCEN", 4); // another block first
        sim::PokeHost<int32_t>(model + 20, 64);
        std::memcpy(sim::HostBytes(model + 24, 4), "EVNT", 4);
        sim::PokeHost<int32_t>(model + 28, int32_t(events - (model + 24)));
        std::memcpy(sim::HostBytes(events, uint32_t(stream.size())), stream.data(), stream.size());
        return events;
    }
    // An event stream of one switch 3 units ahead of the eye (at (0, 1, 0.5)
    // in the cockpit record), radius 0.2, with a code for the left button.
    static std::vector<uint8_t> OneSwitch() {
        std::vector<uint8_t> b(38 + 2, 0);
        auto put = [&b](size_t at, auto v) { std::memcpy(&b[at], &v, sizeof v); };
        put(0, uint16_t(0xF003)), put(2, uint16_t(38)), put(8, uint16_t(1));
        put(10, 0.0f), put(14, 1.0f), put(18, 3.5f), put(22, 0.2f), put(26, uint32_t(77));
        put(38, uint16_t(0xF001));
        return b;
    }
    void StandardLibraries() {
        ModuleList(
            {{"KERNEL32.DLL", 0x7C800000}, {"G3D.DLL", G3dBase}, {"GLOBAL.DLL", GlobalBase}});
    }
    // A view list whose windows show records of these kinds, in this order;
    // the records' addresses in order.
    std::vector<hostmem::Addr> Views(const std::vector<int32_t>& kinds) {
        std::vector<hostmem::Addr> records;
        for (int32_t kind : kinds) {
            hostmem::Addr record = Allocate(host::ViewRecordBytes);
            host::ViewRecord r{};
            r.Kind = kind;
            r.Zoom = 64;
            for (int k = 0; k < 3; ++k) r.Rotation[k].Column[k] = 1.0f;
            r.EyeReference[1] = 256;
            sim::PokeHost(record, r);
            records.push_back(record);
        }
        hostmem::Addr list = Allocate(host::ViewListSize);
        hostmem::Addr array = Allocate(uint32_t(4 * records.size() + 4));
        for (size_t i = 0; i < records.size(); ++i) {
            hostmem::Addr window = Allocate(host::ViewWindowSize);
            sim::PokeHost<uint32_t>(window + host::ViewWindowRecord, records[i]);
            sim::PokeHost<uint32_t>(array + uint32_t(4 * i), window);
        }
        sim::PokeHost<uint32_t>(list + host::ViewListArray, array);
        sim::PokeHost<int32_t>(list + host::ViewListCount, int32_t(records.size()));
        sim::PokeHost<uint32_t>(host::HostViewListHead, list);
        return records;
    }
};
