// Handles of the running program that the Win32 layer shares (set once at start, UI thread).
#pragma once

#include <windows.h>

extern HINSTANCE gInstance;
extern HWND gMainWindow;
