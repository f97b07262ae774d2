// The module's frames as a host could drive them: any bits in the host's
// variables, any settings, clock jumps, menu commands (dialogs included, and
// commands inside them), the menu opening and pilot input. Properties: no
// access to host memory the host did not give, and no viewpoint written from
// values that are not finite (the words stay as they were in such a frame)
// nor one beyond a pole.
#include "fuzz/fuzz_stats.h"
#include "host/contract.h"
#include "host/viewpoint.h"
#include "module/lifecycle.h"
#include "module/module.h"
#include "module/router.h"
#include "platform/sim/sim.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr hostmem::Addr kPanelsTable = 0x00510000;
constexpr hostmem::Addr kLookupFunction = 0x00520000;
constexpr hostmem::Addr kFixedWords = 0x20940000;

constexpr uint32_t kTokens[] = {host::HostVarLatitude, host::HostVarLongitude,
                                host::HostVarAltitude, host::HostVarHeading,
                                host::HostVarPitch,    host::HostVarBank,
                                host::HostVarSpeed,    host::HostVarGroundAltitude,
                                host::HostVarOnGround, host::HostVarGroundSpeed};
constexpr size_t kTokenCount = sizeof kTokens / sizeof kTokens[0];
constexpr size_t kPlacing = 7; // the first seven place the fly-by's point, but the bank

using S = addon::ModuleSettings;
int32_t S::*const kWholes[] = {
    &S::FlyByActive,          &S::FlyByDuration,   &S::FlyByRelAltitude,   &S::FlyByMinDistance,
    &S::FlyByCameraPlacement, &S::FlyByTravelling, &S::InternalViewActive, &S::ExternalViewActive,
    &S::HeadLatencyOn,        &S::GroundTurbOn};
double S::*const kReals[] = {&S::HeadLatencyRate, &S::GroundTurbRate, &S::RunningSpeed};

const uint32_t kMessages[] = {os::MsgKeyDown,     os::MsgKeyUp,       os::MsgSysKeyDown,
                              os::MsgSysKeyUp,    os::MsgMouseMove,   os::MsgLButtonDown,
                              os::MsgLButtonUp,   os::MsgRButtonDown, os::MsgRButtonUp,
                              os::MsgMButtonDown, os::MsgMButtonUp,   os::MsgMouseWheel,
                              os::MsgActivate,    os::MsgActivateApp, host::HostFrameMessage};
constexpr size_t kMessageCount = sizeof kMessages / sizeof kMessages[0];

double Values[kTokenCount];

