#include "checker/console.h"

#include <windows.h>

#include <cstdio>

bool StartedInItsOwnConsole() {
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1) return false;
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void WaitForAKey() {
    std::fprintf(stderr, "\nPress a key to close this window.\n");
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    INPUT_RECORD record;
    DWORD read = 0;
    while (ReadConsoleInputA(input, &record, 1, &read) && read == 1)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
}
