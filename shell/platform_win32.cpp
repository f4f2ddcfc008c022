// Handles of the running program that the Win32 layer shares (set once at start).
#include "shell/platform_win32.h"

HINSTANCE gInstance = nullptr;
HWND gMainWindow = nullptr;
