// The host's side of the pilot view: the module list naming its libraries,
// the view list with its view windows and 264-byte view records, the key
// binding file in the host's folder, and the eye as the host reads it back.
#include "standin/standin.h"

#include "host/discovery.h"
#include "host/model.h"
#include "pilot/key_bindings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace standin {

namespace {

// Module list entries as the host lays them out (20 bytes each).
struct ModuleEntry {
    uint32_t Next;
    uint32_t Name;
    uint32_t Unused1;
    uint32_t Base;
    uint32_t Unused2;
};
static_assert(sizeof(ModuleEntry) == host::ModuleEntrySize);

const char* const kLibraryNames[] = {"KERNEL32.DLL", "_.DLL", "g3d.dll", "GLOBAL.DLL",
                                     "G3D.DLL"}; // the second G3D.DLL must lose
ModuleEntry Entries[5];
uint8_t* G3dBlock;    // the scene library's memory
uint8_t* GlobalBlock; // the global library's memory

struct ViewWindowRecord {
    uint8_t Pad[host::ViewWindowRecord];
    uint32_t Record;
};
static_assert(sizeof(ViewWindowRecord) == host::ViewWindowSize);

struct ViewList {
    uint8_t Pad[host::ViewListArray];
    uint32_t Array;
    uint32_t Unused;
    int32_t Count;
};
static_assert(sizeof(ViewList) == host::ViewListSize);

constexpr int kViews = 3; // cockpit (1), another kind (7), outside (1250)
const int32_t kKinds[kViews] = {host::ViewKindCockpit, 7, host::ViewKindOutside};
host::ViewRecord Records[kViews];
ViewWindowRecord Windows[kViews];
uint32_t WindowArray[kViews];
ViewList Views;

void PutWord(uint32_t address, uint32_t value) {
    std::memcpy(reinterpret_cast<void*>(uintptr_t(address)), &value, 4);
}

// A cockpit view as the host sets one up: looking ahead, zoom 1, the eye's
// reference point in the pilot's seat.
void ResetRecord(host::ViewRecord& r, int32_t kind) {
    std::memset(&r, 0, sizeof r);
    r.Kind = kind;
    r.AspectNumerator = 4;
    r.AspectDenominator = 3;
    r.Zoom = 64;
    for (int i = 0; i < 3; ++i) r.Rotation[i].Column[i] = 1.0f;
    r.EyeReference[0] = 0;
    r.EyeReference[1] = 256;
    r.EyeReference[2] = 512;
}

} // namespace

namespace {

// A page the host has reserved but that no one may read.
uint32_t UnreadablePage(std::string& error) {
    void* page = VirtualAlloc(nullptr, 0x1000, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS);
    if (!page) error = "cannot allocate a no-access page";
    return AddressOf(page);
}

uint32_t HeadWord(ListSetUp setUp, uint32_t present, std::string& error) {
    switch (setUp) {
    case ListSetUp::Present:
        return present;
    case ListSetUp::Unreadable:
        return UnreadablePage(error);
    default:
        return 0;
    }
}

} // namespace

bool PrepareHostLists(ListSetUp moduleList, ListSetUp viewList, std::string& error) {
    G3dBlock = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 0xB0000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    GlobalBlock = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!G3dBlock || !GlobalBlock) {
        error = "cannot allocate the host libraries' memory";
        return false;
    }
    const uint32_t bases[] = {0x7C800000, 0x12340000, AddressOf(G3dBlock), AddressOf(GlobalBlock),
                              0x0BAD0000};
    for (int i = 0; i < 5; ++i) {
        Entries[i] = {i + 1 < 5 ? AddressOf(&Entries[i + 1]) : 0, AddressOf(kLibraryNames[i]), 0,
                      bases[i], 0};
    }
    for (int i = 0; i < kViews; ++i) {
        ResetRecord(Records[i], kKinds[i]);
        Windows[i].Record = AddressOf(&Records[i]);
    }
    ShowView("cockpit");
    PrepareUserAircraft();
    PrepareScene(G3dBlock, Records[0]);
    PutWord(host::HostModuleListHead, HeadWord(moduleList, AddressOf(&Entries[0]), error));
    PutWord(host::HostViewListHead, HeadWord(viewList, AddressOf(&Views), error));
    return error.empty();
}

