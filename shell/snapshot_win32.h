// CycleSnapshot: the window as it looked at the end of the last cycle (command 30000).
#pragma once

#include <windows.h>

#include "shell/main_window_state_win32.h"

// Into the window's state, unless the window is frozen (the previous snapshot stays then).
void TakeCycleSnapshot(HWND hwnd);
void DeleteCycleSnapshot(CycleSnapshot& snapshot);
