// The key bindings of the internal pilot view, as loaded from the key binding
// file: which command a key or mouse button runs, with which modifiers.
#pragma once

#include <cstdint>

namespace pilot {

constexpr int32_t ModifierShift = 1;
constexpr int32_t ModifierControl = 2;
constexpr int32_t ModifierAlt = 4;

struct KeyBinding {
    char Command[32];  // name as written in the file, zero-terminated
    int32_t Code;      // virtual-key code, or 1000..1002 mouse buttons, 1004/1005 wheel
    int32_t Modifiers; // ModifierShift | ModifierControl | ModifierAlt, matched exactly
    int32_t OnRelease; // the command runs on press and again on release
    int32_t Pressed;   // run-time: between a handled press and its release
};

constexpr int32_t KeyBindingCapacity = 256;

struct KeyBindingTable {
    int32_t Capacity = KeyBindingCapacity;
    int32_t Count = 0;
    KeyBinding Entries[KeyBindingCapacity] = {};
};

} // namespace pilot
