// The host's memory and functions as the module finds them: the fixed words,
// the panels table with the variable lookup, and the simulated flight that
// the lookup serves.
#include "standin/standin.h"

#include "module/host.h"

#include <cmath>
#include <cstring>

namespace standin {

Aircraft Flight = {47.0, 8.0, 1000.0, 90.0, 0.0, 0.0, 360.0, 0.0, 0.0, 0.0, false};

namespace {

constexpr double kMetresPerDegree = 111130.0;                // latitude, as the host counts it
constexpr double kLongitudeUnitsPerTurn = 281474976710656.0; // 2^48

// The host's fixed words (0x429C84, 0x429CF8) live in its executable image:
// this section is the first of the image, 0x401000 up to the code at 0x42A000
// (see standin/CMakeLists.txt).
constexpr uintptr_t kHostImageData = 0x401000;
__attribute__((section(".hostfix"), used)) volatile uint8_t HostImageData[0x29000];
constexpr uintptr_t kFixedViewpointRegion = 0x20940000;

using host::HostVarRecord;

std::vector<uint32_t> Lookups;
uint32_t PanelsTable[64];

double ServeToken(uint32_t token) {
    const Aircraft& a = Flight;
    switch (token) {
    case 0x02:
        return a.GroundAltitude * 256.0;
    case 0x3C:
        return a.OnGround ? 1.0 : 0.0;
    case 0x3D:
        return a.Speed;
    case 0x47:
        return a.Latitude * kMetresPerDegree;
    case 0x48:
        return a.Longitude / 360.0 * kLongitudeUnitsPerTurn;
    case 0x49:
        return a.Altitude;
    case 0x4D:
        return a.Pitch;
    case 0x4F:
        return a.Bank;
    case 0x56:
        return a.Heading;
    case 0x340:
        return a.Speed / 3.6 * std::cos(a.Pitch * Pi / 180.0);
    default:
        return 0.0;
    }
}

extern "C" void __stdcall LookupVar(HostVarRecord* record) {
    Lookups.push_back(record->Token);
    record->Value = ServeToken(record->Token);
}

} // namespace

void Fly(double seconds) {
    Aircraft& a = Flight;
    a.Heading = std::fmod(a.Heading + a.TurnRate * seconds + 360.0, 360.0);
    a.Altitude += a.ClimbRate * seconds;
    double metresPerSecond = a.Speed / 3.6;
    // The host counts pitch positive nose down.
    if (a.ClimbRate != 0.0 && metresPerSecond > 0.0)
        a.Pitch = -std::atan2(a.ClimbRate, metresPerSecond) * 180.0 / Pi;
    double ground = metresPerSecond * seconds * std::cos(a.Pitch * Pi / 180.0);
    double h = a.Heading * Pi / 180.0;
    a.Latitude += ground * std::cos(h) / kMetresPerDegree;
    a.Longitude += ground * std::sin(h) / (kMetresPerDegree * std::cos(a.Latitude * Pi / 180.0));
    if (a.Longitude > 180.0) a.Longitude -= 360.0;
    if (a.Longitude < -180.0) a.Longitude += 360.0;
}

bool PrepareHostMemory(std::string& error) {
    if (reinterpret_cast<uintptr_t>(HostImageData) != kHostImageData) {
        error = "the host's fixed words are not in a writable part of the image";
        return false;
    }
    void* region = VirtualAlloc(reinterpret_cast<void*>(kFixedViewpointRegion), 0x10000,
                                MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (region != reinterpret_cast<void*>(kFixedViewpointRegion)) {
        error = "cannot reserve 0x20940000 for the viewpoint words";
        return false;
    }
    PanelsTable[host::LookupVarSlot / 4] = uint32_t(reinterpret_cast<uintptr_t>(&LookupVar));
    Lookups.reserve(4096);
    return true;
}

std::vector<uint32_t>& LookupsThisFrame() {
    return Lookups;
}
uint32_t PanelsTableAddress() {
    return uint32_t(reinterpret_cast<uintptr_t>(PanelsTable));
}

double Viewpoint::LongitudeDegrees() const {
    double degrees = std::fmod(LongitudeUnits / 4294967296.0 * 360.0, 360.0);
    if (degrees > 180.0) degrees -= 360.0;
    if (degrees <= -180.0) degrees += 360.0;
    return degrees;
}

Viewpoint ReadViewpoint() {
    const volatile uint8_t* words =
        reinterpret_cast<const volatile uint8_t*>(uintptr_t(host::HostEyeLatitudeFraction));
    auto word = [&](int offset) {
        uint32_t v;
        std::memcpy(&v, const_cast<const uint8_t*>(words) + offset, 4);
        return v;
    };
    Viewpoint v;
    v.LatitudeMetres = double(int32_t(word(4))) + word(0) / 4294967295.0;
    v.LongitudeUnits = double(int32_t(word(12))) + word(8) / 4294967295.0;
    v.AltitudeWord = uint16_t(word(20) & 0xFFFF);
    return v;
}

// ---- The module's view of Windows -------------------------------------------

volatile DWORD SimulatedTime;
volatile SHORT KeyStates[256];
volatile POINT Cursor;

namespace {

DWORD WINAPI StandInTimeGetTime() {
    return SimulatedTime;
}
SHORT WINAPI StandInGetAsyncKeyState(int key) {
    return KeyStates[key & 0xFF];
}
BOOL WINAPI StandInGetCursorPos(POINT* point) {
    point->x = Cursor.x;
    point->y = Cursor.y;
    return TRUE;
}

} // namespace

int RedirectImports(HMODULE dll, std::string& error) {
    auto* base = reinterpret_cast<uint8_t*>(dll);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    struct Replacement {
        const char* Name;
        void* Function;
    } replacements[] = {{"timeGetTime", reinterpret_cast<void*>(&StandInTimeGetTime)},
                        {"GetAsyncKeyState", reinterpret_cast<void*>(&StandInGetAsyncKeyState)},
                        {"GetCursorPos", reinterpret_cast<void*>(&StandInGetCursorPos)}};
    int redirected = 0;
    auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    for (; dir.VirtualAddress && d->Name; ++d) {
        if (!d->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (names->u1.Ordinal & IMAGE_ORDINAL_FLAG32) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Replacement& r : replacements) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), r.Name) != 0) continue;
                DWORD old;
                VirtualProtect(&slots->u1.Function, 4, PAGE_READWRITE, &old);
                slots->u1.Function = DWORD(reinterpret_cast<uintptr_t>(r.Function));
                VirtualProtect(&slots->u1.Function, 4, old, &old);
                ++redirected;
            }
        }
    }
    if (redirected != 3)
        error = "found " + std::to_string(redirected) + " of the 3 imports to redirect";
    return redirected;
}

} // namespace standin
