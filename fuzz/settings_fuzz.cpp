// Registry values as the module finds them: any bytes, any length, any type,
// under any of the stored names. Loading must not fault, and a setting saved
// and loaded again must come back as the same text (the stored form is stable).
#include "module/settings.h"
#include "platform/sim/sim.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kNames[] = {"FlyByActive",        "FlyByDuration",        "FlyByRelAltitude",
                              "FlyByMinDistance",   "FlyByCameraPlacement", "FlyByTravelling",
                              "InternalViewActive", "ViewTurbRate",         "GroundTurbRate",
                              "RunningSpeed",       "ViewTurbOn",           "GroundTurbOn",
                              "ExternalViewActive"};

std::vector<std::string> StoredTexts() {
    std::vector<std::string> texts;
    for (const char* name : kNames)
        texts.push_back(sim::RegText(addon::SettingsKeyPath, name).value_or("<missing>"));
    return texts;
}

} // namespace

// Input: repeated records of [name index][type][length][bytes...].
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sim::Reset();
    addon::ModuleSettings settings{};
    size_t i = 0;
    while (i + 3 <= size) {
        const char* name = kNames[data[i] % (sizeof kNames / sizeof kNames[0])];
        uint32_t type = data[i + 1] % 5; // REG_NONE .. REG_DWORD
        size_t length = data[i + 2];
        i += 3;
        if (length > size - i) length = size - i;
        sim::RegPutBytes(addon::SettingsKeyPath, name, type,
                         std::vector<uint8_t>(data + i, data + i + length));
        i += length;
    }
    addon::LoadSettings(settings);
    addon::SaveSettings(settings);
    std::vector<std::string> first = StoredTexts();
    settings = addon::ModuleSettings{};
    addon::LoadSettings(settings);
    addon::SaveSettings(settings);
    if (StoredTexts() != first) {
        std::fprintf(stderr, "the stored form changed on a second load and save\n");
        std::abort();
    }
    if (sim::HostFaults() != 0 || sim::RegOpenHandles() != 0) std::abort();
    return 0;
}
