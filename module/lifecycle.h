// Start-up and shut-down of the module.
#pragma once

#include "module/module.h"

namespace addon {

constexpr char KeyBindingFilePattern[] = "%s\\OrbivuePro.cfg";
constexpr char KeyBindingSection[] = "Keyboard";
constexpr char WindowNotFoundText[] = "FS window not found";
constexpr char HookFailedText[] = "Orbivue: Unable to set hook";

// Always completes, whatever fails on the way; always 1.
int ModuleAttach(ModuleState& module);
void ModuleDetach(ModuleState& module);

} // namespace addon
