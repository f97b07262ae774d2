// Registry values as the module finds them: any bytes, any length, any type,
// under any of the stored names, and any finite reals in the settings.
// Loading must not fault; whatever is saved must load back as the value of
// its text (never the default in its place), and a setting saved, loaded and
// saved again must come back as the same text (the stored form is stable).
#include "fuzz/fuzz_stats.h"
#include "module/settings.h"
#include "platform/sim/sim.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kNames[] = {"FlyByActive",        "FlyByDuration",        "FlyByRelAltitude",
                              "FlyByMinDistance",   "FlyByCameraPlacement", "FlyByTravelling",
                              "InternalViewActive", "ViewTurbRate",         "GroundTurbRate",
                              "RunningSpeed",       "ViewTurbOn",           "GroundTurbOn",
                              "ExternalViewActive"};

struct Real {
    const char* Name;
    double addon::ModuleSettings::*Field;
};
constexpr Real kReals[] = {{"ViewTurbRate", &addon::ModuleSettings::HeadLatencyRate},
                           {"GroundTurbRate", &addon::ModuleSettings::GroundTurbRate},
                           {"RunningSpeed", &addon::ModuleSettings::RunningSpeed}};

// The stored settings by name, as the loader takes them (kNames' first twelve).
struct Stored {
    int32_t addon::ModuleSettings::*Whole;
    double addon::ModuleSettings::*Real;
    bool Flag;
};
using S = addon::ModuleSettings;
constexpr Stored kStored[] = {
    {&S::FlyByActive, nullptr, true},           {&S::FlyByDuration, nullptr, false},
    {&S::FlyByRelAltitude, nullptr, false},     {&S::FlyByMinDistance, nullptr, false},
    {&S::FlyByCameraPlacement, nullptr, false}, {&S::FlyByTravelling, nullptr, true},
    {&S::InternalViewActive, nullptr, true},    {nullptr, &S::HeadLatencyRate, false},
    {nullptr, &S::GroundTurbRate, false},       {nullptr, &S::RunningSpeed, false},
    {&S::HeadLatencyOn, nullptr, true},         {&S::GroundTurbOn, nullptr, true}};

struct LastRecord {
    bool Present = false;
    uint32_t Type = 0;
    std::vector<uint8_t> Bytes;
};

std::string StoredText(const char* name) {
    return sim::RegText(addon::SettingsKeyPath, name).value_or("<missing>");
}

std::vector<std::string> StoredTexts() {
    std::vector<std::string> texts;
    for (const char* name : kNames) texts.push_back(StoredText(name));
    return texts;
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

// What was saved came back: each real is the value of its saved text, read by
// the C library's own conversion; where "%f" could not be used (huge values)
// and wherever the value is whole (from 2^53 on), it is the value saved.
void CheckReadBack(const addon::ModuleSettings& before, const addon::ModuleSettings& loaded) {
    for (const Real& r : kReals) {
        std::string text = StoredText(r.Name);
        double saved = before.*r.Field, back = loaded.*r.Field;
        if (back != std::strtod(text.c_str(), nullptr))
            Fail("loaded value differs from its text", text);
        if (std::fabs(saved) >= 9007199254740992.0 && back != saved)
            Fail("a whole value did not come back", text);
    }
}

// A REG_DWORD is its number; a type that is not text keeps the default.
void CheckTypes(const LastRecord (&records)[12], const S& defaults, const S& loaded) {
    for (size_t n = 0; n < 12; ++n) {
        const LastRecord& r = records[n];
        const Stored& f = kStored[n];
        if (!r.Present || r.Type == 1 || r.Type == 2) continue;
        if (r.Type == 4 && r.Bytes.size() == 4) {
            uint32_t number = uint32_t(r.Bytes[0]) | uint32_t(r.Bytes[1]) << 8 |
                              uint32_t(r.Bytes[2]) << 16 | uint32_t(r.Bytes[3]) << 24;
            bool ok = f.Real ? loaded.*f.Real == double(number)
                      : f.Flag
                          ? loaded.*f.Whole == (number != 0)
                          : loaded.*f.Whole == int32_t(number > INT32_MAX ? INT32_MAX : number);
            if (!ok) Fail("a DWORD was not read as its number", kNames[n]);
            continue;
        }
        bool same = f.Real ? std::memcmp(&(loaded.*f.Real), &(defaults.*f.Real), 8) == 0
                           : loaded.*f.Whole == defaults.*f.Whole;
        if (!same) Fail("a value of another type replaced the default", kNames[n]);
    }
}

} // namespace

// Input: a flag byte; with its low bit, three reals (24 bytes) put into the
// settings as they are; then records of [name index][type][length][bytes...].
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TimedInput timed(size);
    // What an empty registry gives, found once: the same for every input.
    static const addon::ModuleSettings defaults = [] {
        sim::Reset();
        addon::ModuleSettings d{};
        addon::LoadSettings(d);
        return d;
    }();
    sim::Reset();
    LastRecord records[12];
    addon::ModuleSettings settings{};
    size_t i = 0;
    double reals[3] = {};
    bool direct = size >= 25 && (data[0] & 1);
    if (direct) std::memcpy(reals, data + 1, sizeof reals);
    i = direct ? 25 : size > 0 ? 1 : 0;
    while (i + 3 <= size) {
        const char* name = kNames[data[i] % (sizeof kNames / sizeof kNames[0])];
        uint32_t type = data[i + 1] % 12; // REG_NONE .. REG_QWORD
        size_t length = data[i + 2];
        i += 3;
        if (length > size - i) length = size - i;
        std::vector<uint8_t> bytes(data + i, data + i + length);
        size_t n = data[i - 3] % (sizeof kNames / sizeof kNames[0]);
        if (n < 12) records[n] = {true, type, bytes};
        sim::RegPutBytes(addon::SettingsKeyPath, name, type, bytes);
        i += length;
    }
    addon::LoadSettings(settings);
    CheckTypes(records, defaults, settings);
    // The settings never hold a value that is not finite: the loader refuses them.
    if (direct)
        for (size_t k = 0; k < 3; ++k)
            if (std::isfinite(reals[k])) settings.*kReals[k].Field = reals[k];

    addon::ModuleSettings before = settings;
    addon::SaveSettings(settings);
    std::vector<std::string> first = StoredTexts();
    settings = addon::ModuleSettings{};
    addon::LoadSettings(settings);
    CheckReadBack(before, settings);
    addon::SaveSettings(settings);
    if (StoredTexts() != first) Fail("the stored form changed on a second load and save", "");
    if (sim::HostFaults() != 0 || sim::RegOpenHandles() != 0) Fail("fault or open key", "");
    return 0;
}
