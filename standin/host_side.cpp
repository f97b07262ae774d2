// The host's memory and functions as the module finds them: the fixed words,
// the panels table with the variable lookup, and the simulated flight that
// the lookup serves.
#include "standin/standin.h"

#include "host/contract.h"
#include "host/units.h"

#include <cmath>
#include <cstring>

namespace standin {

Aircraft Flight = {47.0, 8.0, 1000.0, 90.0, 0.0, 0.0, 360.0, 0.0, 0.0, 0.0, 0.0};

namespace {

constexpr double kMetresPerDegree = host::MetresPerDegreeLatitude;
constexpr double kLongitudeUnitsPerTurn = 281474976710656.0; // 2^48

// The host's fixed words (0x429C84, 0x429CF8) live in its executable image:
// this section is the first of the image, 0x401000 up to the code at 0x42A000
// (see standin/CMakeLists.txt).
constexpr uintptr_t kHostImageData = 0x401000;
__attribute__((section(".hostfix"), used)) volatile uint8_t HostImageData[0x29000];
constexpr uintptr_t kFixedViewpointRegion = host::ViewpointBlock & ~0xFFFFu;

using host::HostVarRecord;

std::vector<uint32_t> Lookups;
uint32_t PanelsTable[64];

double ServeToken(uint32_t token) {
    const Aircraft& a = Flight;
    switch (token) {
    case host::HostVarGroundAltitude:
        return a.GroundAltitude * 256.0;
    case host::HostVarOnGround:
        return a.OnGround;
    case host::HostVarSpeed:
        return a.Speed;
    case host::HostVarLatitude:
        return a.Latitude * kMetresPerDegree;
    case host::HostVarLongitude:
        return a.Longitude / 360.0 * kLongitudeUnitsPerTurn;
    case host::HostVarAltitude:
        return a.Altitude;
    case host::HostVarPitch:
        return a.Pitch;
    case host::HostVarBank:
        return a.Bank;
    case host::HostVarHeading:
        return a.Heading;
    case host::HostVarGroundSpeed:
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

Viewpoint ReadViewpoint() {
    return host::DecodeViewpoint(host::ReadViewpoint());
}

// ---- The module's view of Windows -------------------------------------------

volatile DWORD SimulatedTime;
volatile SHORT KeyStates[256];
volatile POINT Cursor;
volatile HCURSOR CursorSet;

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
HCURSOR WINAPI StandInSetCursor(HCURSOR cursor) {
    CursorSet = cursor;
    return SetCursor(cursor);
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
                        {"GetCursorPos", reinterpret_cast<void*>(&StandInGetCursorPos)},
                        {"SetCursor", reinterpret_cast<void*>(&StandInSetCursor)}};
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
    // A module that does without one of them simply does not get it simulated.
    (void)error;
    return redirected;
}

} // namespace standin