// ---- The user aircraft's cockpit controls -------------------------------------

namespace {

uint8_t AircraftRecord[host::UserAircraftRecordSize];
uint8_t ModelBlock[host::ModelBlockSize];
uint8_t ModelData[512];

// An event sphere record: kind, centre, radius, the left button's code.
void EventSphere(ByteWriter& w, uint16_t kind, float x, float y, float z, float radius,
                 uint32_t code) {
    w.Put<uint16_t>(0xF003), w.Put<uint16_t>(38), w.Put<uint32_t>(0), w.Put<uint16_t>(kind);
    w.Put(x), w.Put(y), w.Put(z), w.Put(radius);
    w.Put<uint32_t>(code), w.Put<uint32_t>(0), w.Put<uint32_t>(0);
}

// The panel in front of the pilot's seat, 2.4 units ahead of the eye: a
// switch straight ahead, one to the right, and on a sub-panel to the left a
// switch given relative to it, in a stream of its own.
void BuildCockpitControls() {
    std::memset(ModelData, 0, sizeof ModelData);
    std::memcpy(ModelData + 8, "PNTR", 4);
    int32_t entries = 2;
    std::memcpy(ModelData + 12, &entries, 4);
    std::memcpy(ModelData + 16, "SCEN", 4); // a block of another kind first
    int32_t other = 400;
    std::memcpy(ModelData + 20, &other, 4);
    std::memcpy(ModelData + 24, "EVNT", 4);
    int32_t events = 8; // from the entry: the stream at 32
    std::memcpy(ModelData + 28, &events, 4);
    ByteWriter w{ModelData + 32};
    EventSphere(w, 1, 0.0f, 1.0f, 4.4f, 0.1f, 101); // straight ahead
    EventSphere(w, 1, 0.5f, 1.0f, 4.4f, 0.1f, 102); // to the right
    EventSphere(w, 0, -0.5f, 1.0f, 4.4f, 0.4f, 0);  // the sub-panel; its switches follow
    w.Put<uint16_t>(0xF000), w.Put<int32_t>(6 + 2);
    w.Put<uint16_t>(0xF001);
    EventSphere(w, 1, 0.0f, -0.2f, 0.0f, 0.1f, 103); // relative to the sub-panel
    w.Put<uint16_t>(0xF001);
}

} // namespace

void PrepareUserAircraft() {
    BuildCockpitControls();
    uint32_t block = AddressOf(ModelBlock), data = AddressOf(ModelData);
    std::memcpy(AircraftRecord + host::UserAircraftModelBlock, &block, 4);
    std::memcpy(ModelBlock + host::ModelBlockData, &data, 4);
    std::memcpy(GlobalBlock + host::AircraftMarkerOffset, host::AircraftMarker, 4);
    uint32_t aircraft = AddressOf(AircraftRecord);
    std::memcpy(GlobalBlock + host::UserAircraftOffset, &aircraft, 4);
}

uint32_t G3dBase() {
    return AddressOf(G3dBlock);
}
uint32_t GlobalBase() {
    return AddressOf(GlobalBlock);
}

bool ShowView(const std::string& which) {
    // The view windows in the host's order: the first of kind 1 or 1250 is active.
    int order[kViews], n = 0;
    if (which == "cockpit") {
        order[n++] = 0, order[n++] = 1, order[n++] = 2;
    } else if (which == "other") {
        order[n++] = 1;
    } else if (which == "outside") {
        order[n++] = 1, order[n++] = 2, order[n++] = 0;
    } else if (which != "none") {
        return false;
    }
    for (int i = 0; i < n; ++i) WindowArray[i] = AddressOf(&Windows[order[i]]);
    Views.Array = AddressOf(WindowArray);
    Views.Count = n;
    return true;
}

