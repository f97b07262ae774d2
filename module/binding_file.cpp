#include "module/binding_file.h"

#include "host/contract.h"
#include "module/settings.h"
#include "module/text.h"
#include "platform/os.h"

#include <cstdio>

namespace addon {

int FindHostFolder(char* folder, size_t capacity) {
    RegistryValue value{};
    value.Root = os::HkeyLocalMachine();
    CopyText(value.KeyPath, sizeof value.KeyPath, host::HostKeyPath);
    CopyText(value.ValueName, sizeof value.ValueName, host::HostFolderValue);
    const int fromRegistry = ReadRegistryValue(value);
    CopyText(folder, capacity, fromRegistry ? value.Data : host::DefaultHostFolder);
    return fromRegistry;
}

void FormKeyBindingPath(char* path, size_t capacity, const char* folder) {
    std::snprintf(path, capacity, KeyBindingFilePattern, folder);
}

BindingFileRead ReadKeyBindingFile(const char* path, pilot::BindingLoader& loader) {
    os::Hfile file = os::CreateFileA(path, os::GenericRead, os::FileShareRead | os::FileShareWrite,
                                     os::OpenExisting, os::FileAttributeNormal);
    if (file == os::InvalidFile() || file == nullptr) {
        pilot::EndBindings(loader);
        return BindingFileRead::NotOpened;
    }
    char chunk[4096];
    uint32_t read = 0;
    int ok = 0;
    while ((ok = os::ReadFile(file, chunk, sizeof chunk, &read)) && read > 0)
        pilot::FeedBindings(loader, chunk, read);
    pilot::EndBindings(loader);
    os::CloseHandle(file);
    return ok ? BindingFileRead::Read : BindingFileRead::ReadError;
}

} // namespace addon
