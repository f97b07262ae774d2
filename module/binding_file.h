// The key binding file on disk: where the module finds it and how it reads it.
// The checker (orbivue-bindings) uses the same functions, so that it checks
// the file the module would load, opened and read as the module reads it.
#pragma once

#include "pilot/key_bindings.h"

#include <cstddef>

namespace addon {

constexpr char KeyBindingFilePattern[] = "%s\\OrbivuePro.cfg";
constexpr char KeyBindingSection[] = "Keyboard";

// The host's installation folder: the registry's "EXE Path" under the host's
// key (then 1), else the host's default folder (then 0); cut to capacity.
int FindHostFolder(char* folder, size_t capacity);
// The binding file in that folder; cut to capacity.
void FormKeyBindingPath(char* path, size_t capacity, const char* folder);

enum class BindingFileRead : int32_t {
    NotOpened, // missing, or refused by Windows
    ReadError, // what was read before the error went to the loader
    Read,      // the whole file went to the loader
};

// Feeds the file to a loader the caller has begun, then ends the load. The
// file is opened for reading and shared for reading and writing, so that an
// editor or a sync tool that holds it open does not keep it from loading.
BindingFileRead ReadKeyBindingFile(const char* path, pilot::BindingLoader& loader);

} // namespace addon