struct Reader {
    const uint8_t* Data;
    size_t Size, At = 0;
    bool More() const { return At < Size; }
    template <class T> T Take() {
        T value{};
        size_t n = Size - At < sizeof value ? Size - At : sizeof value;
        std::memcpy(&value, Data + At, n);
        At += n;
        return value;
    }
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

bool SameWords(const host::ViewpointWords& a, const host::ViewpointWords& b) {
    return a.Latitude == b.Latitude && a.LatitudeFraction == b.LatitudeFraction &&
           a.Longitude == b.Longitude && a.LongitudeFraction == b.LongitudeFraction &&
           a.Altitude == b.Altitude;
}

bool PlacingValuesFinite() {
    for (size_t i = 0; i < kPlacing; ++i)
        if (kTokens[i] != host::HostVarBank && !std::isfinite(Values[i])) return false;
    return true;
}

// One message through the hooks as the host's thread would see it, then the checks.
void Deliver(os::Hwnd window, uint32_t message, os::Word first, os::Long second, bool sent) {
    host::ViewpointWords before = host::ReadViewpoint();
    bool finite = PlacingValuesFinite();
    if (sent)
        sim::Send(window, message, first, second);
    else
        sim::Get(window, message, first, second);
    host::ViewpointWords after = host::ReadViewpoint();
    if (sim::HostFaults() != 0) Fail(sim::LastHostFault().c_str());
    if (!finite && !SameWords(before, after))
        Fail("the viewpoint was written from values that are not finite");
    if (!SameWords(before, after) &&
        !(std::fabs(host::DecodeViewpoint(after).LatitudeDegrees) <= 90.0001))
        Fail("the viewpoint lies beyond a pole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::TimedInput timed(size);
    sim::Reset();
    addon::Module = addon::ModuleState{};
    ImportTable[0] = {host::PanelsTableId, 0};
    ImportTable[1] = {0, 0};
    for (double& v : Values) v = 0.0;

    os::Hwnd mainWindow = sim::AddWindow(host::MainWindowClass);
    os::Hwnd viewWindow = sim::AddWindow(host::ViewWindowClass);
    sim::AddMenuBar(mainWindow, 5);
    sim::MapHost(kPanelsTable, 256);
    sim::PokeHost<uint32_t>(kPanelsTable + host::LookupVarSlot, kLookupFunction);
    sim::MapHostFunction(kLookupFunction, [](void* argument) {
        auto* record = static_cast<host::HostVarRecord*>(argument);
        record->Value = 0.0;
        for (size_t i = 0; i < kTokenCount; ++i)
            if (kTokens[i] == record->Token) record->Value = Values[i];
    });
    ImportTable[0].Table = kPanelsTable;
    sim::MapHost(kFixedWords, 0x10000);

    Reader in{data, size};
    // The user at the dialogs: OK or Cancel, maybe a command inside first.
    sim::SetDialogDriver([&](os::Hwnd dialog, uintptr_t) {
        uint8_t choice = in.Take<uint8_t>();
        if (choice & 1) Deliver(mainWindow, os::MsgCommand, 0x7800 + (choice >> 1) % 6, 0, false);
        sim::ClickButton(dialog, (choice & 2) ? 1 : 2);
        sim::ClickButton(dialog, 1); // the About box closes with 1
    });
    addon::ModuleAttach(addon::Module);

    uint32_t now = 0;
    while (in.More()) {
        switch (in.Take<uint8_t>() % 9) {
        case 0:
            Values[in.Take<uint8_t>() % kTokenCount] = in.Take<double>();
            break;
        case 1:
            addon::Module.Settings.*kWholes[in.Take<uint8_t>() % 10] = in.Take<int32_t>();
            break;
        case 2:
            addon::Module.Settings.*kReals[in.Take<uint8_t>() % 3] = in.Take<double>();
            break;
        case 3: // the clock jumps anywhere
            now = in.Take<uint32_t>();
            sim::SetTime(now);
            Deliver(mainWindow, host::HostFrameMessage, 0, 0, false);
            break;
        case 4: // an ordinary frame
            now += in.Take<uint8_t>();
            sim::SetTime(now);
            Deliver(mainWindow, host::HostFrameMessage, 0, 0, in.Take<uint8_t>() & 1);
            break;
        case 5: {
            uint16_t id = in.Take<uint16_t>();
            Deliver(mainWindow, os::MsgCommand, (id & 0x8000) ? id : 0x7800 + id % 6, 0, false);
            break;
        }
        case 6:
            Deliver(mainWindow, os::MsgInitMenu, 0, 0, true);
            break;
        case 7: {
            uint8_t which = in.Take<uint8_t>();
            Deliver(which & 0x80 ? mainWindow : viewWindow, kMessages[which % kMessageCount],
                    in.Take<uint32_t>(), in.Take<int32_t>(), which & 0x40);
            break;
        }
        case 8:
            sim::SetKeyDown(in.Take<uint8_t>(), in.Take<uint8_t>() & 1);
            break;
        }
    }
    addon::ModuleDetach(addon::Module);
    for (const auto& hook : sim::Hooks())
        if (!hook.Removed) Fail("a hook was left behind");
    if (sim::HostFaults() != 0 || sim::RegOpenHandles() != 0) Fail("fault or open key at the end");
    return 0;
}
