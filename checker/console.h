// The checker's console. Started by a double-click, the program has a console
// window of its own, which Windows closes as soon as the program ends: the
// pilot would never read what it says.
#pragma once

#if defined(_WIN32)
// True when no other program shares the console (no command prompt started
// this one) and its input is the console's keyboard (no script feeds it).
bool StartedInItsOwnConsole();
void WaitForAKey();
#else
// A terminal outlives the programs it runs.
inline bool StartedInItsOwnConsole() {
    return false;
}
inline void WaitForAKey() {}
#endif
