// The debug window: a child window below the curve listing the frames the unit sent.
#pragma once

#include <windows.h>

#include "shell/plant_link_win32.h"

extern const char kDebugClassName[];  // "DEBUG"

LRESULT CALLBACK DebugWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Command 32777: creates a further debug window each time; its caption shows the plant link's state.
HWND OpenDebugWindow(HWND mainWindow, const PlantLink& plant);
