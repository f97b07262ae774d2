// Key binding files as a user may write them: any bytes. Loading must not
// fault; how the bytes are cut into chunks must not matter; every report must
// point into the table and the word it speaks of; and the table printed as
// binding words and loaded again must give the same entries.
#include "pilot/key_bindings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace pilot;

namespace {

void Check(void* context, const BindingReport& report) {
    const KeyBindingTable& table = *static_cast<const KeyBindingTable*>(context);
    const size_t length = std::strlen(report.Word);
    if (length == 0 || length >= BindingWordCapacity || report.Line < 1) std::abort();
    if (report.Index < -1 || report.Index >= table.Count) std::abort();
    if (report.Other != -1 && (report.Other < 0 || report.Other >= report.Index)) std::abort();
    if (report.Item != nullptr &&
        (report.Item < report.Word || report.Item + report.ItemLength > report.Word + length))
        std::abort();
}

bool SameBindings(const KeyBindingTable& a, const KeyBindingTable& b) {
    return a.Count == b.Count &&
           std::memcmp(a.Entries, b.Entries, sizeof(KeyBinding) * size_t(a.Count)) == 0;
}

void Fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

KeyBindingTable Whole, Chunked, Again;
BindingLoader Loader;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);

    Whole = KeyBindingTable{};
    BindingObserver observer{&Check, &Whole};
    LoadKeyBindingText(bytes, size, "Keyboard", Whole, &observer);
    if (Whole.Count < 0 || Whole.Count > KeyBindingCapacity) Fail("count out of range");

    // Chunks of 1 to 16 bytes, their sizes taken from the input itself.
    Chunked = KeyBindingTable{};
    BeginBindings(Loader, "Keyboard", Chunked, nullptr);
    for (size_t i = 0; i < size;) {
        size_t chunk = 1 + data[i] % 16;
        if (chunk > size - i) chunk = size - i;
        FeedBindings(Loader, bytes + i, chunk);
        i += chunk;
    }
    EndBindings(Loader);
    if (!SameBindings(Whole, Chunked)) Fail("the chunking changed the table");

    std::string printed = "[Keyboard]\n";
    for (int32_t i = 0; i < Whole.Count; ++i) {
        const KeyBinding& entry = Whole.Entries[i];
        if (entry.Code == 0 || entry.Pressed != 0 || entry.Id != ResolveCommand(entry.Command))
            Fail("an entry the loader should not store");
        char word[BindingTextCapacity];
        if (FormatBinding(entry, word) == 0) Fail("a loaded entry cannot be printed");
        printed += word;
        printed += '\n';
    }
    Again = KeyBindingTable{};
    LoadKeyBindingText(printed.data(), printed.size(), "Keyboard", Again);
    if (!SameBindings(Whole, Again)) Fail("the printed table loads back different");
    return 0;
}
