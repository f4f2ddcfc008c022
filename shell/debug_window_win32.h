// The debug window: a child window below the curve listing the frames the unit sent.
#pragma once

#include <windows.h>

#include "shell/plant_link_win32.h"

struct Monitor;

extern const char kDebugClassName[];  // "DEBUG"

LRESULT CALLBACK DebugWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Command 32777: creates a further debug window each time; its caption shows the plant link's state.
// The window shows monitor's debug log and journal counts and the plant link's state; both
// belong to the main window and outlive it.
HWND OpenDebugWindow(HWND mainWindow, const PlantLink& plant, Monitor& monitor);
