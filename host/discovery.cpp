#include "host/discovery.h"

#include "platform/hostmem.h"

namespace host {

namespace {

constexpr uint32_t PageSize = 0x1000;
constexpr uint32_t NameCapacity = 16; // the longest name looked for, and more

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (Upper(*a) != Upper(*b)) return false;
    return *a == *b;
}

Addr ReadWord(Addr address) {
    return hostmem::IsReadable(address, 4) ? hostmem::Load<uint32_t>(address) : 0;
}

void Found(Addr& base, Addr value, Addr& first, uint32_t firstOffset, Addr& second,
           uint32_t secondOffset) {
    base = value;
    first = value + firstOffset;
    second = value + secondOffset;
}

} // namespace

void ReadHostText(Addr address, char* text, uint32_t capacity) {
    uint32_t n = 0;
    for (; n + 1 < capacity; ++n) {
        Addr at = address + n;
        // One check per page: a name runs on unless it crosses into another.
        if ((n == 0 || at % PageSize == 0) && !hostmem::IsReadable(at, 1)) break;
        char c = hostmem::Load<char>(at);
        if (c == 0) break;
        text[n] = c;
    }
    if (capacity) text[n] = 0;
}

int DiscoverHost(HostLibraries& h) {
    h.ModuleList = ReadWord(HostModuleListHead);
    h.ViewList = ReadWord(HostViewListHead);
    if (h.ModuleList == 0 || !hostmem::IsReadable(h.ModuleList, ModuleEntrySize)) {
        h.ModuleList = 0;
        return 0;
    }
    // Once both are found there is nothing left to look for.
    Addr entry = h.ModuleList;
    for (int32_t i = 0; i < ModuleListLimit && (!h.G3dModuleBase || !h.GlobalModuleBase); ++i) {
        if (entry == 0 || !hostmem::IsReadable(entry, ModuleEntrySize)) break;
        char name[NameCapacity];
        ReadHostText(hostmem::Load<uint32_t>(entry + ModuleEntryName), name, sizeof name);
        Addr base = hostmem::Load<uint32_t>(entry + ModuleEntryBase);
        if (!h.G3dModuleBase && SameName(name, G3dLibraryName)) {
            Found(h.G3dModuleBase, base, h.SceneObjectTable, SceneObjectTableOffset,
                  h.HostViewMatrix, HostViewMatrixOffset);
        } else if (!h.GlobalModuleBase && SameName(name, GlobalLibraryName)) {
            Found(h.GlobalModuleBase, base, h.EyePositionRecord, EyePositionRecordOffset,
                  h.EyeAttitudeRecord, EyeAttitudeRecordOffset);
        }
        entry = hostmem::Load<uint32_t>(entry + ModuleEntryNext);
    }
    return 1;
}

ActiveView FindActiveView(Addr viewList) {
    if (viewList == 0 || !hostmem::IsReadable(viewList, ViewListSize)) return {0, 0};
    int32_t count = hostmem::Load<int32_t>(viewList + ViewListCount);
    Addr array = hostmem::Load<uint32_t>(viewList + ViewListArray);
    if (count < 1) return {0, 0};
    if (count > ViewListLimit) count = ViewListLimit;
    if (!hostmem::IsReadable(array, uint32_t(count) * 4)) return {0, 0};
    for (int32_t i = 0; i < count; ++i) {
        Addr window = hostmem::Load<uint32_t>(array + uint32_t(i) * 4);
        if (window == 0 || !hostmem::IsReadable(window, ViewWindowSize)) continue;
        Addr record = hostmem::Load<uint32_t>(window + ViewWindowRecord);
        if (record == 0 || !hostmem::IsReadable(record, ViewRecordBytes)) continue;
        int32_t kind = hostmem::Load<int32_t>(record + ViewRecordKind);
        if (kind == ViewKindCockpit || kind == ViewKindOutside) return {record, kind};
    }
    return {0, 0};
}

} // namespace host