host::ViewRecord& CockpitRecord() {
    return Records[0];
}

host::ViewRecord& HostViewRecord(int index) {
    static_assert(HostViewCount == kViews);
    return Records[index];
}

EyeReading ReadEye() {
    const host::ViewRecord& r = Records[0];
    EyeReading e;
    const float* row0 = r.Rotation[0].Column;
    const float* row1 = r.Rotation[1].Column;
    const float* row2 = r.Rotation[2].Column;
    // Row vectors, M = RotZ(bank) RotX(pitch) RotY(heading): the third row is
    // (cos p sin h, -sin p, cos p cos h); bank shows in the first two rows.
    e.Heading = std::atan2(double(row2[0]), double(row2[2])) * 180.0 / Pi;
    if (e.Heading < 0) e.Heading += 360.0;
    e.Pitch = std::asin(std::fmax(-1.0, std::fmin(1.0, -double(row2[1])))) * 180.0 / Pi;
    e.Bank = std::atan2(double(row0[1]), double(row1[1])) * 180.0 / Pi;
    for (int i = 0; i < 3; ++i) {
        e.Position[i] = (r.EyeReference[i] + r.EyeOffset[i]) / 256.0;
        for (int j = 0; j < 3; ++j) e.Rows[i][j] = r.Rotation[i].Column[j];
    }
    e.Aspect = r.AspectDenominator ? double(r.AspectNumerator) / r.AspectDenominator : 0.0;
    e.HeadingWord = uint16_t(r.Heading);
    e.ZoomWord = r.Zoom;
    e.Kind = r.Kind;
    return e;
}

// ---- The key binding file in the host's folder ------------------------------

namespace {

constexpr char kHostFolder[] = "C:\\orbivue-host";
constexpr char kHostKeyPath[] = "Software\\Microsoft\\Microsoft Games\\Flight Simulator\\8.0";

HANDLE HeldBindingFile = INVALID_HANDLE_VALUE;

} // namespace

bool HoldBindingFile(std::string& error) {
    std::string path = std::string(kHostFolder) + "\\OrbivuePro.cfg";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open " + path + ": error " + std::to_string(GetLastError());
        return false;
    }
    if (HeldBindingFile != INVALID_HANDLE_VALUE) CloseHandle(HeldBindingFile);
    HeldBindingFile = file;
    return true;
}

bool PlaceBindingFile(const std::string& text, std::string& error) {
    CreateDirectoryA(kHostFolder, nullptr);
    std::string path = std::string(kHostFolder) + "\\OrbivuePro.cfg";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size()) {
        if (file) std::fclose(file);
        error = "cannot write " + path;
        return false;
    }
    std::fclose(file);
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kHostKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                    nullptr);
    if (!key) {
        error = "cannot set the host's folder in the registry";
        return false;
    }
    RegSetValueExA(key, "EXE Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(kHostFolder),
                   DWORD(sizeof kHostFolder));
    RegCloseKey(key);
    return true;
}

void ForgetHostFolder() {
    if (HeldBindingFile != INVALID_HANDLE_VALUE) CloseHandle(HeldBindingFile);
    HeldBindingFile = INVALID_HANDLE_VALUE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHostKeyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, "EXE Path");
        RegCloseKey(key);
    }
    DeleteFileA((std::string(kHostFolder) + "\\OrbivuePro.cfg").c_str());
}

int KeyCodeOf(const std::string& name) {
    // The module's own reading of a key name: as a binding of it would bind.
    static pilot::KeyBindingTable table;
    table.Count = 0;
    std::string text = "[Keyboard] K=" + name;
    pilot::LoadKeyBindingText(text.data(), text.size(), "Keyboard", table);
    return table.Count == 1 ? table.Entries[0].Code : 0;
}

} // namespace standin
