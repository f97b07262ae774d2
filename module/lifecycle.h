// Start-up and shut-down of the module.
#pragma once

#include "module/binding_file.h"
#include "module/module.h"

namespace addon {

constexpr char WindowNotFoundText[] = "FS window not found";
constexpr char HookFailedText[] = "Orbivue: Unable to set hook";

// Always completes, whatever fails on the way; always 1.
int ModuleAttach(ModuleState& module);
void ModuleDetach(ModuleState& module);

} // namespace addon
